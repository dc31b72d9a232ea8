#pragma once

// The escaped form of a code, for terminals, mail and chat.
//
// A code holds characters 10 to 125, control characters among them, and a
// raw ESC could drive a terminal. The escaped form is printable ASCII only
// (33 to 126), with a backslash introducing each escape:
//
//   \\  backslash        \n  line feed (10)       \r  carriage return (13)
//   \t  tab (9)          \xHH  any other code up to 255, HH in hexadecimal
//   \uHHHH  a character above 255 (never in a code made by encode)
//
// Space is written as \x20, so no raw blank belongs to the form: a reader
// ignores spaces, tabs and line breaks, and the form survives being wrapped,
// indented or trimmed by a mail program.

#include <cstddef>
#include <string>
#include <string_view>

#include "codec/Text.h"

namespace vantrel::cli {

// Line width of the escaped form the tool writes: short enough for mail, and
// for a terminal's line editor when the code is pasted back.
inline constexpr std::size_t kEscapedLineWidth = 76;

// The escaped form of any text. With a lineWidth, it is broken into lines of
// at most that many characters (joined by LF, none after the last), between
// escapes, never inside one; without, it is one line.
std::string EscapeCode(const Text& code, std::size_t lineWidth = 0);

struct Unescaped {
  Text code;
  // Why the input is not an escaped code, for the user; empty on success.
  std::string error;
};

// Reads an escaped form piece by piece, as it arrives, keeping only the
// code: memory stays at the code's size however long the input runs. Raw
// blanks and line breaks are skipped wherever they stand, inside an escape
// too; an unknown escape, an escape cut short, or a byte outside printable
// ASCII is an error that names its position (counted from 1).
class Unescaper {
 public:
  // Takes the next piece; false once the input is known not to be an
  // escaped form. An escape may be split across pieces.
  bool Feed(std::string_view piece);
  // The code so far, in characters.
  std::size_t Size() const { return code_.size(); }
  // The code, or why the whole input is not an escaped form.
  Unescaped Finish();

 private:
  bool Fail(std::string why);
  std::string DigitsMissing() const;

  enum class State { kPlain, kEscape, kDigits } state_ = State::kPlain;
  Text code_;
  std::string error_;
  std::size_t offset_ = 0;    // bytes taken so far
  std::size_t escapeAt_ = 0;  // offset of the current escape's backslash
  char kind_ = 0;             // 'x' or 'u' in kDigits
  std::size_t digitsLeft_ = 0;
  unsigned value_ = 0;
};

// The code an escaped form stands for, read in one piece.
Unescaped UnescapeCode(std::string_view escaped);

// A text as UTF-8 that is safe to show on a terminal: line feeds, tabs and
// CR LF line endings stand as they are; every other control character
// (C0, DEL and C1) is shown as \r or \xHH so that none of them reaches the
// terminal raw.
std::string TerminalSafe(const Text& text);

}  // namespace vantrel::cli
