// The key and the shift passes: KeySum grows with each character typed into
// Text3, and each pass reduces it to the key and moves one field's text,
// shifted, to the end of the other.
#include <array>
#include <limits>
#include <string>
#include <string_view>

#include "AnsiCodePage.h"
#include "Form1.h"
#include "ShiftRange.h"
#include "codec/Error.h"

namespace vantrel {
namespace {

constexpr int kInt16Max = std::numeric_limits<std::int16_t>::max();
constexpr int kInt16Min = std::numeric_limits<std::int16_t>::min();

// 16-bit signed arithmetic that fails instead of wrapping.
std::int16_t Add16(int a, int b) {
  const int sum = a + b;
  if (sum < kInt16Min || sum > kInt16Max)
    throw OverflowError();
  return static_cast<std::int16_t>(sum);
}

// A text's length as a 16-bit count.
std::int16_t Length16(std::size_t length) {
  if (length > static_cast<std::size_t>(kInt16Max))
    throw OverflowError();
  return static_cast<std::int16_t>(length);
}

// The shift of one pass as tables, for text outside the fast path: the
// character written for each source code, the same by code unit for the
// units below 256, and the shifted code itself. A shifted code outside
// 0..255 (only a key outside 0..99 could give one) has no character; using
// it fails as AnsiChar's argument would.
struct ShiftTable {
  std::array<char16_t, 256> byCode{};
  std::array<char16_t, 256> byUnit{};
  std::array<std::int16_t, 256> codes{};
  std::array<bool, 256> valid{};
  bool allValid = true;
};

ShiftTable MakeShiftTable(int key, bool forward) {
  ShiftTable table;
  for (std::size_t code = 0; code < 256; ++code) {
    int shifted = forward ? static_cast<int>(code) + key : static_cast<int>(code) - key;
    if (forward && shifted > kHighCode)
      shifted -= kWrap;
    if (!forward && shifted < kLowCode)
      shifted += kWrap;
    table.codes[code] = static_cast<std::int16_t>(shifted);
    table.valid[code] = shifted >= 0 && shifted <= 255;
    table.allValid = table.allValid && table.valid[code];
    if (table.valid[code])
      table.byCode[code] = AnsiChar(static_cast<std::uint8_t>(shifted));
  }
  for (std::size_t unit = 0; unit < 256; ++unit) {
    table.byUnit[unit] = table.byCode[AnsiCode(static_cast<char16_t>(unit))];
  }
  return table;
}

// Appends the source, shifted by key forwards or backwards, to target.
// Returns the last shifted code, or lastCode unchanged for an empty source.
std::int16_t ShiftInto(std::u16string_view source, Text& target, int key, bool forward,
                       std::int16_t lastCode) {
  if (source.empty())
    return lastCode;
  if (AllShiftable(source) && key >= 0 && key < kWrap) {
    // Codes from 10 to 125 shift into 10 to 125, all plain ASCII: the shift
    // reduces to arithmetic, which the compiler can vectorise, and needs no
    // table. This is every pass of a command on text it accepts.
    // 16-bit lanes throughout: nothing here leaves 0..241.
    const std::size_t start = target.size();
    target.resize(start + source.size());
    char16_t* out = target.data() + start;
    const auto k = static_cast<char16_t>(key);
    constexpr auto high = static_cast<char16_t>(kHighCode);
    constexpr auto low = static_cast<char16_t>(kLowCode);
    constexpr auto wrap = static_cast<char16_t>(kWrap);
    if (forward) {
      for (const char16_t unit : source) {
        const auto shifted = static_cast<char16_t>(unit + k);
        *out++ = static_cast<char16_t>(shifted > high ? shifted - wrap : shifted);
      }
    } else {
      for (const char16_t unit : source) {
        const auto shifted = static_cast<char16_t>(unit + wrap - k);
        *out++ = static_cast<char16_t>(shifted < low + wrap ? shifted : shifted - wrap);
      }
    }
    return static_cast<std::int16_t>(target.back());  // an ASCII character is its own code
  }
  const ShiftTable table = MakeShiftTable(key, forward);
  if (!table.allValid) {
    for (const char16_t unit : source) {
      if (!table.valid[AnsiCode(unit)])
        throw Error(kInvalidCallNumber, u"Invalid procedure call or argument");
    }
  }
  const std::size_t start = target.size();
  target.resize(start + source.size());
  char16_t* out = target.data() + start;
  for (const char16_t unit : source) {
    *out++ = unit < 256 ? table.byUnit[unit] : table.byCode[AnsiCode(unit)];
  }
  return table.codes[AnsiCode(source.back())];
}

}  // namespace

void Form1::Text3_KeyPress(std::int16_t keyAscii) {
  Run([&] {
    // Reducing early keeps the key the same and the sum inside 16 bits, so
    // no number of keystrokes can make typing fail.
    if (keySum_ + keyAscii > kInt16Max)
      ReduceKey();
    keySum_ = Add16(keySum_, keyAscii);
  });
}

void Form1::ReduceKey() {
  // The number formed by the last two characters of the decimal text.
  const std::string digits = std::to_string(keySum_);
  const std::string last = digits.size() > 2 ? digits.substr(digits.size() - 2) : digits;
  keySum_ = static_cast<std::int16_t>(std::stoi(last));
}

void Form1::ShiftIntoCode() {
  ShiftIntoCode(text1_, {});
}

void Form1::ShiftIntoCode(std::u16string_view text, std::u16string_view tail) {
  ReduceKey();
  const std::int16_t n = Length16(text.size() + tail.size());
  charCode_ = ShiftInto(text, text2_, keySum_, true, charCode_);
  charCode_ = ShiftInto(tail, text2_, keySum_, true, charCode_);
  pos_ = Add16(n, 1);
}

void Form1::ShiftIntoPlain() {
  ReduceKey();
  const std::int16_t n = Length16(text2_.size());
  charCode_ = ShiftInto(text2_, text1_, keySum_, false, charCode_);
  pos_ = Add16(n, 1);
}

Text ControlCharacter(char16_t key, bool shift) {
  if (key >= u'a' && key <= u'z')
    key = static_cast<char16_t>(key - u'a' + u'A');
  if (key >= u'A' && key <= u'Z')
    return Text(1, static_cast<char16_t>(key - u'A' + 1));
  switch (key) {
    case u'\x1B':
    case u'[':
      return u"\x1B";
    case u'\\':
      return u"\x1C";
    case u']':
      return u"\x1D";
    case u'^':
      return u"\x1E";
    case u'_':
      return u"\x1F";
    case u' ':
      return shift ? Text() : Text(u" ");
    case u'\b':
      return shift ? Text() : Text(u"\x7F");
    case u'\r':
      return shift ? Text() : Text(u"\n");
    default:
      return {};
  }
}

}  // namespace vantrel
