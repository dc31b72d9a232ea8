#include "Module1.h"

#include <limits>

namespace vantrel {
namespace {

std::array<std::uint8_t, 64> gBase64Chars{};
std::array<std::uint8_t, 128> gBase64Values{};
bool gTablesReady = false;

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

}  // namespace

const std::array<std::uint8_t, 64>& Base64Chars = gBase64Chars;
const std::array<std::uint8_t, 128>& Base64Values = gBase64Values;
const bool& TablesReady = gTablesReady;

ByteArray TextToBytes(const Text& text) {
  ByteArray bytes(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    bytes[i] = unit < 256 ? static_cast<std::uint8_t>(unit) : std::uint8_t{'?'};
  }
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
  gTablesReady = true;
}

Text EncodeText(const Text& text) {
  return EncodeByteArray(TextToBytes(text));
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
  if (n == 0)
    return Text();
  // 64-bit intermediates: 4·n overflows 32 bits long before n does.
  const std::int64_t dataLen = (4 * std::int64_t{n} + 2) / 3;
  const std::int64_t outLen = ((std::int64_t{n} + 2) / 3) * 4;
  Text out(static_cast<std::size_t>(outLen), u'\0');
  std::int64_t ip = 0;
  std::int64_t op = 0;
  while (ip < n) {
    const unsigned i0 = bytes[static_cast<std::size_t>(ip++)];
    const unsigned i1 = ip < n ? bytes[static_cast<std::size_t>(ip++)] : 0U;
    const unsigned i2 = ip < n ? bytes[static_cast<std::size_t>(ip++)] : 0U;
    const unsigned o0 = i0 / 4;
    const unsigned o1 = (i0 % 4) * 16 + i1 / 16;
    const unsigned o2 = (i1 % 16) * 4 + i2 / 64;
    const unsigned o3 = i2 % 64;
    const auto at = static_cast<std::size_t>(op);
    out[at] = gBase64Chars[o0];
    out[at + 1] = gBase64Chars[o1];
    out[at + 2] = op + 2 < dataLen ? gBase64Chars[o2] : kPad;
    out[at + 3] = op + 3 < dataLen ? gBase64Chars[o3] : kPad;
    op += 4;
  }
  return out;
}

Text DecodeText(const Text& text) {
  if (text.empty())
    return Text();
  return BytesToText(DecodeBytes(text));
}

ByteArray DecodeBytes(const Text& text) {
  if (!gTablesReady)
    InitCodeTables();
  const ByteArray in = TextToBytes(text);
  const std::int32_t length = Count(in.size());
  if (length % 4 != 0)
    throw CodecError(kLengthErrorText);

  std::int32_t n = length;
  while (n > 0 && in[static_cast<std::size_t>(n - 1)] == kPad)
    --n;

  const std::int32_t outLen = static_cast<std::int32_t>((3 * std::int64_t{n}) / 4);
  // Nothing but padding: there is no byte to return, and an empty answer
  // would pass a wrong password off as an empty text.
  if (outLen == 0)
    throw CodecError(kNoDataErrorText);

  ByteArray out(static_cast<std::size_t>(outLen));
  std::int32_t ip = 0;
  std::int32_t op = 0;
  while (ip < n) {
    // The second character is read even past n: it is then a removed "=",
    // which the alphabet check below rejects. Past the padding, the third and
    // fourth count as "A".
    const unsigned i0 = in[static_cast<std::size_t>(ip)];
    const unsigned i1 = in[static_cast<std::size_t>(ip + 1)];
    const unsigned i2 = ip + 2 < n ? in[static_cast<std::size_t>(ip + 2)] : unsigned{'A'};
    const unsigned i3 = ip + 3 < n ? in[static_cast<std::size_t>(ip + 3)] : unsigned{'A'};
    ip += 4;
    if (i0 > 127 || i1 > 127 || i2 > 127 || i3 > 127)
      throw CodecError(kRangeErrorText);
    const unsigned b0 = gBase64Values[i0];
    const unsigned b1 = gBase64Values[i1];
    const unsigned b2 = gBase64Values[i2];
    const unsigned b3 = gBase64Values[i3];
    if (b0 > 63 || b1 > 63 || b2 > 63 || b3 > 63)
      throw CodecError(kAlphabetErrorText);
    out[static_cast<std::size_t>(op++)] = static_cast<std::uint8_t>(b0 * 4 + b1 / 16);
    if (op < outLen)
      out[static_cast<std::size_t>(op++)] = static_cast<std::uint8_t>((b1 % 16) * 16 + b2 / 4);
    if (op < outLen)
      out[static_cast<std::size_t>(op++)] = static_cast<std::uint8_t>((b2 % 4) * 64 + b3);
  }
  return out;
}

}  // namespace vantrel
