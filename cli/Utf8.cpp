#include "Utf8.h"

#include <cstdint>

namespace vantrel::cli {

Utf8Text DecodeUtf8(std::string_view bytes) {
  Utf8Text result;
  result.text.reserve(bytes.size());
  const std::size_t n = bytes.size();
  const auto at = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
  const auto continuation = [&](std::size_t i, std::uint8_t low = 0x80, std::uint8_t high = 0xBF) {
    return i < n && at(i) >= low && at(i) <= high;
  };
  std::size_t i = 0;
  while (i < n) {
    const std::uint8_t lead = at(i);
    if (lead < 0x80) {
      result.text.push_back(lead);
      ++i;
    } else if (lead >= 0xC2 && lead <= 0xDF && continuation(i + 1)) {
      result.text.push_back(static_cast<char16_t>(((lead & 0x1Fu) << 6) | (at(i + 1) & 0x3Fu)));
      i += 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      // The second byte's range excludes overlong forms (E0) and surrogates (ED).
      const std::uint8_t low = lead == 0xE0 ? 0xA0 : 0x80;
      const std::uint8_t high = lead == 0xED ? 0x9F : 0xBF;
      if (!continuation(i + 1, low, high) || !continuation(i + 2))
        break;
      result.text.push_back(static_cast<char16_t>(
          ((lead & 0x0Fu) << 12) | ((at(i + 1) & 0x3Fu) << 6) | (at(i + 2) & 0x3Fu)));
      i += 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      // Overlong forms (F0) and values above U+10FFFF (F4) are excluded likewise.
      const std::uint8_t low = lead == 0xF0 ? 0x90 : 0x80;
      const std::uint8_t high = lead == 0xF4 ? 0x8F : 0xBF;
      if (!continuation(i + 1, low, high) || !continuation(i + 2) || !continuation(i + 3))
        break;
      const auto value =
          static_cast<char32_t>(((lead & 0x07u) << 18) | ((at(i + 1) & 0x3Fu) << 12) |
                                ((at(i + 2) & 0x3Fu) << 6) | (at(i + 3) & 0x3Fu)) -
          0x10000;
      result.text.push_back(static_cast<char16_t>(0xD800 + (value >> 10)));
      result.text.push_back(static_cast<char16_t>(0xDC00 + (value & 0x3FF)));
      i += 4;
    } else {
      break;
    }
  }
  if (i < n)
    result.badOffset = i;
  return result;
}

std::string EncodeUtf8(const Text& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      const char32_t value = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                             (static_cast<char32_t>(text[++i]) - 0xDC00);
      out.push_back(static_cast<char>(0xF0 | (value >> 18)));
      out.push_back(static_cast<char>(0x80 | ((value >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((value >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (value & 0x3F)));
    } else if (unit < 0x80) {
      out.push_back(static_cast<char>(unit));
    } else if (unit < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (unit >> 6)));
      out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      out.push_back('?');
    } else {
      out.push_back(static_cast<char>(0xE0 | (unit >> 12)));
      out.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    }
  }
  return out;
}

std::string_view WithoutByteOrderMark(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF"))
    bytes.remove_prefix(3);
  return bytes;
}

}  // namespace vantrel::cli
