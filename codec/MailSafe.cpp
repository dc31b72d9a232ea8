#include "MailSafe.h"

#include <algorithm>
#include <array>
#include <utility>

namespace vantrel {
namespace {

constexpr std::u16string_view kOpening = u"vantrel";
constexpr std::u16string_view kVersion = u"1";
constexpr std::u16string_view kClosing = u"~~end";

constexpr std::array<std::uint32_t, 256> kCrcTable = [] {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int bit = 0; bit < 8; ++bit)
      c = (c & 1U) != 0 ? 0xEDB88320U ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}();

// What transports add to text or take away from it without meaning to:
// line breaks, blanks of every kind, and quote marks.
bool Ignorable(char16_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == u' ' || c == u'>' || c == 0xA0 ||
         (c >= 0x2000 && c <= 0x200B) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
         c == 0x3000 || c == 0xFEFF;
}

char16_t Lower(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool StartsWithNoCase(std::u16string_view text, std::size_t at, std::u16string_view lower) {
  if (text.size() - at < lower.size())
    return false;
  for (std::size_t i = 0; i < lower.size(); ++i) {
    if (Lower(text[at + i]) != lower[i])
      return false;
  }
  return true;
}

std::size_t FindNoCase(std::u16string_view text, std::u16string_view lower, std::size_t from) {
  for (std::size_t at = from; at < text.size(); ++at) {
    if (StartsWithNoCase(text, at, lower))
      return at;
  }
  return std::u16string_view::npos;
}

bool Digit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

}  // namespace

std::uint32_t Crc32(const ByteArray& bytes) {
  std::uint32_t crc = 0xFFFFFFFFU;
  for (const std::uint8_t byte : bytes)
    crc = kCrcTable[(crc ^ byte) & 0xFFU] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFU;
}

Text MailSafeForm(const ByteArray& code, std::u16string_view lineBreak) {
  ByteArray bytes = code;
  const std::uint32_t crc = Crc32(code);
  for (const int shift : {24, 16, 8, 0})
    bytes.push_back(static_cast<std::uint8_t>(crc >> shift));
  const Text base64 = EncodeByteArray(bytes);
  const Text opening = u"Vantrel" + Text(kVersion) + u"~";

  Text out;
  std::size_t column = 0;
  // Adds a piece that stays on one line, starting a new line first when the
  // piece would pass the line width.
  const auto put = [&](std::u16string_view piece) {
    if (column > 0 && column + piece.size() > kMailSafeLineWidth) {
      out += lineBreak;
      column = 0;
    }
    out += piece;
    column += piece.size();
  };
  if (opening.size() + base64.size() + kClosing.size() <= kMailSafeLineWidth) {
    return opening + base64 + Text(kClosing);
  }
  put(opening);
  for (std::size_t at = 0; at < base64.size();) {
    const std::size_t room = kMailSafeLineWidth - column;
    const std::size_t take = std::min(room == 0 ? kMailSafeLineWidth : room, base64.size() - at);
    put(std::u16string_view(base64).substr(at, take));
    at += take;
  }
  put(kClosing);
  return out;
}

MailSafeRead ReadMailSafe(std::u16string_view text) {
  Text kept;
  kept.reserve(text.size());
  for (const char16_t c : text) {
    if (!Ignorable(c))
      kept.push_back(c);
  }
  const std::u16string_view s = kept;

  // The opening marker: "Vantrel", the version's digits, "~".
  std::size_t start = std::u16string_view::npos;
  std::u16string_view version;
  for (std::size_t at = FindNoCase(s, kOpening, 0); at != std::u16string_view::npos;
       at = FindNoCase(s, kOpening, at + 1)) {
    std::size_t end = at + kOpening.size();
    while (end < s.size() && Digit(s[end]))
      ++end;
    if (end > at + kOpening.size() && end < s.size() && s[end] == u'~') {
      version = s.substr(at + kOpening.size(), end - at - kOpening.size());
      start = end + 1;
      break;
    }
  }
  if (start == std::u16string_view::npos) {
    // A closing marker alone is a block whose opening was changed.
    return {FindNoCase(s, kClosing, 0) == std::u16string_view::npos ? MailSafeFind::None
                                                                    : MailSafeFind::Damaged,
            {}};
  }
  if (version != kVersion)
    return {MailSafeFind::Newer, {}};

  const MailSafeRead damaged{MailSafeFind::Damaged, {}};
  const std::size_t end = s.find(u'~', start);
  if (end == std::u16string_view::npos || !StartsWithNoCase(s, end, kClosing))
    return damaged;
  const Text base64(s.substr(start, end - start));
  ByteArray bytes;
  try {
    bytes = DecodeBytes(base64);
  } catch (const CodecError&) {
    return damaged;
  }
  // Only the writer's own form: the decoder also takes padding it would
  // not write, and bits past the last byte that it ignores.
  if (bytes.size() <= 4 || EncodeByteArray(bytes) != base64)
    return damaged;
  std::uint32_t crc = 0;
  for (std::size_t i = bytes.size() - 4; i < bytes.size(); ++i)
    crc = crc << 8 | bytes[i];
  bytes.resize(bytes.size() - 4);
  if (Crc32(bytes) != crc)
    return damaged;
  return {MailSafeFind::Intact, std::move(bytes)};
}

}  // namespace vantrel
