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

// Writes the unpadded Base64 of bytes at out, and returns the end.
template <typename Bytes>
char16_t* PutBase64(char16_t* out, const Bytes& bytes) {
  std::uint32_t bits = 0;
  int held = 0;
  for (const std::uint8_t byte : bytes) {
    bits = (bits << 8) | byte;
    held += 8;
    while (held >= 6) {
      held -= 6;
      *out++ = static_cast<char16_t>(kAlphabet[(bits >> held) & 63]);
    }
  }
  if (held > 0)
    *out++ = static_cast<char16_t>(kAlphabet[(bits << (6 - held)) & 63]);
  return out;
}

// A run's bytes: UTF-16BE code units of a text, or the bytes themselves.
struct UnitBytes {
  std::u16string_view units;
  struct Iterator {
    const char16_t* at;
    bool low;
    std::uint8_t operator*() const {
      return static_cast<std::uint8_t>(low ? *at & 0xFF : *at >> 8);
    }
    Iterator& operator++() {
      at += low;
      low = !low;
      return *this;
    }
    bool operator!=(const Iterator& other) const { return at != other.at || low != other.low; }
  };
  Iterator begin() const { return {units.data(), false}; }
  Iterator end() const { return {units.data() + units.size(), false}; }
};

struct ByteView {
  std::string_view bytes;
  struct Iterator {
    const char* at;
    std::uint8_t operator*() const { return static_cast<std::uint8_t>(*at); }
    Iterator& operator++() {
      ++at;
      return *this;
    }
    bool operator!=(const Iterator& other) const { return at != other.at; }
  };
  Iterator begin() const { return {bytes.data()}; }
  Iterator end() const { return {bytes.data() + bytes.size()}; }
};

// Writes the body of the form over a sequence of units (code units or
// bytes) at out, which has room for it: direct ones as they are, each
// maximal run of others as one shifted run. Returns the end.
template <typename Unit, typename RunOf>
char16_t* PutBody(char16_t* out, std::basic_string_view<Unit> source, RunOf runOf) {
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
    out = PutBase64(out, runOf(source.substr(i, end - i)));
    *out++ = kShiftIn;
    i = end;
  }
  return out;
}

// Decodes one run's Base64 into its bytes; false when it is not exactly
// what a writer makes.
bool DecodeRun(std::u16string_view run, std::string& bytes) {
  if (run.empty() || run.size() % 4 == 1)
    return false;
  std::uint32_t bits = 0;
  int held = 0;
  for (const char16_t unit : run) {
    if (unit >= 128 || kValues[unit] == 255)
      return false;
    bits = (bits << 6) | kValues[unit];
    held += 6;
    if (held >= 8) {
      held -= 8;
      bytes.push_back(static_cast<char>((bits >> held) & 0xFF));
    }
  }
  return (bits & ((1u << held) - 1)) == 0;
}

}  // namespace

bool NeedsAnyTextForm(std::u16string_view text) {
  if (text.starts_with(kMarkerStart))
    return true;
  for (const char16_t unit : text) {
    if (unit < 10 || unit > 125)
      return true;
  }
  return false;
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
  PutBody(&*body, text, [](std::u16string_view run) { return UnitBytes{run}; });
  return out;
}

Text AnyBytesForm(std::string_view bytes) {
  // At most 2 + ceil(8 n / 6) characters for n bytes.
  Text out(kAnyBytesMarker.size() + 2 + Base64Length(bytes.size()) + bytes.size(), u'\0');
  const auto body = std::copy(kAnyBytesMarker.begin(), kAnyBytesMarker.end(), out.begin());
  const char16_t* end = PutBody(&*body, bytes, [](std::string_view run) { return ByteView{run}; });
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
  AnyTextRead read;
  const bool isText = plain.starts_with(kAnyTextMarker);
  if (!isText && !plain.starts_with(kAnyBytesMarker))
    return read;
  std::u16string_view body = plain.substr(isText ? kAnyTextMarker.size() : kAnyBytesMarker.size());
  std::string bytes;
  Text text;
  std::size_t i = 0;
  while (i < body.size()) {
    const char16_t unit = body[i];
    if (Direct(unit)) {
      if (isText)
        text.push_back(unit);
      else
        bytes.push_back(static_cast<char>(unit));
      ++i;
      continue;
    }
    if (unit != kShiftOut)
      return {};
    const std::size_t end = body.find(kShiftIn, i + 1);
    if (end == std::u16string_view::npos)
      return {};
    std::string run;
    if (!DecodeRun(body.substr(i + 1, end - i - 1), run))
      return {};
    if (isText) {
      if (run.size() % 2 != 0)
        return {};
      for (std::size_t b = 0; b < run.size(); b += 2) {
        text.push_back(static_cast<char16_t>((static_cast<unsigned char>(run[b]) << 8) |
                                             static_cast<unsigned char>(run[b + 1])));
      }
    } else {
      bytes += run;
    }
    i = end + 1;
  }
  if (isText) {
    if (FirstIllFormed(text))
      return {};
    read.kind = AnyTextRead::Kind::Unicode;
    read.text = std::move(text);
  } else {
    read.kind = AnyTextRead::Kind::Bytes;
    read.bytes = std::move(bytes);
  }
  return read;
}

}  // namespace vantrel
