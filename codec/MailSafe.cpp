#include "MailSafe.h"

#include <algorithm>
#include <array>
#include <utility>

namespace vantrel {
namespace {

constexpr std::u16string_view kVersion = u"1";
constexpr std::u16string_view kClosing = u"~~end";

constexpr std::array<std::uint32_t, 256> kCrcTable = [] {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int bit = 0; bit < 8; ++bit)
      c = (c & 1U) != 0 ? 0xEDB88320U ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}();

}  // namespace

std::uint32_t Crc32(const ByteArray& bytes) {
  std::uint32_t crc = 0xFFFFFFFFU;
  for (const std::uint8_t byte : bytes)
    crc = kCrcTable[(crc ^ byte) & 0xFFU] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFU;
}

Text MailSafeForm(const ByteArray& code, std::u16string_view lineBreak) {
  ByteArray bytes = code;
  const std::uint32_t crc = Crc32(code);
  for (const int shift : {24, 16, 8, 0})
    bytes.push_back(static_cast<std::uint8_t>(crc >> shift));
  const Text base64 = EncodeByteArray(bytes);
  const Text opening = u"Vantrel" + Text(kVersion) + u"~";

  Text out;
  std::size_t column = 0;
  // Adds a piece that stays on one line, starting a new line first when the
  // piece would pass the line width.
  const auto put = [&](std::u16string_view piece) {
    if (column > 0 && column + piece.size() > kMailSafeLineWidth) {
      out += lineBreak;
      column = 0;
    }
    out += piece;
    column += piece.size();
  };
  if (opening.size() + base64.size() + kClosing.size() <= kMailSafeLineWidth) {
    return opening + base64 + Text(kClosing);
  }
  put(opening);
  for (std::size_t at = 0; at < base64.size();) {
    const std::size_t room = kMailSafeLineWidth - column;
    const std::size_t take = std::min(room == 0 ? kMailSafeLineWidth : room, base64.size() - at);
    put(std::u16string_view(base64).substr(at, take));
    at += take;
  }
  put(kClosing);
  return out;
}

}  // namespace vantrel
