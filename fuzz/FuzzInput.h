#pragma once

// What the fuzz targets share: turning a fuzzer's bytes into code units that
// reach every value, with a reader that never runs off the end, and the way a
// broken property ends the run.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "codec/Text.h"

namespace vantrel::fuzz {

// Ends the run with a message when a property does not hold: libFuzzer saves
// the input, and the replay program stops with a failure.
inline void Require(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "property violated: %s\n", what);
    std::abort();
  }
}

// Reads the input front to back. Past the end every read gives 0, so a short
// input is still a whole sequence of choices.
class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool AtEnd() const { return at_ >= size_; }
  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : std::uint8_t{0}; }

  // One code unit. A byte other than 0xFF is the unit of the same value, so
  // short Base64-like inputs stay short; 0xFF followed by two bytes is the
  // unit they spell (high byte first), which reaches everything above 255,
  // lone surrogates included.
  char16_t Unit() {
    const std::uint8_t first = Byte();
    if (first != 0xFF)
      return first;
    const unsigned high = Byte();
    const unsigned low = Byte();
    return static_cast<char16_t>(high << 8 | low);
  }

  // Units up to the end of the input.
  Text Units() {
    Text text;
    while (!AtEnd())
      text.push_back(Unit());
    return text;
  }

  // Up to count units (fewer when the input ends first).
  Text Units(std::size_t count) {
    Text text;
    for (std::size_t i = 0; i < count && !AtEnd(); ++i)
      text.push_back(Unit());
    return text;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

}  // namespace vantrel::fuzz
