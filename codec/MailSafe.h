#pragma once

// The mail-safe form of a code: the same bytes as a block of letters,
// digits and "+", "/", "=" and "~", which mail programs, chat apps, word
// processors and web forms pass on unchanged, and which carries a checksum,
// so that a block changed on its way is told apart from a wrong password.
//
//   Vantrel1~<Base64 of the code's bytes followed by their CRC-32>~~end
//
// - "Vantrel1~" opens a block: the word "Vantrel", the form's version (1)
//   and "~". No code holds "~" (codes run from 10 to 125), so a reader tells
//   a block from a code without guessing. "~~end" closes it.
// - Between them stands standard Base64 (RFC 4648: "A"-"Z", "a"-"z",
//   "0"-"9", "+", "/", "=" padding) of the code's bytes (each character's
//   Windows-1252 code) followed by four bytes: the CRC-32 of the code's
//   bytes, most significant byte first.
// - A writer puts the block on one line when it has at most 76 characters,
//   else on lines of at most 76, breaking only inside the Base64 text or
//   before "~~end".
// - A reader first drops every blank and line break (and no-break spaces
//   and the like) and every ">", wherever they stand, so that re-wrapped,
//   quoted, indented or joined lines read the same. In what is left it
//   looks for the first "Vantrel" (any case) followed by digits and "~";
//   the Base64 text runs from there to the next "~", which must open
//   "~~end" (any case). A block whose Base64 text is not canonical Base64
//   (the form a writer makes), holds no byte of a code, or whose
//   checksum differs is damaged; so is text that holds "~~end" but no
//   opening marker. Text before and after the block is ignored.

#include <cstdint>
#include <string_view>

#include "Module1.h"

namespace vantrel {

// The longest line a writer makes: mail programs leave such lines alone.
inline constexpr std::size_t kMailSafeLineWidth = 76;

// CRC-32 as zlib, gzip and PNG compute it: the reflected polynomial
// 0xEDB88320, starting from and finally inverted with 0xFFFFFFFF.
std::uint32_t Crc32(const ByteArray& bytes);

// The mail-safe form of a code's bytes, its lines joined by lineBreak, with
// no line break at its end.
Text MailSafeForm(const ByteArray& code, std::u16string_view lineBreak);

// What a reader found in a text.
enum class MailSafeFind {
  None,     // no block: the text is decoded as a code, as it always was
  Intact,   // a block whose checksum holds: its code is in `code`
  Damaged,  // a block changed or cut on its way
  Newer,    // a block of a later version of the form than this reader knows
};

struct MailSafeRead {
  MailSafeFind found = MailSafeFind::None;
  ByteArray code;
};

// Reads the first mail-safe block in text, wherever it stands. Never fails.
MailSafeRead ReadMailSafe(std::u16string_view text);

}  // namespace vantrel
