#pragma once

// The any-text form: how a code carries a text that holds characters other
// than those with codes 10 to 125 (accents, curly quotes, tabs, every script,
// emoji), or a file's bytes.
//
// A code is made from a plain text whose characters all have codes 10 to
// 125. A text of that kind is encoded as it is, so every code made before
// this form existed is made the same way now. Any other text is first
// written as a plain text P' of that kind:
//
//   P' = marker + body
//
// - The text marker is U+001F U+001E "This text needs a newer Vantrel." CR LF;
//   the bytes marker (a file encoded with vantrel-cli --binary) is U+001F
//   U+001E "This file needs a newer vantrel-cli decode --binary." CR LF. No
//   keyboard types U+001F U+001E into a field, and an older copy of Vantrel
//   decodes P' without an error and shows the marker's words.
// - The body keeps every character with a code from 10 to 125 other than
//   U+000E and U+000F as it is ("direct" characters). Each maximal run of
//   other characters is written as U+000E (shift out), the Base64 (RFC 4648
//   alphabet, no "=" padding) of the run's UTF-16BE code units, or of its
//   bytes in the bytes form, and U+000F (shift in).
//
// A text of direct characters only that begins with U+001F U+001E is also
// written in the form, so that no text can be mistaken for one in the form.
//
// A reader takes P' as the form only when it begins with a marker and the
// rest is well formed: direct characters, and runs closed by U+000F whose
// Base64 has no "=", a length that is not 1 more than a multiple of 4, and
// fewer than six bits, all zero, after the last whole unit (an even number
// of bytes in the text form); the text it decodes to must be well-formed
// UTF-16. A run may hold characters a writer would have written directly;
// they read as themselves. Anything else is shown as it is.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "Text.h"

namespace vantrel {

inline constexpr std::u16string_view kAnyTextMarker =
    u"\x1F\x1E"
    u"This text needs a newer Vantrel.\r\n";
inline constexpr std::u16string_view kAnyBytesMarker =
    u"\x1F\x1E"
    u"This file needs a newer vantrel-cli decode --binary.\r\n";

// True when text must be written in the form: it holds a code unit outside
// 10..125, or begins with U+001F U+001E.
bool NeedsAnyTextForm(std::u16string_view text);
// The same for bytes.
bool NeedsAnyBytesForm(std::string_view bytes);

// The index of the first unpaired surrogate in text, which no form can
// carry; nothing when text is well-formed UTF-16.
std::optional<std::size_t> FirstIllFormed(std::u16string_view text);

// The length of AnyTextForm(text), without making it. text must be
// well-formed.
std::size_t AnyTextFormLength(std::u16string_view text);
// P' for a well-formed text: the text marker and the body.
Text AnyTextForm(std::u16string_view text);
// P' for bytes: the bytes marker and the body.
Text AnyBytesForm(std::string_view bytes);

// The longest beginning of text, in code units and never splitting a
// surrogate pair, whose form (AnyTextForm) has at most `limit` characters.
std::size_t AnyTextFitting(std::u16string_view text, std::size_t limit);

// What a decoded plain text holds.
struct AnyTextRead {
  enum class Kind { Plain, Unicode, Bytes };
  Kind kind = Kind::Plain;
  Text text;          // the text, for Kind::Unicode
  std::string bytes;  // the bytes, for Kind::Bytes
};
// Reads plain as the form when it is one; else Kind::Plain (plain is then
// shown as it is, and nothing is copied).
AnyTextRead ReadAnyTextForm(std::u16string_view plain);

}  // namespace vantrel
