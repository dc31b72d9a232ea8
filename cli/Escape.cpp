#include "Escape.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

#include "Utf8.h"

namespace vantrel::cli {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// The escapes of one letter, used both ways: the letter after the backslash
// and the character it stands for.
struct ShortEscape {
  char letter;
  char16_t unit;
};
constexpr ShortEscape kShortEscapes[] = {{'\\', u'\\'}, {'n', u'\n'}, {'r', u'\r'}, {'t', u'\t'}};

void AppendHex(std::string& out, unsigned value, int digits) {
  for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
    out.push_back(kHexDigits[(value >> shift) & 0xFu]);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

std::string Position(std::size_t index) {
  return "position " + std::to_string(index + 1);
}

// A byte as the error messages show it: itself when printable, else in hex.
std::string Shown(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte > 32 && byte < 127)
    return std::string("\"") + c + "\"";
  std::string hex = "byte 0x";
  AppendHex(hex, byte, 2);
  return hex;
}

}  // namespace

std::string EscapeCode(const Text& code, std::size_t lineWidth) {
  std::string out;
  out.reserve(code.size() + code.size() / 4);
  std::size_t lineStart = 0;
  std::string piece;
  for (const char16_t unit : code) {
    piece.clear();
    if (const auto* escape = std::ranges::find(kShortEscapes, unit, &ShortEscape::unit);
        escape != std::end(kShortEscapes)) {
      piece = {'\\', escape->letter};
    } else if (unit > 32 && unit < 127) {
      piece.push_back(static_cast<char>(unit));
    } else if (unit <= 0xFF) {
      piece = "\\x";
      AppendHex(piece, unit, 2);
    } else {
      piece = "\\u";
      AppendHex(piece, unit, 4);
    }
    if (lineWidth > 0 && out.size() > lineStart &&
        out.size() - lineStart + piece.size() > lineWidth) {
      out.push_back('\n');
      lineStart = out.size();
    }
    out += piece;
  }
  return out;
}

Unescaped UnescapeCode(std::string_view escaped) {
  Unescaped result;
  const auto fail = [&](std::string why) {
    result.code.clear();
    result.error = "Invalid escaped code: " + std::move(why);
    return result;
  };
  // Blanks and line breaks are layout, even inside an escape (a mail program
  // may break a long line anywhere); the rest is kept with its position.
  std::string kept;
  std::vector<std::size_t> positions;
  for (std::size_t i = 0; i < escaped.size(); ++i) {
    const char c = escaped[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
      continue;
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 32 || byte >= 127) {
      return fail(Shown(c) + " at " + Position(i) +
                  " is not part of the escaped form, which is printable ASCII only.");
    }
    kept.push_back(c);
    positions.push_back(i);
  }
  const std::size_t n = kept.size();
  for (std::size_t i = 0; i < n; ++i) {
    const char c = kept[i];
    if (c != '\\') {
      result.code.push_back(static_cast<unsigned char>(c));
      continue;
    }
    if (i + 1 == n)
      return fail("it ends in a lone \"\\\" at " + Position(positions[i]) + ".");
    const char kind = kept[i + 1];
    if (const auto* escape = std::ranges::find(kShortEscapes, kind, &ShortEscape::letter);
        escape != std::end(kShortEscapes)) {
      result.code.push_back(escape->unit);
      ++i;
      continue;
    }
    switch (kind) {
      case 'x':
      case 'u': {
        const std::size_t digits = kind == 'x' ? 2 : 4;
        unsigned value = 0;
        for (std::size_t d = 0; d < digits; ++d) {
          const int v = i + 2 + d < n ? HexValue(kept[i + 2 + d]) : -1;
          if (v < 0) {
            return fail(std::string("\"\\") + kind + "\" at " + Position(positions[i]) + " needs " +
                        std::to_string(digits) + " hexadecimal digits.");
          }
          value = value * 16 + static_cast<unsigned>(v);
        }
        result.code.push_back(static_cast<char16_t>(value));
        i += 1 + digits;
        continue;
      }
      default:
        return fail("\"\\\" followed by " + Shown(kind) + " at " + Position(positions[i]) +
                    " is not an escape; the escapes are \\\\, \\n, \\r, \\t, \\xHH and \\uHHHH.");
    }
  }
  return result;
}

std::string TerminalSafe(const Text& text) {
  Text shown;
  shown.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    const bool lineEnd = unit == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n';
    const bool control = unit < 32 || (unit >= 0x7F && unit <= 0x9F);
    if (!control || unit == u'\n' || unit == u'\t' || lineEnd) {
      shown.push_back(unit);
    } else if (unit == u'\r') {
      shown += u"\\r";
    } else {
      std::string hex = "\\x";
      AppendHex(hex, unit, 2);
      shown.append(hex.begin(), hex.end());
    }
  }
  return EncodeUtf8(shown);
}

}  // namespace vantrel::cli
