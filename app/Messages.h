#pragma once

// Everything the window says to the user: each message's identity, its
// wording and its icon, all defined in Messages.cpp.
//
// A host decides by the identity, never by the wording: the window shows
// the text with its icon, the command-line tool turns the identity into an
// exit status and a sentence of its own.

#include <cstddef>
#include <string_view>

#include "codec/Text.h"

namespace vantrel {

class Error;
class CodecError;

enum class MsgIcon { None, Critical, Exclamation, Information };

// What a message means.
enum class MsgId {
  NeedPassword,   // a command needs a password first
  NeedText,       // Encode needs a text first
  NeedCode,       // Decode needs a code first
  WrongPassword,  // the decoded text lacks its end marker
  CodecError,     // the code is no Base64 once shifted back: damaged, or a wrong password
  TooLong,        // the text or code is longer than the commands can count
  IllFormed,      // the text holds half of a surrogate pair, which no code can carry
  NothingToCopy,  // Copy or Copy For Mail with an empty code field
  Copied,         // Copy succeeded
  CopiedForMail,  // Copy For Mail succeeded
  ClipboardBusy,  // another program held the clipboard: nothing was copied
  Damaged,        // a mail-safe code was changed or cut on its way
  NewerForm,      // a mail-safe code of a later form than this program reads
  NotTyped,       // the password field got text no key typed (a browser filled it in)
  Oversized,      // a link or a paste is longer than any code's mail-safe form
  SeveralCodes,   // the text holds several different mail-safe codes: none was taken
  Fatal,          // the error report: an error left a handler, and the program ends
};

struct Message {
  MsgId id;
  Text text;
  MsgIcon icon;
  bool operator==(const Message&) const = default;
};

// Where a character of a field's text stands as the field shows it, both
// counted from 1: CR LF and a lone LF end a line; a lone CR is a character
// of its line.
struct TextPlace {
  std::size_t line, column;
};
TextPlace PlaceIn(const Text& text, std::size_t index);

// The characters of a text, a surrogate pair counted as one.
std::size_t CharacterCount(std::u16string_view text);

// A count as messages give it, in groups of three digits: 24572 as "24,572".
Text Grouped(long long value);

// The window's caption, also the title of every message box.
inline constexpr char16_t kCaption[] = u"Vantrel";

namespace messages {

Message NeedPassword();
Message NeedText();
Message NeedCode();
Message WrongPassword();
Message NothingToCopy();
Message Copied();
Message CopiedForMail();
// The clipboard stayed busy; the user is told to choose the command again,
// Copy For Mail when forMail is set, else Copy.
Message ClipboardBusy(bool forMail);
Message Damaged();
Message NewerForm();
// Text reached the password field without keystrokes (a browser filled it
// in, it was dropped there…): it counts nothing, and the user must type it.
Message PasswordNotTyped();
// A link's code (fromLink) or text pasted into the code field, of `length`
// characters, is longer than the longest code's mail-safe form (`longest`):
// refused before it is read.
Message Oversized(bool fromLink, std::size_t length, std::size_t longest);
// The text holds `count` different mail-safe codes and none stands out as
// the one meant; the user is told to paste only that one and choose the
// command again, Copy For Mail when forMail is set, else Decode.
Message SeveralCodes(std::size_t count, bool forMail);
// A codec failure: its description, as the decoder words it.
Message CodecFailure(const CodecError& error);
// A text of `length` characters is past the longest Encode takes.
Message TooLongToEncode(std::size_t length);
// A text with characters outside codes 10 to 125, of `length` characters,
// whose first `fitting` characters would fit in a code.
Message TooLongToEncode(std::size_t length, std::size_t fitting);
// A code of `length` characters is past the longest Decode takes.
Message TooLongToDecode(std::size_t length);
// An unpaired surrogate in a text, and where it stands.
Message IllFormed(char16_t unit, TextPlace place);
// The error report: the error's number and description.
Message ErrorReport(const Error& error);

}  // namespace messages
}  // namespace vantrel
