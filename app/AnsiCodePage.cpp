#include "AnsiCodePage.h"

#include <array>

namespace vantrel {
namespace {

// Characters of the codes 0x80..0x9F. Everything else in 0..255 maps to the
// code unit of the same number.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

constexpr std::uint8_t kQuestionMark = '?';

// The code of a unit, or no value: 0 is a real code, so absence is flagged.
constexpr bool Lookup(char16_t unit, std::uint8_t& code) {
  if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
    code = static_cast<std::uint8_t>(unit);
    return true;
  }
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == unit) {
      code = static_cast<std::uint8_t>(0x80 + i);
      return true;
    }
  }
  return false;
}

}  // namespace

std::uint8_t AnsiCode(char16_t unit) {
  std::uint8_t code = 0;
  return Lookup(unit, code) ? code : kQuestionMark;
}

char16_t AnsiChar(std::uint8_t code) {
  if (code >= 0x80 && code <= 0x9F)
    return kHighControls[code - 0x80u];
  return code;
}

bool InCodePage(char16_t unit) {
  std::uint8_t code = 0;
  return Lookup(unit, code);
}

Text ToCodePage(Text text) {
  // Most text is ASCII: find that out without a branch per character.
  char16_t high = 0;
  for (const char16_t unit : text)
    high |= unit;
  if (high < 0x80)
    return text;
  for (char16_t& unit : text) {
    if (unit >= 0x80 && !InCodePage(unit))
      unit = u'?';
  }
  return text;
}

}  // namespace vantrel
