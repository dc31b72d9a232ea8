#include "Module1.h"

#include <limits>

namespace vantrel {
namespace {

std::array<std::uint8_t, 64> gBase64Chars{};
std::array<std::uint8_t, 128> gBase64Values{};
bool gTablesReady = false;

// For each position in a group of four and each byte: the character's six
// bits shifted into place in the group's 24, or kBadGroup for a character
// outside the alphabet. Derived from Base64Values with it.
constexpr std::uint32_t kBadGroup = 1U << 24;
std::array<std::array<std::uint32_t, 256>, 4> gGroupBits{};

constexpr std::uint8_t kPad = '=';
constexpr std::uint8_t kNotInAlphabet = 255;

// The codec counts in 32-bit signed integers; a text longer than that cannot
// be counted, so it is refused as an overflow rather than silently cut.
std::int32_t Count(std::size_t size) {
  if (size > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    throw OverflowError();
  }
  return static_cast<std::int32_t>(size);
}

// The byte a code unit stands for: itself when below 256, else "?".
inline std::uint8_t ByteOf(char16_t unit) {
  return unit < 256 ? static_cast<std::uint8_t>(unit) : std::uint8_t{'?'};
}

// Base64 of n bytes, read through byteAt, into out (4·⌈n/3⌉ units). Whole
// groups of three first, then the one short group with its padding; the
// output is that of encoding every group with "=" for each missing byte.
template <typename ByteAt>
void EncodeInto(const ByteAt& byteAt, std::size_t n, char16_t* out) {
  const std::uint8_t* chars = gBase64Chars.data();
  std::size_t ip = 0;
  for (; ip + 3 <= n; ip += 3, out += 4) {
    const unsigned i0 = byteAt(ip);
    const unsigned i1 = byteAt(ip + 1);
    const unsigned i2 = byteAt(ip + 2);
    out[0] = chars[i0 >> 2];
    out[1] = chars[((i0 & 3U) << 4) | (i1 >> 4)];
    out[2] = chars[((i1 & 15U) << 2) | (i2 >> 6)];
    out[3] = chars[i2 & 63U];
  }
  if (ip < n) {
    const unsigned i0 = byteAt(ip);
    const bool two = ip + 1 < n;
    const unsigned i1 = two ? byteAt(ip + 1) : 0U;
    out[0] = chars[i0 >> 2];
    out[1] = chars[((i0 & 3U) << 4) | (i1 >> 4)];
    out[2] = two ? chars[(i1 & 15U) << 2] : kPad;
    out[3] = kPad;
  }
}

// The bytes of a Base64 text of `size` units, read through byteAt, as an
// Out (ByteArray or Text). Checks run group by group; the first fault throws
// and nothing is returned.
template <typename Out, typename ByteAt>
Out DecodeFrom(const ByteAt& byteAt, std::size_t size) {
  if (!gTablesReady)
    InitCodeTables();
  const std::int32_t length = Count(size);
  if (length % 4 != 0)
    throw CodecError(CodecFault::Length);

  std::int32_t n = length;
  while (n > 0 && byteAt(static_cast<std::size_t>(n - 1)) == kPad)
    --n;

  const auto outLen = static_cast<std::size_t>((3 * std::int64_t{n}) / 4);
  // Nothing but padding: there is no byte to return, and an empty answer
  // would pass a wrong password off as an empty text.
  if (outLen == 0)
    throw CodecError(CodecFault::NoData);

  Out out(outLen, typename Out::value_type{});
  const std::uint8_t* values = gBase64Values.data();
  const auto end = static_cast<std::size_t>(n);
  std::size_t ip = 0;
  std::size_t op = 0;
  using Unit = typename Out::value_type;
  // Whole groups, before any removed padding: three bytes each. The group
  // tables give each character's six bits already in place, so a group is
  // four look-ups and one test; a fault is then sorted into range or alphabet
  // error in the order the checks are made.
  const auto& bits = gGroupBits;
  for (; ip + 4 <= end; ip += 4, op += 3) {
    const unsigned i0 = byteAt(ip);
    const unsigned i1 = byteAt(ip + 1);
    const unsigned i2 = byteAt(ip + 2);
    const unsigned i3 = byteAt(ip + 3);
    const std::uint32_t word = bits[0][i0] | bits[1][i1] | bits[2][i2] | bits[3][i3];
    if ((word & kBadGroup) != 0) {
      if ((i0 | i1 | i2 | i3) > 127)
        throw CodecError(CodecFault::Range);
      throw CodecError(CodecFault::Alphabet);
    }
    out[op] = static_cast<Unit>((word >> 16) & 255U);
    out[op + 1] = static_cast<Unit>((word >> 8) & 255U);
    out[op + 2] = static_cast<Unit>(word & 255U);
  }
  if (ip < end) {
    // The last group reaches into the removed padding. Its second character
    // is read all the same: a removed "=" there fails the alphabet check.
    // Its third and fourth count as "A", and the output is cut to outLen.
    const unsigned i0 = byteAt(ip);
    const unsigned i1 = byteAt(ip + 1);
    const unsigned i2 = ip + 2 < end ? byteAt(ip + 2) : unsigned{'A'};
    const unsigned i3 = unsigned{'A'};
    if ((i0 | i1 | i2 | i3) > 127)
      throw CodecError(CodecFault::Range);
    const unsigned b0 = values[i0];
    const unsigned b1 = values[i1];
    const unsigned b2 = values[i2];
    const unsigned b3 = values[i3];
    if ((b0 | b1 | b2 | b3) > 63)
      throw CodecError(CodecFault::Alphabet);
    out[op++] = static_cast<Unit>(((b0 << 2) | (b1 >> 4)) & 255U);
    if (op < outLen)
      out[op++] = static_cast<Unit>(((b1 << 4) | (b2 >> 2)) & 255U);
    if (op < outLen)
      out[op++] = static_cast<Unit>(((b2 << 6) | b3) & 255U);
  }
  return out;
}

}  // namespace

const char16_t* CodecErrorText(CodecFault fault) {
  switch (fault) {
    case CodecFault::Length:
      return u"Length Of Encoded Input String Is Not A Multiple of 4.";
    case CodecFault::Range:
      return u"Illegal Character In Encoded data Or Wrong Password";
    case CodecFault::Alphabet:
      return u"Illegal Character In Encoded Data Or Wrong Password";
    case CodecFault::NoData:
      break;
  }
  return u"No Data In Encoded Input String Or Wrong Password";
}

const std::array<std::uint8_t, 64>& Base64Chars = gBase64Chars;
const std::array<std::uint8_t, 128>& Base64Values = gBase64Values;
const bool& TablesReady = gTablesReady;

ByteArray TextToBytes(const Text& text) {
  ByteArray bytes(text.size());
  for (std::size_t i = 0; i < text.size(); ++i)
    bytes[i] = ByteOf(text[i]);
  return bytes;
}

Text BytesToText(const ByteArray& bytes) {
  return Text(bytes.begin(), bytes.end());
}

void InitCodeTables() {
  std::size_t v = 0;
  for (char c = 'A'; c <= 'Z'; ++c)
    gBase64Chars[v++] = static_cast<std::uint8_t>(c);
  for (char c = 'a'; c <= 'z'; ++c)
    gBase64Chars[v++] = static_cast<std::uint8_t>(c);
  for (char c = '0'; c <= '9'; ++c)
    gBase64Chars[v++] = static_cast<std::uint8_t>(c);
  gBase64Chars[62] = '+';
  gBase64Chars[63] = '/';
  gBase64Values.fill(kNotInAlphabet);
  for (std::size_t i = 0; i < gBase64Chars.size(); ++i) {
    gBase64Values[gBase64Chars[i]] = static_cast<std::uint8_t>(i);
  }
  for (std::size_t c = 0; c < 256; ++c) {
    const unsigned value = c < gBase64Values.size() ? gBase64Values[c] : kNotInAlphabet;
    for (std::size_t k = 0; k < 4; ++k) {
      gGroupBits[k][c] = value > 63 ? kBadGroup : value << (18 - 6 * k);
    }
  }
  gTablesReady = true;
}

// The text forms work on the code units directly, through the same byte
// mapping as TextToBytes, to spare the byte arrays in between.
Text EncodeText(const Text& text) {
  Text out;
  EncodeTextInto(text, out);
  return out;
}

void EncodeTextInto(const Text& text, Text& out) {
  if (!gTablesReady)
    InitCodeTables();
  Count(text.size());
  out.resize((text.size() + 2) / 3 * 4);
  // Units below 256 are their own bytes; checking that once spares the
  // mapping in the loop, which is what a command's text always meets.
  char16_t high = 0;
  for (const char16_t unit : text)
    high |= unit;
  if (high < 256) {
    EncodeInto([&](std::size_t i) { return static_cast<unsigned>(text[i]); }, text.size(),
               out.data());
  } else {
    EncodeInto([&](std::size_t i) { return ByteOf(text[i]); }, text.size(), out.data());
  }
}

Text EncodeByteArray(const ByteArray& bytes) {
  return EncodeBytes(bytes, Count(bytes.size()));
}

Text EncodeBytes(const ByteArray& bytes, std::int32_t n) {
  if (!gTablesReady)
    InitCodeTables();
  if (n < 0 || static_cast<std::size_t>(n) > bytes.size()) {
    throw Error(kSubscriptNumber, u"Subscript out of range");
  }
  const auto count = static_cast<std::size_t>(n);
  Text out((count + 2) / 3 * 4, u'\0');
  EncodeInto([&](std::size_t i) { return bytes[i]; }, count, out.data());
  return out;
}

Text DecodeText(const Text& text) {
  if (text.empty())
    return Text();
  // A text of ASCII units, as every code is, needs no byte mapping.
  char16_t high = 0;
  for (const char16_t unit : text)
    high |= unit;
  if (high < 128) {
    return DecodeFrom<Text>([&](std::size_t i) { return static_cast<unsigned>(text[i]); },
                            text.size());
  }
  return DecodeFrom<Text>([&](std::size_t i) { return ByteOf(text[i]); }, text.size());
}

ByteArray DecodeBytes(const Text& text) {
  return DecodeFrom<ByteArray>([&](std::size_t i) { return ByteOf(text[i]); }, text.size());
}

}  // namespace vantrel
