#include "Messages.h"

#include <string>

#include "AnsiCodePage.h"
#include "Form1.h"
#include "codec/Module1.h"

namespace vantrel {
namespace {

Text Decimal(long long value) {
  const std::string digits = std::to_string(value);
  return Text(digits.begin(), digits.end());
}

// How a refusal names a character the user may not be able to see.
Text NameOf(char16_t unit) {
  const std::uint8_t code = AnsiCode(unit);
  if (code == 9)
    return u"A Tab";
  if (code == 0xA0)
    return u"A no-break space";
  if (code == 0xAD)
    return u"A soft hyphen";
  if (code < 32 || code == 127 || (unit >= 0x80 && unit <= 0x9F)) {
    return u"A control character (code " + Decimal(code) + u")";
  }
  return u"The character \"" + Text(1, unit) + u"\"";
}

}  // namespace

Text Grouped(long long value) {
  Text digits = Decimal(value);
  for (auto at = static_cast<long long>(digits.size()) - 3; at > 0; at -= 3) {
    digits.insert(static_cast<std::size_t>(at), 1, u',');
  }
  return digits;
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

Message NotEncodable(char16_t unit, TextPlace place) {
  return {MsgId::NotEncodable,
          NameOf(unit) + u" at line " + Decimal(static_cast<long long>(place.line)) + u", column " +
              Decimal(static_cast<long long>(place.column)) +
              u" cannot be encoded.\r\n\r\nVantrel encodes only characters with codes 10 to 125: "
              u"letters A to Z and a to z, digits, spaces, line breaks and punctuation other "
              u"than \"~\".",
          MsgIcon::Exclamation};
}

Message ErrorReport(const Error& error) {
  return {MsgId::Fatal, u"Error " + Decimal(error.Number()) + u"\r\n\r\n" + error.Description(),
          MsgIcon::Critical};
}

}  // namespace messages
}  // namespace vantrel
