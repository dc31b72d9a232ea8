#include "Escape.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

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

bool Unescaper::Fail(std::string why) {
  if (error_.empty())
    error_ = "Invalid escaped code: " + std::move(why);
  code_.clear();
  return false;
}

bool Unescaper::Feed(std::string_view piece) {
  if (!error_.empty())
    return false;
  for (const char c : piece) {
    const std::size_t at = offset_++;
    // Blanks and line breaks are layout, even inside an escape (a mail
    // program may break a long line anywhere).
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
      continue;
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 32 || byte >= 127) {
      return Fail(Shown(c) + " at " + Position(at) +
                  " is not part of the escaped form, which is printable ASCII only.");
    }
    switch (state_) {
      case State::kPlain:
        if (c == '\\') {
          state_ = State::kEscape;
          escapeAt_ = at;
        } else {
          code_.push_back(byte);
        }
        break;
      case State::kEscape:
        if (const auto* escape = std::ranges::find(kShortEscapes, c, &ShortEscape::letter);
            escape != std::end(kShortEscapes)) {
          code_.push_back(escape->unit);
          state_ = State::kPlain;
        } else if (c == 'x' || c == 'u') {
          state_ = State::kDigits;
          kind_ = c;
          digitsLeft_ = c == 'x' ? 2 : 4;
          value_ = 0;
        } else {
          return Fail("\"\\\" followed by " + Shown(c) + " at " + Position(escapeAt_) +
                      " is not an escape; the escapes are \\\\, \\n, \\r, \\t, \\xHH and \\uHHHH.");
        }
        break;
      case State::kDigits: {
        const int v = HexValue(c);
        if (v < 0)
          return Fail(DigitsMissing());
        value_ = value_ * 16 + static_cast<unsigned>(v);
        if (--digitsLeft_ == 0) {
          code_.push_back(static_cast<char16_t>(value_));
          state_ = State::kPlain;
        }
        break;
      }
    }
  }
  return true;
}

Unescaped Unescaper::Finish() {
  if (error_.empty() && state_ == State::kEscape)
    Fail("it ends in a lone \"\\\" at " + Position(escapeAt_) + ".");
  if (error_.empty() && state_ == State::kDigits)
    Fail(DigitsMissing());
  Unescaped result;
  result.error = error_;
  if (error_.empty())
    result.code = std::move(code_);
  return result;
}

std::string Unescaper::DigitsMissing() const {
  return std::string("\"\\") + kind_ + "\" at " + Position(escapeAt_) + " needs " +
         std::to_string(kind_ == 'x' ? 2 : 4) + " hexadecimal digits.";
}

Unescaped UnescapeCode(std::string_view escaped) {
  Unescaper reader;
  reader.Feed(escaped);
  return reader.Finish();
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
