#include "AnyText.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace vantrel {
namespace {

constexpr char16_t kShiftOut = u'\x0E';
constexpr char16_t kShiftIn = u'\x0F';
constexpr std::u16string_view kMarkerStart = u"\x1F\x1E";

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<std::uint8_t, 128> MakeValues() {
  std::array<std::uint8_t, 128> values{};
  for (auto& value : values)
    value = 255;
  for (std::uint8_t i = 0; i < 64; ++i)
    values[static_cast<unsigned char>(kAlphabet[i])] = i;
  return values;
}
constexpr std::array<std::uint8_t, 128> kValues = MakeValues();

// A character the body holds as itself.
constexpr bool Direct(unsigned unit) {
  return unit >= 10 && unit <= 125 && unit != kShiftOut && unit != kShiftIn;
}

bool IsHigh(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLow(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Characters of the Base64 of `bytes` bytes, without padding.
constexpr std::size_t Base64Length(std::size_t bytes) {
  return (bytes * 8 + 5) / 6;
}

// The units of a run: UTF-16 code units (16 bits, written big-endian) in
// the text form, bytes in the bytes form.
template <typename Unit>
constexpr int kUnitBits = sizeof(Unit) == 1 ? 8 : 16;

// Three units make a whole number of Base64 characters: 4 for bytes, 8 for
// 16-bit code units. Runs are taken in such groups first, then unit by unit.
template <typename Unit>
constexpr std::size_t kGroupChars = 3 * kUnitBits<Unit> / 6;

// Writes the unpadded Base64 of a run's units at out, and returns the end.
template <typename Unit>
char16_t* PutBase64(char16_t* out, std::basic_string_view<Unit> run) {
  using Bits = std::make_unsigned_t<Unit>;
  std::size_t i = 0;
  for (; i + 3 <= run.size(); i += 3) {
    const std::uint64_t group = (std::uint64_t{static_cast<Bits>(run[i])} << 2 * kUnitBits<Unit>) |
                                (std::uint64_t{static_cast<Bits>(run[i + 1])} << kUnitBits<Unit>) |
                                static_cast<Bits>(run[i + 2]);
    for (std::size_t c = kGroupChars<Unit>; c-- > 0;)
      *out++ = static_cast<char16_t>(kAlphabet[(group >> (6 * c)) & 63]);
  }
  std::uint32_t bits = 0;
  int held = 0;
  for (; i < run.size(); ++i) {
    bits = (bits << kUnitBits<Unit>) | static_cast<Bits>(run[i]);
    held += kUnitBits<Unit>;
    while (held >= 6) {
      held -= 6;
      *out++ = static_cast<char16_t>(kAlphabet[(bits >> held) & 63]);
    }
  }
  if (held > 0)
    *out++ = static_cast<char16_t>(kAlphabet[(bits << (6 - held)) & 63]);
  return out;
}

// Writes the body of the form over a sequence of units at out, which has
// room for it: direct ones as they are, each maximal run of others as one
// shifted run. Returns the end.
template <typename Unit>
char16_t* PutBody(char16_t* out, std::basic_string_view<Unit> source) {
  std::size_t i = 0;
  while (i < source.size()) {
    const auto unit = static_cast<std::make_unsigned_t<Unit>>(source[i]);
    if (Direct(unit)) {
      *out++ = static_cast<char16_t>(unit);
      ++i;
      continue;
    }
    std::size_t end = i + 1;
    while (end < source.size() && !Direct(static_cast<std::make_unsigned_t<Unit>>(source[end])))
      ++end;
    *out++ = kShiftOut;
    out = PutBase64(out, source.substr(i, end - i));
    *out++ = kShiftIn;
    i = end;
  }
  return out;
}

// Writes the units one run's Base64 holds at out, and moves out past them;
// false when the run is not exactly what a writer makes.
template <typename Unit>
bool ReadRun(std::u16string_view run, Unit*& out) {
  constexpr int unitBits = kUnitBits<Unit>;
  if (run.empty() || run.size() % 4 == 1)
    return false;
  constexpr std::size_t groupChars = kGroupChars<Unit>;
  while (run.size() > groupChars) {  // whole groups, but never the last characters
    std::uint64_t group = 0;
    std::uint8_t invalid = 0;
    for (std::size_t c = 0; c < groupChars; ++c) {
      const std::uint8_t value = run[c] < 128 ? kValues[run[c]] : 255;
      invalid |= value;
      group = (group << 6) | (value & 63);
    }
    if (invalid & 0x80)
      return false;
    *out++ = static_cast<Unit>(group >> 2 * unitBits);
    *out++ = static_cast<Unit>((group >> unitBits) & ((1u << unitBits) - 1));
    *out++ = static_cast<Unit>(group & ((1u << unitBits) - 1));
    run.remove_prefix(groupChars);
  }
  std::uint32_t bits = 0;
  int held = 0;
  for (const char16_t c : run) {
    const std::uint8_t value = c < 128 ? kValues[c] : 255;
    if (value == 255)
      return false;
    bits = (bits << 6) | value;
    held += 6;
    if (held >= unitBits) {
      held -= unitBits;
      *out++ = static_cast<Unit>((bits >> held) & ((1u << unitBits) - 1));
    }
  }
  // What is left is the zero bits after the last unit: fewer than six.
  return held < 6 && (bits & ((1u << held) - 1)) == 0;
}

// Reads a body into out, which is resized to what it holds; false when the
// body is not exactly what a writer makes. A body never holds more units
// than characters.
template <typename Units>
bool ReadBody(std::u16string_view body, Units& out) {
  using Unit = typename Units::value_type;
  out.resize(body.size());
  Unit* at = out.data();
  std::size_t i = 0;
  while (i < body.size()) {
    const char16_t unit = body[i];
    if (Direct(unit)) {
      *at++ = static_cast<Unit>(unit);
      ++i;
      continue;
    }
    if (unit != kShiftOut)
      return false;
    const std::size_t end = body.find(kShiftIn, i + 1);
    if (end == std::u16string_view::npos || !ReadRun(body.substr(i + 1, end - i - 1), at))
      return false;
    i = end + 1;
  }
  out.resize(static_cast<std::size_t>(at - out.data()));
  return true;
}

}  // namespace

bool NeedsAnyTextForm(std::u16string_view text) {
  if (text.starts_with(kMarkerStart))
    return true;
  // Branch-free, so that it vectorises: it runs over every text Encode takes.
  char16_t outside = 0;
  for (const char16_t unit : text)
    outside |= static_cast<char16_t>(static_cast<char16_t>(unit - 10) > 115);
  return outside != 0;
}

bool NeedsAnyBytesForm(std::string_view bytes) {
  if (bytes.starts_with("\x1F\x1E"))
    return true;
  for (const char byte : bytes) {
    const auto value = static_cast<unsigned char>(byte);
    if (value < 10 || value > 125)
      return true;
  }
  return false;
}

std::optional<std::size_t> FirstIllFormed(std::u16string_view text) {
  // Most texts hold no surrogate at all: a test that vectorises first.
  char16_t any = 0;
  for (const char16_t unit : text)
    any |= static_cast<char16_t>((unit & 0xF800) == 0xD800);
  if (any == 0)
    return std::nullopt;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsHigh(text[i]) && i + 1 < text.size() && IsLow(text[i + 1])) {
      ++i;
    } else if (IsHigh(text[i]) || IsLow(text[i])) {
      return i;
    }
  }
  return std::nullopt;
}

