#include "Form1.h"

#include <array>
#include <cmath>
#include <limits>
#include <new>
#include <string>
#include <utility>

#include "AnsiCodePage.h"
#include "Module1.h"

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
std::int16_t Length16(const Text& text) {
  if (text.size() > static_cast<std::size_t>(kInt16Max))
    throw OverflowError();
  return static_cast<std::int16_t>(text.size());
}

// Lowest and highest codes that a shift pass brings back unchanged.
constexpr int kLowCode = 10;
constexpr int kHighCode = 125;
constexpr int kWrap = kHighCode + 1 - kLowCode;  // 116

// True when every unit of text lies from low to high. Branch-free, so that it
// vectorises: it runs over every text a command handles.
bool AllBetween(const Text& text, int low, int high) {
  const auto from = static_cast<char16_t>(low);
  const auto span = static_cast<char16_t>(high - low);
  char16_t outside = 0;
  for (const char16_t unit : text) {
    outside |= static_cast<char16_t>(static_cast<char16_t>(unit - from) > span);
  }
  return outside == 0;
}

// The shift of one pass as tables: the character written for each source
// code, the same by code unit for the units below 256, and the shifted code
// itself. A shifted code outside 0..255 (only a key outside 0..99 could give
// one) has no character; using it fails as AnsiChar's argument would.
struct ShiftTable {
  std::array<char16_t, 256> byCode{};
  std::array<char16_t, 256> byUnit{};
  std::array<std::int16_t, 256> codes{};
  std::array<bool, 256> valid{};
  bool allValid = true;
  int key = 0;
  bool forward = true;
};

ShiftTable MakeShiftTable(int key, bool forward) {
  ShiftTable table;
  table.key = key;
  table.forward = forward;
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

// Appends the shifted source to target. Returns the last shifted code, or
// lastCode unchanged for an empty source.
std::int16_t ShiftInto(const Text& source, Text& target, const ShiftTable& table,
                       std::int16_t lastCode) {
  if (source.empty())
    return lastCode;
  if (!table.allValid) {
    for (const char16_t unit : source) {
      if (!table.valid[AnsiCode(unit)])
        throw Error(kInvalidCallNumber, u"Invalid procedure call or argument");
    }
  }
  const std::size_t start = target.size();
  target.resize(start + source.size());
  char16_t* out = target.data() + start;
  if (AllBetween(source, kLowCode, kHighCode) && table.key >= 0 && table.key < kWrap) {
    // Codes from 10 to 125 shift into 10 to 125, all plain ASCII: the table
    // reduces to arithmetic, which the compiler can vectorise. This is every
    // pass of a command on text it accepts.
    // 16-bit lanes throughout: nothing here leaves 0..241.
    const auto key = static_cast<char16_t>(table.key);
    constexpr auto high = static_cast<char16_t>(kHighCode);
    constexpr auto low = static_cast<char16_t>(kLowCode);
    constexpr auto wrap = static_cast<char16_t>(kWrap);
    if (table.forward) {
      for (const char16_t unit : source) {
        const auto shifted = static_cast<char16_t>(unit + key);
        *out++ = static_cast<char16_t>(shifted > high ? shifted - wrap : shifted);
      }
    } else {
      for (const char16_t unit : source) {
        const auto shifted = static_cast<char16_t>(unit + wrap - key);
        *out++ = static_cast<char16_t>(shifted < low + wrap ? shifted : shifted - wrap);
      }
    }
  } else {
    for (const char16_t unit : source) {
      *out++ = unit < 256 ? table.byUnit[unit] : table.byCode[AnsiCode(unit)];
    }
  }
  return table.codes[AnsiCode(source.back())];
}

Text Widen(const char* text) {
  Text wide;
  for (; *text != '\0'; ++text)
    wide.push_back(static_cast<unsigned char>(*text));
  return wide;
}

Text Decimal(long long value) {
  return Widen(std::to_string(value).c_str());
}

// 24572 as "24,572": the limits read better grouped.
Text Grouped(long long value) {
  Text digits = Decimal(value);
  for (auto at = static_cast<long long>(digits.size()) - 3; at > 0; at -= 3) {
    digits.insert(static_cast<std::size_t>(at), 1, u',');
  }
  return digits;
}

// How a refusal names a character the user may not be able to see.
Text NameOf(char16_t unit) {
  const std::uint8_t code = AnsiCode(unit);
  if (code == 9)
    return u"A Tab";
  if (code == 0xA0)
    return u"A no-break space";
  if (code == 0xAD)
    return u"A soft hyphen";
  if (code < 32 || code == 127 || (unit >= 0x80 && unit <= 0x9F)) {
    return u"A control character (code " + Decimal(code) + u")";
  }
  return u"The character \"" + Text(1, unit) + u"\"";
}

Text TooLongToEncode(std::size_t length) {
  return u"The text is too long to encode.\r\n\r\nVantrel encodes at most " +
         Grouped(kMaxPlainLength) + u" characters; this text has " +
         Grouped(static_cast<long long>(length)) + u".";
}

Text TooLongToDecode(std::size_t length) {
  return u"The code is too long to decode.\r\n\r\nA code has at most " + Grouped(kMaxCodeLength) +
         u" characters; this one has " + Grouped(static_cast<long long>(length)) + u".";
}

}  // namespace

