#pragma once

// Reads whole files and little- or big-endian numbers out of them, for the
// checks of icon and resource files. Every read is bounds-checked: a short
// or damaged file fails the test with a message instead of reading past the
// end.

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace vantrel::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw std::runtime_error("cannot open " + path);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void Need(const Bytes& data, std::size_t offset, std::size_t count) {
  if (offset > data.size() || count > data.size() - offset) {
    throw std::out_of_range("read of " + std::to_string(count) + " bytes at " +
                            std::to_string(offset) + " past the end (" +
                            std::to_string(data.size()) + ")");
  }
}

inline std::uint8_t U8(const Bytes& data, std::size_t offset) {
  Need(data, offset, 1);
  return data[offset];
}

inline std::uint16_t Le16(const Bytes& data, std::size_t offset) {
  Need(data, offset, 2);
  return static_cast<std::uint16_t>(data[offset] | (data[offset + 1] << 8));
}

inline std::uint32_t Le32(const Bytes& data, std::size_t offset) {
  return static_cast<std::uint32_t>(Le16(data, offset)) |
         (static_cast<std::uint32_t>(Le16(data, offset + 2)) << 16);
}

inline std::uint32_t Be32(const Bytes& data, std::size_t offset) {
  Need(data, offset, 4);
  return (static_cast<std::uint32_t>(data[offset]) << 24) |
         (static_cast<std::uint32_t>(data[offset + 1]) << 16) |
         (static_cast<std::uint32_t>(data[offset + 2]) << 8) | data[offset + 3];
}

inline Bytes Slice(const Bytes& data, std::size_t offset, std::size_t count) {
  Need(data, offset, count);
  const auto first = data.begin() + static_cast<std::ptrdiff_t>(offset);
  return Bytes(first, first + static_cast<std::ptrdiff_t>(count));
}

inline bool IsPng(const Bytes& data) {
  static constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  if (data.size() < sizeof kSignature)
    return false;
  for (std::size_t i = 0; i < sizeof kSignature; ++i) {
    if (data[i] != kSignature[i])
      return false;
  }
  return true;
}

// The header of a PNG and the chunk kinds it carries, in order.
struct PngInfo {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint8_t bit_depth = 0;
  std::uint8_t colour_type = 0;  // 3 palette, 6 RGBA
  std::uint32_t palette_entries = 0;
  std::vector<std::string> chunks;
};

inline PngInfo ReadPngInfo(const Bytes& png) {
  if (!IsPng(png))
    throw std::runtime_error("not a PNG");
  PngInfo info;
  std::size_t pos = 8;
  while (pos < png.size()) {
    const std::uint32_t length = Be32(png, pos);
    const Bytes kind = Slice(png, pos + 4, 4);
    Need(png, pos + 8, std::size_t{length} + 4);
    info.chunks.emplace_back(kind.begin(), kind.end());
    if (info.chunks.back() == "IHDR") {
      info.width = Be32(png, pos + 8);
      info.height = Be32(png, pos + 12);
      info.bit_depth = U8(png, pos + 16);
      info.colour_type = U8(png, pos + 17);
    } else if (info.chunks.back() == "PLTE") {
      info.palette_entries = length / 3;
    }
    pos += 12 + std::size_t{length};
  }
  return info;
}

}  // namespace vantrel::testing
