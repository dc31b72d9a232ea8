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
// - A reader drops every blank, line break and format character (the
//   Unicode White_Space and Cf characters: no-break, thin, zero-width and
//   ideographic spaces, U+2028, U+FEFF, direction marks and the like) and
//   every ">", wherever they stand, so that re-wrapped, quoted, indented or
//   joined lines read the same. In what is left, "Vantrel" (any case)
//   followed by digits and "~" opens a block; its Base64 text runs to the
//   next "~", which must open "~~end" (any case). A block whose Base64 text
//   is not canonical Base64 (the form a writer makes), holds no byte of a
//   code, or whose checksum differs is damaged; so is a "~~end" with no
//   opening marker, and a block whose version is not 1 but whose Base64
//   text is an intact version 1 block (its digit was changed on the way).
//   Text before, between and after blocks is ignored.
// - Saved mail: the reader also reads the text as quoted-printable, as
//   HTML (tags and entities), as base64 MIME parts, as UTF-16 (either byte
//   order) and as any charset that keeps ASCII as ASCII, each a view of its
//   own, and reads "%7E" as "~". A block counts only where its checksum
//   holds in some view; a damaged block that another view reads intact at
//   the same place was changed by the transport, not on its way.
// - Several blocks: blocks with the same code count once; a block whose
//   line starts with ">" is quoted, older than one that is not. With one
//   block, or one unquoted among several, that block is read; otherwise
//   none is, and the reader says how many different blocks there are.
#include <cstdint>
#include <memory>
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

// The longest input a reader takes: far above any mail.
inline constexpr std::size_t kMailSafeMaxInput = std::size_t{64} << 20;

// What a reader found in a text.
enum class MailSafeFind {
  None,     // no block: the text is decoded as a code, as it always was
  Intact,   // a block whose checksum holds: its code is in `code`
  Damaged,  // a block changed or cut on its way
  Newer,    // a block of a later version of the form than this reader knows
  Several,  // several different blocks, and none of them is the one meant
};

struct MailSafeRead {
  MailSafeFind found = MailSafeFind::None;
  ByteArray code;
  // The different blocks the text holds, from its top: each code once, and
  // each damaged block once.
  std::size_t blocks = 0;
  // No block, but the text holds the start of one cut before its first "~"
  // ("Vantre", or "Vantrel1" with no "~" after it).
  bool cutOpening = false;
};

// Reads mail-safe blocks out of an input given piece by piece, in time
// linear in its length and memory that does not grow with it: the block
// being read, and the blocks found (past 65,536 of them, or 4 MiB of their
// codes, in any one view, the input holds several).
class MailSafeReader {
 public:
  // Bytes of any charset that keeps ASCII as ASCII (UTF-8, Latin-1,
  // Windows-1252, ...), and, with utf16, UTF-16 of either byte order.
  explicit MailSafeReader(bool utf16 = true);
  ~MailSafeReader();
  MailSafeReader(const MailSafeReader&) = delete;
  MailSafeReader& operator=(const MailSafeReader&) = delete;

  void Feed(std::string_view bytes);
  // The outcome. pick = 0 chooses as the header says; pick = N takes the
  // Nth of the different blocks, counted from the top (Several's `blocks`
  // says how many there are), or none when there are fewer.
  MailSafeRead Finish(std::size_t pick = 0);

 private:
  struct Views;
  std::unique_ptr<Views> views_;
};

// Reads the blocks of a text. Never fails.
MailSafeRead ReadMailSafe(std::u16string_view text, std::size_t pick = 0);

// Reads the blocks of bytes (MailSafeReader). Never fails.
MailSafeRead ReadMailSafeBytes(std::string_view bytes, std::size_t pick = 0);

}  // namespace vantrel
