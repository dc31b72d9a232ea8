#pragma once

// Between the text of files and terminals and the text of the window's
// fields: line endings, the characters the fields can hold, and what an
// escaped code looks like.

#include <cstddef>
#include <optional>
#include <string_view>

#include "Utf8.h"

namespace vantrel::cli {

// The window types a line break as CR LF: each LF not already after a CR
// becomes CR LF.
Text WithWindowsLineEnds(Text text);
// Each CR LF becomes LF; a lone CR stays.
Text WithUnixLineEnds(Text text);

// A character of a text that only the any-text form carries (one outside
// codes 10 to 125, or the U+001F U+001E that begins the form), with its line
// and column as the window counts them (from 1; CR LF and a lone LF end a
// line).
struct OutsideCodePage {
  char32_t character;
  std::size_t line, column;
};
// The first such character of a text; nothing when it is encoded as it is.
std::optional<OutsideCodePage> FirstNeedingAnyTextForm(const Text& text);

// True when input consists of printable ASCII, blanks and line breaks, with
// at least one backslash and each a valid escape: a code in the escaped form,
// or the start of one.
bool LooksEscaped(std::string_view input);

}  // namespace vantrel::cli
