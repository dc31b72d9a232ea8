#pragma once

// The window model: everything the window does, with no toolkit.
//
// Design map
// - Fields: Text1 (plain text), Text2 (code) and Text3 (password) hold any
//   UTF-16 text, exactly as given. The shift passes read characters through
//   the Windows-1252 code page (AnsiCodePage.h), as keystrokes are counted.
// - Counters: KeySum, Pos and CharCode are 16-bit signed and never wrap; an
//   overflow is an error. KeySum is the running sum of the character codes
//   typed into Text3, reduced to its last two decimal digits (the key, 0..99)
//   whenever a shift pass starts. The key comes from keystrokes, not from the
//   password's text, and the reduction lasts. (KeyAndShift.cpp)
// - Commands (Commands.cpp): Encode turns Text1 + "." into
//   Text2 = F(B(F(Text1 + "."))), where F is the forward shift and B Base64;
//   a text with characters outside codes 10 to 125 is first written in its
//   any-text form (codec/AnyText.h), which holds only such codes. Decode
//   walks back, accepts the result only when it ends in the "." marker, and
//   reads an any-text form back into its text; Copy puts Text2 on the clipboard; Copy For Mail puts
//   it there in its mail-safe form (codec/MailSafe.h), which Decode reads back wherever it stands
//   in Text2; closing runs the slide-away. Each command checks its input first, and if it fails
//   after that, every field gets back exactly what it held before: nothing the user typed is lost.
// - Messages (Messages.h): each has an identity, a text and an icon, all
//   worded in Messages.cpp; hosts decide by the identity.
// - Host (Host.h): message boxes, clipboard, window geometry, ending the program.
// - Codec (codec/Module1.h): Base64 between the two shift passes.
// - Every handler runs inside a net (Form1.cpp): an error that leaves it,
//   which the checks leave no way to reach, goes to ErrorReport, which shows
//   it and ends the program.
//
// The binding reads the fields after each handler and before each message box.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "Host.h"

namespace vantrel {

class Error;

// Longest texts the shift passes can count in 16 bits: a pass's source holds
// at most 32,766 characters, and Encode's second source is the Base64 form
// of the plain text with its marker.
inline constexpr std::int32_t kMaxCodeLength = 32766;
inline constexpr std::int32_t kMaxPlainLength = 24572;
// The longest code Encode makes, 4 * ceil((24,572 + 1) / 3), which the
// refusal of a longer one names: Decode takes up to kMaxCodeLength
// characters, but the two lengths between are no multiple of four, which
// Base64 needs.
inline constexpr std::int32_t kLongestCode = 4 * ((kMaxPlainLength + 1 + 2) / 3);
static_assert(kLongestCode == 32764 && kMaxCodeLength - kLongestCode < 4);

class Form1 {
 public:
  explicit Form1(Host& host) : host_(host) {}

  // Field texts. Writes store the text through the code page.
  const Text& Text1() const { return text1_; }
  const Text& Text2() const { return text2_; }
  const Text& Text3() const { return text3_; }
  void SetText1(Text text);
  void SetText2(Text text);
  void SetText3(Text text);
  // Text1 := a file's bytes, for vantrel-cli --binary: bytes of codes 10 to
  // 125 are held (and encoded) as the characters of those codes, as a text
  // would be; any others are held in their any-text bytes form, which
  // Encode takes as it is and Decode leaves as it is.
  void SetText1Bytes(std::string_view bytes);

  std::int16_t KeySum() const { return keySum_; }
  std::int16_t Pos() const { return pos_; }
  std::int16_t CharCode() const { return charCode_; }

  // Handlers, called by the host for the window's events.

  // A character event in Text3, with the character's 8-bit code (0..255),
  // before the field applies it. Adds the code to KeySum; a sum that would pass 32,767
  // is reduced to the key first, which leaves the key the same.
  void Text3_KeyPress(std::int16_t keyAscii);
  // Tools > Encode: Text1 into a code in Text2.
  void Encode_Click();
  // Tools > Decode: the code in Text2 back into Text1. When Text2 holds a
  // mail-safe block, alone or inside other text, its code is decoded; a
  // damaged block, or several different blocks none of which is the only
  // unquoted one, is said as such and changes nothing.
  void Decode_Click();
  // Tools > Copy: Text2 onto the clipboard.
  void CToC_Click();
  // Tools > Copy For Mail: the code in Text2 onto the clipboard in its
  // mail-safe form, which survives mail and chat. When Text2 holds a
  // mail-safe block, the code it carries is copied.
  void CopyForMail_Click();
  // The user closes the window: it shrinks around its centre, slides off
  // towards the lower right within about half a second, and the program
  // ends.
  void Form_Unload();

  // The key step and the shift passes the commands are built from. Each pass
  // reduces KeySum to the key, then appends its source, shifted, to its
  // target: ShiftIntoCode from Text1 to Text2, ShiftIntoPlain back. They
  // throw an overflow for a source longer than 32,766 characters.
  void ReduceKey();
  void ShiftIntoCode();
  void ShiftIntoPlain();

 private:
  // What a command may change, kept to give back if it fails. Commands
  // never write Text3.
  struct Fields {
    Text text1, text2;
  };
  void RestoreFields(Fields fields);

  // Runs a handler's body inside the net that sends any error to ErrorReport.
  void Run(const std::function<void()>& body);
  void ErrorReport(const Error& error);

  // Clears the clipboard, puts text on it and confirms with copied; a busy
  // clipboard is said as such, naming the command to choose again.
  void PutOnClipboard(const Text& text, const Message& copied, bool forMail);

  // Shows the refusal of a Text1 that Encode cannot take (too long, or a
  // broken character), and says whether it did. A text that must go through
  // its any-text form (codec/AnyText.h) gets that form in `form`; other
  // texts leave it empty.
  bool RefuseUnencodable(Text& form);

  // ShiftIntoCode with text followed by tail as its source in place of
  // Text1: Encode's first pass reads the kept text and its end marker where
  // they stand, rather than a copy of them made into Text1 for that pass.
  void ShiftIntoCode(std::u16string_view text, std::u16string_view tail);

  Host& host_;
  Text text1_, text2_, text3_;
  bool text1IsBytesForm_ = false;  // Text1 holds a bytes form from SetText1Bytes
  std::int16_t keySum_ = 0;
  std::int16_t pos_ = 0;
  std::int16_t charCode_ = 0;
};

// The mail-safe form of a code field's text (codec/MailSafe.h), each
// character as its code-page byte, the lines joined by lineBreak: what Copy
// For Mail copies, and what vantrel-cli writes.
Text MailSafeFormOf(const Text& code, std::u16string_view lineBreak);

// The characters Ctrl with a key types, as Windows reports them with the US
// layout, for every binding's password field alike: `key` is the key's
// character on that layout (a letter, " ", "[", "\", "]", "^", "_"), or
// '\b', '\r' and '\x1B' for Backspace, Enter and Escape. A letter gives 1
// to 26 (Shift or not), "[" and Escape 27, "\" 28, "]" 29, "^" 30, "_" 31,
// Space 32, Backspace 127 and Enter 10 (those three nothing with Shift);
// any other key nothing.
Text ControlCharacter(char16_t key, bool shift);

// Types keys into a window's Text3 as a keyboard does, one at a time: the
// key's character event, then the field applies it. Backspace (8) deletes
// the character before it; every other key is appended as its character. A
// fresh window given the same keys has the same key as the user's.
void TypePassword(Form1& form, std::u16string_view keys);

}  // namespace vantrel
