#include "Messages.h"

#include <string>

#include "Form1.h"
#include "codec/Module1.h"

namespace vantrel {
namespace {

Text Decimal(long long value) {
  const std::string digits = std::to_string(value);
  return Text(digits.begin(), digits.end());
}

}  // namespace

Text Grouped(long long value) {
  Text digits = Decimal(value);
  for (auto at = static_cast<long long>(digits.size()) - 3; at > 0; at -= 3) {
    digits.insert(static_cast<std::size_t>(at), 1, u',');
  }
  return digits;
}

std::size_t CharacterCount(std::u16string_view text) {
  std::size_t count = text.size();
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] >= 0xD800 && text[i] <= 0xDBFF && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      --count;
      ++i;
    }
  }
  return count;
}

TextPlace PlaceIn(const Text& text, std::size_t index) {
  TextPlace place{1, 1};
  for (std::size_t i = 0; i < index && i < text.size(); ++i) {
    if (text[i] == u'\n') {
      ++place.line;
      place.column = 1;
    } else if (!(text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')) {
      ++place.column;
    }
  }
  return place;
}

namespace messages {

// The commands' own messages, spelt and spaced exactly as the user has
// always seen them.
Message NeedPassword() {
  return {MsgId::NeedPassword, u"Enter Password Frist", MsgIcon::Critical};
}
Message NeedText() {
  return {MsgId::NeedText, u"Enter Txt Frist", MsgIcon::Critical};
}
Message NeedCode() {
  return {MsgId::NeedCode, u"Enter Code Frist", MsgIcon::Critical};
}
Message WrongPassword() {
  return {MsgId::WrongPassword, u" Wrong Password ", MsgIcon::None};
}
Message NothingToCopy() {
  return {MsgId::NothingToCopy, u" Nothing To Copy  ", MsgIcon::Exclamation};
}
Message Copied() {
  return {MsgId::Copied, u" Your Encoded Txt \r\n\r\n Has Been Copyed To Clipboard ",
          MsgIcon::Information};
}

// The messages of the mail-safe form and of a busy clipboard.
Message CopiedForMail() {
  return {MsgId::CopiedForMail,
          u"The code has been copied to the clipboard in its mail-safe form.\r\n\r\nPaste it "
          u"into a mail or a chat message: Vantrel reads it back even when its lines are "
          u"re-wrapped or quoted, or other text stands around it.",
          MsgIcon::Information};
}
Message ClipboardBusy(bool forMail) {
  return {MsgId::ClipboardBusy,
          Text(u"The clipboard is in use by another program; choose ") +
              (forMail ? u"Copy For Mail" : u"Copy") + u" again.",
          MsgIcon::Exclamation};
}
Message Damaged() {
  return {MsgId::Damaged,
          u"The code was changed on its way to you: ask for it again.\r\n\r\nIts mail-safe "
          u"form is damaged or cut short, so it cannot be decoded; the password is not to blame.",
          MsgIcon::Exclamation};
}
Message NewerForm() {
  return {MsgId::NewerForm,
          u"This code was made by a newer version of Vantrel: update Vantrel to decode it.",
          MsgIcon::Exclamation};
}

Message PasswordNotTyped() {
  return {MsgId::NotTyped,
          u"The password must be typed.\r\n\r\nVantrel makes its key from the keys you press "
          u"in the password field, so a password filled in by the browser, dropped there or "
          u"picked from suggestions would give a key that ignores it. It has been taken out of "
          u"the field: type the password.",
          MsgIcon::Exclamation};
}

Message Oversized(bool fromLink, std::size_t length, std::size_t longest) {
  return {MsgId::Oversized,
          Text(fromLink ? u"The code in this link is too long: it was not opened."
                        : u"The pasted text is too long for the code field: it was not pasted.") +
              u"\r\n\r\nA code, even in its mail-safe form, has at most " +
              Grouped(static_cast<long long>(longest)) + u" characters; this " +
              (fromLink ? u"link" : u"text") + u" has " + Grouped(static_cast<long long>(length)) +
              u".",
          MsgIcon::Exclamation};
}

Message SeveralCodes(std::size_t count, bool forMail) {
  return {MsgId::SeveralCodes,
          u"This text holds " + Grouped(static_cast<long long>(count)) +
              u" different codes, and none of them stands out as the newest, so nothing was "
              u"decoded.\r\n\r\nPaste only the code you want into the code field and choose " +
              (forMail ? u"Copy For Mail" : u"Decode") + u" again.",
          MsgIcon::Exclamation};
}

Message CodecFailure(const CodecError& error) {
  return {MsgId::CodecError, error.Description(), MsgIcon::Critical};
}

// The refusals of what the commands cannot handle: each says what is wrong
// and what would be accepted.
Message TooLongToEncode(std::size_t length) {
  return {MsgId::TooLong,
          u"The text is too long to encode.\r\n\r\nVantrel encodes at most " +
              Grouped(static_cast<long long>(kMaxPlainLength)) + u" characters; this text has " +
              Grouped(static_cast<long long>(length)) + u".",
          MsgIcon::Exclamation};
}

Message TooLongToDecode(std::size_t length) {
  return {MsgId::TooLong,
          u"The code is too long to decode.\r\n\r\nA code has at most " +
              Grouped(static_cast<long long>(kLongestCode)) + u" characters; this one has " +
              Grouped(static_cast<long long>(length)) + u".",
          MsgIcon::Exclamation};
}

Message TooLongToEncode(std::size_t length, std::size_t fitting) {
  return {MsgId::TooLong,
          u"The text is too long to encode.\r\n\r\nA code holds at most " +
              Grouped(static_cast<long long>(kMaxPlainLength)) +
              u" characters with codes 10 to 125, and fewer of any others: of this text, the "
              u"first " +
              Grouped(static_cast<long long>(fitting)) + u" characters fit; it has " +
              Grouped(static_cast<long long>(length)) + u".",
          MsgIcon::Exclamation};
}

Message IllFormed(char16_t unit, TextPlace place) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  Text code = u"U+";
  for (int shift = 12; shift >= 0; shift -= 4)
    code.push_back(kHex[(unit >> shift) & 0xF]);
  return {MsgId::IllFormed,
          u"The text holds a broken character at line " +
              Decimal(static_cast<long long>(place.line)) + u", column " +
              Decimal(static_cast<long long>(place.column)) + u": half of a surrogate pair (" +
              code +
              u") whose other half is missing, so it cannot be encoded.\r\n\r\nDelete it, or "
              u"copy the text again from where it came, then choose Encode.",
          MsgIcon::Exclamation};
}

Message ErrorReport(const Error& error) {
  return {MsgId::Fatal, u"Error " + Decimal(error.Number()) + u"\r\n\r\n" + error.Description(),
          MsgIcon::Critical};
}

}  // namespace messages
}  // namespace vantrel