void Form1::SetText1(Text text) {
  text1_ = ToCodePage(std::move(text));
}
void Form1::SetText2(Text text) {
  text2_ = ToCodePage(std::move(text));
}
void Form1::SetText3(Text text) {
  text3_ = ToCodePage(std::move(text));
}

void Form1::RestoreFields(Fields fields) {
  text1_ = std::move(fields.text1);
  text2_ = std::move(fields.text2);
}

template <typename Body>
void Form1::Run(Body body) {
  try {
    body();
  } catch (const Error& error) {
    ErrorReport(error);
  } catch (const std::bad_alloc&) {
    ErrorReport(Error(kOutOfMemoryNumber, u"Out of memory"));
  } catch (const std::exception& error) {
    ErrorReport(Error(kInternalErrorNumber, u"Internal error: " + Widen(error.what())));
  } catch (...) {
    ErrorReport(Error(kInternalErrorNumber, u"Internal error"));
  }
}

void Form1::ErrorReport(const Error& error) {
  try {
    host_.MsgBox(u"Error " + Decimal(error.Number()) + u"\r\n\r\n" + error.Description(),
                 MsgIcon::Critical);
  } catch (...) {
    // The report could not be shown; the program still ends.
  }
  host_.End();
}

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
  ReduceKey();
  const std::int16_t n = Length16(text1_);
  charCode_ = ShiftInto(text1_, text2_, MakeShiftTable(keySum_, true), charCode_);
  pos_ = Add16(n, 1);
}

void Form1::ShiftIntoPlain() {
  ReduceKey();
  const std::int16_t n = Length16(text2_);
  charCode_ = ShiftInto(text2_, text1_, MakeShiftTable(keySum_, false), charCode_);
  pos_ = Add16(n, 1);
}

Text Form1::CheckEncodable() const {
  // Almost every text passes: look for a fault first, and count lines only
  // when there is one to report.
  if (AllBetween(text1_, kLowCode, kHighCode))
    return Text();
  std::size_t line = 1;
  std::size_t column = 0;
  for (std::size_t i = 0; i < text1_.size(); ++i) {
    const char16_t unit = text1_[i];
    // CR LF and a lone LF break the line, as the field shows them; a lone CR
    // is a character of its line.
    if (unit == u'\n') {
      ++line;
      column = 0;
      continue;
    }
    if (unit == u'\r' && i + 1 < text1_.size() && text1_[i + 1] == u'\n')
      continue;
    ++column;
    const int code = AnsiCode(unit);
    if (code < kLowCode || code > kHighCode) {
      return NameOf(unit) + u" at line " + Decimal(static_cast<long long>(line)) + u", column " +
             Decimal(static_cast<long long>(column)) +
             u" cannot be encoded.\r\n\r\nVantrel can encode letters A to Z, digits, spaces, "
             u"line breaks and punctuation other than \"~\".";
    }
  }
  return Text();
}