std::size_t AnyTextFormLength(std::u16string_view text) {
  std::size_t length = kAnyTextMarker.size();
  std::size_t run = 0;
  for (const char16_t unit : text) {
    if (Direct(unit)) {
      if (run > 0)
        length += 2 + Base64Length(2 * run);
      run = 0;
      ++length;
    } else {
      ++run;
    }
  }
  if (run > 0)
    length += 2 + Base64Length(2 * run);
  return length;
}

Text AnyTextForm(std::u16string_view text) {
  Text out(AnyTextFormLength(text), u'\0');
  const auto body = std::copy(kAnyTextMarker.begin(), kAnyTextMarker.end(), out.begin());
  PutBody(&*body, text);
  return out;
}

Text AnyBytesForm(std::string_view bytes) {
  // At most 2 + ceil(8 n / 6) characters for n bytes.
  Text out(kAnyBytesMarker.size() + 2 + Base64Length(bytes.size()) + bytes.size(), u'\0');
  const auto body = std::copy(kAnyBytesMarker.begin(), kAnyBytesMarker.end(), out.begin());
  const char16_t* end = PutBody(&*body, bytes);
  out.resize(static_cast<std::size_t>(end - out.data()));
  return out;
}

std::size_t AnyTextFitting(std::u16string_view text, std::size_t limit) {
  // The form of a beginning grows with it: walk until the next character
  // would pass the limit.
  std::size_t length = kAnyTextMarker.size();
  if (length > limit)
    return 0;
  std::size_t run = 0;
  std::size_t fitting = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::size_t take = IsHigh(text[i]) && i + 1 < text.size() && IsLow(text[i + 1]) ? 2 : 1;
    std::size_t grown = 0;
    std::size_t runAfter = 0;
    if (Direct(text[i])) {
      grown = length + (run > 0 ? 2 + Base64Length(2 * run) : 0) + 1;
    } else {
      runAfter = run + take;
      grown = length + 2 + Base64Length(2 * runAfter);
    }
    if (grown > limit)
      break;
    if (Direct(text[i])) {
      length = grown;
      run = 0;
    } else {
      run = runAfter;
    }
    i += take - 1;
    fitting = i + 1;
  }
  return fitting;
}

AnyTextRead ReadAnyTextForm(std::u16string_view plain) {
  const bool isText = plain.starts_with(kAnyTextMarker);
  if (!isText && !plain.starts_with(kAnyBytesMarker))
    return {};
  const std::u16string_view body =
      plain.substr(isText ? kAnyTextMarker.size() : kAnyBytesMarker.size());
  AnyTextRead read;
  if (isText) {
    if (!ReadBody(body, read.text) || FirstIllFormed(read.text))
      return {};
    read.kind = AnyTextRead::Kind::Unicode;
  } else {
    if (!ReadBody(body, read.bytes))
      return {};
    read.kind = AnyTextRead::Kind::Bytes;
  }
  return read;
}

}  // namespace vantrel
