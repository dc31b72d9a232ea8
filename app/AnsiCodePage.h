#pragma once

// The single-byte code page the fields hold their text in: Windows-1252, made
// one-to-one over 0..255 by giving its five unassigned bytes (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) the C1 control characters of the same number. The table
// is our own, so a code is the same on every machine and every peer.

#include <cstdint>

#include "codec/Text.h"

namespace vantrel {

// The 8-bit code of a character; 63 ("?") for a character the code page lacks.
std::uint8_t AnsiCode(char16_t unit);
// The character of an 8-bit code.
char16_t AnsiChar(std::uint8_t code);
// True when the code page holds the character, so that it survives a field.
bool InCodePage(char16_t unit);
// The text as a field stores it: every character the code page lacks becomes "?".
Text ToCodePage(Text text);

}  // namespace vantrel