void Form1::Encode_Click() {
  Run([&] {
    if (text3_.empty()) {
      host_.MsgBox(kEnterPasswordFirst, MsgIcon::Critical);
      return;
    }
    if (text1_.empty()) {
      host_.MsgBox(kEnterTextFirst, MsgIcon::Critical);
      return;
    }
    if (text1_.size() > static_cast<std::size_t>(kMaxPlainLength)) {
      host_.MsgBox(TooLongToEncode(text1_.size()), MsgIcon::Exclamation);
      return;
    }
    if (const Text refusal = CheckEncodable(); !refusal.empty()) {
      host_.MsgBox(refusal, MsgIcon::Exclamation);
      return;
    }
    // Text3 is never written by a command, and the code field is emptied
    // first, so its old text can be moved aside rather than copied. Both
    // fields get room for the whole code at once, and the steps below swap
    // storage where a field is copied and then overwritten: a command then
    // allocates twice, not at every step.
    Fields before{std::move(text1_), std::move(text2_)};
    try {
      const std::size_t room = (before.text1.size() + 3) / 3 * 4;
      text1_.reserve(room);
      text1_ = before.text1;
      text1_ += u'.';  // the end marker Decode looks for
      text2_.clear();  // the code replaces whatever stood in the code field
      text2_.reserve(room);
      ShiftIntoCode();
      std::swap(text1_, text2_);       // Text1 := Text2
      EncodeTextInto(text1_, text2_);  // Base64 is ASCII: already in the code page
      std::swap(text1_, text2_);       // Text1 := Text2
      text2_.clear();
      ShiftIntoCode();
      text1_.clear();
    } catch (...) {
      RestoreFields(std::move(before));
      throw;
    }
  });
}

void Form1::Decode_Click() {
  Run([&] {
    if (text3_.empty()) {
      host_.MsgBox(kEnterPasswordFirst, MsgIcon::Critical);
      return;
    }
    if (text2_.empty()) {
      host_.MsgBox(kEnterCodeFirst, MsgIcon::Critical);
      return;
    }
    if (text2_.size() > static_cast<std::size_t>(kMaxCodeLength)) {
      host_.MsgBox(TooLongToDecode(text2_.size()), MsgIcon::Exclamation);
      return;
    }
    // The code is kept by moving it aside where the command overwrites it,
    // rather than by a copy up front; until then it is still in its field.
    Fields before{std::move(text1_), Text()};
    bool codeMoved = false;
    try {
      text1_.clear();  // the plain text replaces whatever stood in its field
      ShiftIntoPlain();
      before.text2 = std::move(text2_);
      codeMoved = true;
      text2_ = std::move(text1_);
      text1_ = ToCodePage(DecodeText(text2_));
      text2_ = std::move(text1_);
      text1_.clear();
      ShiftIntoPlain();
      if (text1_.empty() || text1_.back() != u'.') {
        RestoreFields(std::move(before));
        host_.MsgBox(kWrongPassword, MsgIcon::None);
        return;
      }
      text1_.pop_back();
      text2_.clear();
    } catch (const CodecError& error) {
      RestoreFields(std::move(before));
      host_.MsgBox(error.Description(), MsgIcon::Critical);
    } catch (...) {
      if (!codeMoved)
        before.text2 = text2_;
      RestoreFields(std::move(before));
      throw;
    }
  });
}

void Form1::CToC_Click() {
  Run([&] {
    if (text2_.empty()) {
      host_.MsgBox(kNothingToCopy, MsgIcon::Exclamation);
      return;
    }
    host_.ClipboardClear();
    host_.ClipboardSetText(text2_);
    host_.MsgBox(kCopied, MsgIcon::Information);
  });
}

void Form1::Form_Unload() {
  // Every failing step is skipped and the next one runs: closing never fails.
  const auto attempt = [](auto step) {
    try {
      step();
    } catch (...) {
    }
  };
  // The loop ends when the top edge passes the screen's width. Bound it by
  // the steps that takes when every move works, so that a window manager
  // ignoring the moves cannot keep the program from ending.
  long maxSteps = 1;
  attempt([&] {
    const double distance = static_cast<double>(host_.ScreenWidth()) - host_.Top();
    if (std::isfinite(distance) && distance >= 0) {
      maxSteps = static_cast<long>(std::min(distance / 30.0, 1e6)) + 1;
    }
  });
  for (long step = 0; step < maxSteps; ++step) {
    attempt([&] { host_.SetTop(host_.Top() + 30); });
    attempt([&] { host_.SetLeft(host_.Left() + 30); });
    attempt([&] { host_.SetWidth(host_.Width() - 60); });
    attempt([&] { host_.SetHeight(host_.Height() - 60); });
    bool gone = false;
    attempt([&] { gone = host_.Top() > host_.ScreenWidth(); });
    if (gone)
      break;
  }
  attempt([&] { host_.End(); });
}

}  // namespace vantrel
