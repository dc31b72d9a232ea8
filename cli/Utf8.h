#pragma once

// Conversion between UTF-8 bytes, as files, pipes and terminals carry text,
// and the 16-bit text the window model's fields hold.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "codec/Text.h"

namespace vantrel::cli {

struct Utf8Text {
  Text text;
  // Offset of the first byte that does not belong to well-formed UTF-8, or
  // nothing when every byte does. When set, text holds what came before it.
  std::optional<std::size_t> badOffset;
};

// Strict UTF-8: overlong forms, encoded surrogates and values above U+10FFFF
// are faults. A character outside the 16-bit range becomes its surrogate
// pair. Stops at the first fault rather than guessing, so a text in another
// encoding is refused instead of turning silently into other characters.
Utf8Text DecodeUtf8(std::string_view bytes);

// UTF-8 of a text; a surrogate pair is one character. A lone surrogate,
// which no decoded text holds, is written as "?".
std::string EncodeUtf8(const Text& text);

// The bytes without a leading UTF-8 byte order mark: some editors put one in
// front of a file, and it is no part of the text.
std::string_view WithoutByteOrderMark(std::string_view bytes);

}  // namespace vantrel::cli
