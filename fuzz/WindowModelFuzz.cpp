// The window model driven by a random user: keystrokes into the password
// field, text pasted or edited into any field, and the commands, in any
// order. After every action the model must have kept its promises: no error
// reaches the error report, a failed command leaves every field as it was, a
// code has its length and its characters, an accepted text (any text, in its
// any-text form where it needs one) comes back, every field holds exactly
// what it was given, a decoded text is never broken, and the key is the sum
// of the codes typed so far.
//
// Kept fast, so that long campaigns go deep:
// - texts stay short: a paste adds at most 255 units and repeating a field
//   stops at kShortField; only a rare form of Grow brings a field to the
//   lengths around the commands' limits;
// - every input has a budget of field text it may have the model handle
//   (kWorkBudget); what is left of the input when it is spent is not run;
// - each check looks only at what the action can have changed, and the
//   code-page look-ups go through a table;
// - the snapshot buffers keep their storage from one action to the next, and
//   the host keeps the last message rather than all of them. Nothing outlives
//   an input: libFuzzer reruns any input that leaves memory behind.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "FuzzInput.h"
#include "app/AnsiCodePage.h"
#include "app/Form1.h"
#include "app/Host.h"
#include "codec/AnyText.h"
#include "codec/MailSafe.h"

namespace {

using vantrel::Form1;
using vantrel::Message;
using vantrel::MsgIcon;
using vantrel::MsgId;
using vantrel::Text;
using vantrel::fuzz::ByteReader;
using vantrel::fuzz::Require;

constexpr auto kMaxPlain = static_cast<std::size_t>(vantrel::kMaxPlainLength);
constexpr auto kMaxCode = static_cast<std::size_t>(vantrel::kMaxCodeLength);

// Repeating a field's text stops here: long enough for every shape of text
// and code, short enough to keep the model fast.
constexpr std::size_t kShortField = 1024;
// The Grow operand that picks one of kLimitLengths instead; any other value
// repeats the text a few times.
constexpr unsigned kToLimit = 0xB7;
// Each side of both limits: the longest text Encode takes and the longest code
// Decode takes. The last two are the lengths a shift pass cannot count.
constexpr std::array<std::size_t, 8> kLimitLengths = {
    kMaxPlain - 1, kMaxPlain, kMaxPlain + 1, kMaxCode - 2,
    kMaxCode - 1,  kMaxCode,  kMaxCode + 1,  kMaxCode + 2,
};
constexpr std::size_t kMaxField = kMaxCode + 2;
// A password this long is cut to half before the next keystroke, as a user
// selects and cuts with the mouse (no key event, so the key stays). Only its
// emptiness counts, and every keystroke copies the whole field.
constexpr std::size_t kMaxPassword = 64;
// Field text handled per input, counted as the three fields' lengths after
// each action: room for four actions on texts at the limits, and more than an
// input of ordinary texts uses.
constexpr std::size_t kWorkBudget = 1 << 17;

// The code page's codes as a table over every code unit, filled from
// AnsiCode once: a look-up per unit.
struct CodePage {
  std::array<std::uint8_t, 0x10000> code{};
  CodePage() {
    for (std::size_t unit = 0; unit < code.size(); ++unit)
      code[unit] = vantrel::AnsiCode(static_cast<char16_t>(unit));
  }
};
const CodePage& Page() {
  static const CodePage page;
  return page;
}

// The length of the plain text Encode makes its code from: the text itself,
// or its any-text form; none for a text no form can carry (half of a
// surrogate pair).
std::optional<std::size_t> EncodedLength(const Text& plain) {
  if (!vantrel::NeedsAnyTextForm(plain))
    return plain.size();
  if (vantrel::FirstIllFormed(plain))
    return std::nullopt;
  return vantrel::AnyTextFormLength(plain);
}

bool InShiftRange(const Text& code) {
  bool inside = true;
  for (const char16_t unit : code)
    inside &= unit >= 10 && unit <= 125;
  return inside;
}

// Texts compared with memcmp: a string's own comparison walks them unit by
// unit, counted at every step.
bool Same(const Text& a, const Text& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(char16_t)) == 0;
}

// Only a text with a "~" can hold a mail-safe block; no code does.
// The message with which a command refuses a field whose mail-safe blocks
// cannot be read (damaged, of a later form, several different codes), as
// the reader sees them; nothing for any other field.
std::optional<Message> RefusalOf(const vantrel::MailSafeRead& read, bool forMail) {
  switch (read.found) {
    case vantrel::MailSafeFind::Damaged:
      return vantrel::messages::Damaged();
    case vantrel::MailSafeFind::Newer:
      return vantrel::messages::NewerForm();
    case vantrel::MailSafeFind::Several:
      return vantrel::messages::SeveralCodes(read.blocks, forMail);
    default:
      return std::nullopt;
  }
}

bool StartsWith(const Text& text, const Text& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// The fixed messages, made once.
struct Known {
  Message needPassword = vantrel::messages::NeedPassword();
  Message needText = vantrel::messages::NeedText();
  Message needCode = vantrel::messages::NeedCode();
  Message wrongPassword = vantrel::messages::WrongPassword();
  Message nothingToCopy = vantrel::messages::NothingToCopy();
  Message copied = vantrel::messages::Copied();
  Message copiedForMail = vantrel::messages::CopiedForMail();
  Message damaged = vantrel::messages::Damaged();
  Message newerForm = vantrel::messages::NewerForm();
};
const Known& Messages() {
  static const Known known;
  return known;
}

// A host that keeps what the checks read: how many messages the current
// action showed, the last one, and the clipboard. Every message is checked
// for the error report as it is shown, and ending the program is a finding
// at once, so nothing needs to be kept for later.
class CheckingHost final : public vantrel::WindowlessHost {
 public:
  void MsgBox(const Message& message) override {
    Require(message.id != MsgId::Fatal &&
                !(message.icon == MsgIcon::Critical && StartsWith(message.text, u"Error ")),
            "an error reached the error report");
    ++shown;
    last = message;
  }
  void ClipboardClear() override {
    hasClipboard = false;
    clipboard.clear();
  }
  void ClipboardSetText(const Text& text) override {
    clipboard = text;
    hasClipboard = true;
  }
  void End() override { Require(false, "the program ended"); }

  void Reset() {
    shown = 0;
    ClipboardClear();
  }

  std::size_t shown = 0;  // since the counter was last taken
  Message last{MsgId::Copied, Text(), MsgIcon::None};
  Text clipboard;
  bool hasClipboard = false;
};

// The three fields as they stood before an action, in buffers that keep
// their storage from one action to the next.
struct Fields {
  Text text1, text2, text3;
  void Take(const Form1& form) {
    text1.assign(form.Text1());
    text2.assign(form.Text2());
    text3.assign(form.Text3());
  }
  bool Match(const Form1& form) const {
    return Same(text1, form.Text1()) && Same(text2, form.Text2()) && Same(text3, form.Text3());
  }
};

class Session {
 public:
  void Run(ByteReader& in) {
    std::size_t work = 0;
    while (!in.AtEnd() && work < kWorkBudget) {
      switch (in.Byte() % 8) {
        case 0:
          TypeKey(in.Byte());
          break;
        case 1:
          for (int keys = in.Byte() % 16 + 1; keys > 0; --keys)
            TypeKey(in.Byte());
          break;
        case 2:
          Paste(in);
          break;
        case 3:
          Grow(in);
          break;
        case 4:
          Encode();
          break;
        case 5:
          Decode();
          break;
        case 6:
          Copy();
          break;
        default:
          Edit(in);
          break;
      }
      CheckAlways();
      work += form().Text1().size() + form().Text2().size() + form().Text3().size() + 1;
    }
  }

 private:
  Form1& form() { return form_; }
  const Form1& form() const { return form_; }

  // Messages shown since the last call.
  std::size_t NewMessages() {
    const std::size_t count = host_.shown;
    host_.shown = 0;
    return count;
  }

  // Every write of a field is checked whole: the field keeps exactly what it
  // is given, whatever its characters.
  void Set(unsigned field, Text text) {
    if (text.size() > kMaxField)
      text.resize(kMaxField);
    given_.assign(text);
    switch (field % 3) {
      case 0:
        form().SetText1(std::move(text));
        break;
      case 1:
        form().SetText2(std::move(text));
        break;
      default:
        form().SetText3(std::move(text));
        break;
    }
    Require(Same(Get(field), given_), "a field changed what it was given");
  }
  const Text& Get(unsigned field) const {
    switch (field % 3) {
      case 0:
        return form().Text1();
      case 1:
        return form().Text2();
      default:
        return form().Text3();
    }
  }

  void TypeKey(std::uint8_t code) {
    if (form().Text3().size() >= kMaxPassword)
      form().SetText3(form().Text3().substr(0, kMaxPassword / 2));
    vantrel::TypePassword(form(), Text(1, vantrel::AnsiChar(code)));
    typedSum_ += code;
    Require(NewMessages() == 0, "a keystroke showed a message");
  }

  // Text pasted over a field, or after what it holds; the paste keys add
  // nothing to the key.
  void Paste(ByteReader& in) {
    const unsigned field = in.Byte();
    const bool append = (in.Byte() & 1) != 0;
    const Text pasted = in.Units(in.Byte());
    Set(field, append ? Get(field) + pasted : pasted);
    Require(NewMessages() == 0, "pasting showed a message");
  }

  // A field's text pasted after itself a few times, up to kShortField (or the
  // field's own length, if longer); with the operand kToLimit, as often as it
  // takes to reach one of kLimitLengths.
  void Grow(ByteReader& in) {
    const unsigned field = in.Byte();
    const unsigned how = in.Byte();
    const Text& once = Get(field);
    const std::size_t length =
        how == kToLimit ? kLimitLengths[in.Byte() % kLimitLengths.size()]
                        : std::min(once.size() * (how % 8 + 2), std::max(kShortField, once.size()));
    Text grown;
    grown.reserve(length);
    while (!once.empty() && grown.size() < length)
      grown.append(once, 0, std::min(once.size(), length - grown.size()));
    Set(field, std::move(grown));
    Require(NewMessages() == 0, "pasting showed a message");
  }

  // One character inserted, replaced or deleted anywhere in a field.
  void Edit(ByteReader& in) {
    const unsigned field = in.Byte();
    const unsigned how = in.Byte();
    const unsigned at = in.Byte() | static_cast<unsigned>(in.Byte()) << 8;
    const char16_t unit = in.Unit();
    Text text = Get(field);
    const std::size_t pos = at % (text.size() + 1);
    if (how % 3 == 0)
      text.insert(pos, 1, unit);
    else if (pos < text.size() && how % 3 == 1)
      text[pos] = unit;
    else if (pos < text.size())
      text.erase(pos, 1);
    Set(field, std::move(text));
    Require(NewMessages() == 0, "editing showed a message");
  }

  void Encode() {
    before_.Take(form());
    form().Encode_Click();
    const std::optional<std::size_t> length = EncodedLength(before_.text1);
    const bool accept =
        !before_.text3.empty() && !before_.text1.empty() && length && *length <= kMaxPlain;
    if (const std::size_t count = NewMessages(); count != 0) {
      CheckFailure(count);
      Require(!accept, "Encode refused a text it can encode");
      const Message& shown = host_.last;
      if (before_.text3.empty())
        Require(shown == Messages().needPassword, "Encode without a password");
      else if (before_.text1.empty())
        Require(shown == Messages().needText, "Encode without a text");
      else
        Require(shown.icon == MsgIcon::Exclamation, "Encode refusal without the exclamation icon");
      return;
    }
    Require(accept, "Encode accepted a text it cannot bring back");
    // Text1 empty, Text3 as it was and every code unit from 10 to 125.
    const Text& code = form().Text2();
    Require(form().Text1().empty(), "Encode left text in the plain-text field");
    Require(Same(form().Text3(), before_.text3), "Encode changed the password field");
    Require(code.size() == (*length + 1 + 2) / 3 * 4, "code has the wrong length");
    Require(InShiftRange(code), "code holds a character outside 10..125");
    Require(form().KeySum() == typedSum_ % 100, "Encode used another key than the typed sum");

    // Decode the code elsewhere with the same key: it must give the text back.
    probeHost_.Reset();
    Form1 probe(probeHost_);
    probe.Text3_KeyPress(form().KeySum());
    probe.SetText3(u"*");
    probe.SetText2(code);
    probe.Decode_Click();
    Require(probeHost_.shown == 0, "the code did not decode");
    Require(Same(probe.Text1(), before_.text1), "the code decoded to another text");

    lastCode_.assign(code);
    lastPlain_.assign(before_.text1);
    lastKey_ = form().KeySum();
    haveCode_ = true;
  }

  void Decode() {
    before_.Take(form());
    form().Decode_Click();
    const bool ownCode = haveCode_ && !before_.text3.empty() && Same(before_.text2, lastCode_) &&
                         typedSum_ % 100 == lastKey_;
    if (const std::size_t count = NewMessages(); count != 0) {
      CheckFailure(count);
      Require(!ownCode, "Decode refused a code Encode made with the same key");
      const Message& shown = host_.last;
      if (before_.text3.empty()) {
        Require(shown == Messages().needPassword, "Decode without a password");
      } else if (before_.text2.empty()) {
        Require(shown == Messages().needCode, "Decode without a code");
      } else if (const auto read = vantrel::ReadMailSafe(before_.text2); RefusalOf(read, false)) {
        // A changed mail-safe block, one of a later form, or several codes.
        Require(shown == *RefusalOf(read, false), "Decode said another thing of its blocks");
      } else if (read.found == vantrel::MailSafeFind::None && before_.text2.size() > kMaxCode) {
        Require(shown.icon == MsgIcon::Exclamation, "Decode of a code that is too long");
      } else {
        Require((shown.id == MsgId::CodecError && shown.icon == MsgIcon::Critical) ||
                    shown == Messages().wrongPassword ||
                    (read.cutOpening && shown == Messages().damaged) ||
                    (shown.id == MsgId::TooLong && read.found == vantrel::MailSafeFind::Intact &&
                     read.code.size() > kMaxCode),
                "Decode failed with a message of its own making");
      }
      return;
    }
    Require(!before_.text3.empty() && !before_.text2.empty() &&
                (before_.text2.size() <= kMaxCode ||
                 vantrel::ReadMailSafe(before_.text2).found == vantrel::MailSafeFind::Intact),
            "Decode ran on input it must refuse");
    // Text2 empty and Text3 as it was: only the decoded text needs a look.
    Require(form().Text2().empty(), "Decode left text in the code field");
    Require(Same(form().Text3(), before_.text3), "Decode changed the password field");
    // Any code decodes to characters of the code page, or to the text its
    // any-text form carries, which is never broken.
    Require(!vantrel::FirstIllFormed(form().Text1()), "Decode gave half of a surrogate pair");
    Require(form().KeySum() == typedSum_ % 100, "Decode used another key than the typed sum");
    if (ownCode)
      Require(Same(form().Text1(), lastPlain_), "Encode then Decode changed the text");
  }

  void Copy() {
    before_.Take(form());
    form().CToC_Click();
    Require(NewMessages() == 1, "Copy did not show exactly one message");
    Require(before_.Match(form()), "Copy changed a field");
    if (before_.text2.empty()) {
      Require(host_.last == Messages().nothingToCopy, "Copy of an empty code field");
    } else {
      Require(host_.last == Messages().copied, "Copy without its confirmation");
      Require(host_.hasClipboard && Same(host_.clipboard, before_.text2),
              "Copy put something else on the clipboard");
    }
    CopyForMail();
  }

  // Copy For Mail after Copy, with no byte of its own, so that every input
  // found so far keeps its meaning.
  void CopyForMail() {
    form().CopyForMail_Click();
    Require(NewMessages() == 1, "Copy For Mail did not show exactly one message");
    Require(before_.Match(form()), "Copy For Mail changed a field");
    const Message& shown = host_.last;
    if (before_.text2.empty()) {
      Require(shown == Messages().nothingToCopy, "Copy For Mail of an empty code field");
      return;
    }
    const vantrel::MailSafeRead blocks = vantrel::ReadMailSafe(before_.text2);
    if (shown != Messages().copiedForMail) {
      Require(RefusalOf(blocks, true) && shown == *RefusalOf(blocks, true),
              "Copy For Mail failed with a message of its own making");
      return;
    }
    const vantrel::MailSafeRead read = vantrel::ReadMailSafe(host_.clipboard);
    Require(read.found == vantrel::MailSafeFind::Intact,
            "Copy For Mail made a block it cannot read");
    if (blocks.found == vantrel::MailSafeFind::None) {
      const auto& code = Page().code;
      bool same = read.code.size() == before_.text2.size();
      for (std::size_t i = 0; same && i < read.code.size(); ++i)
        same = read.code[i] == code[before_.text2[i]];
      Require(same, "Copy For Mail's block carries another code");
    }
    // The block of Encode's last code, pasted into another window with the
    // same key, decodes to the text.
    if (haveCode_ && Same(before_.text2, lastCode_)) {
      probeHost_.Reset();
      Form1 probe(probeHost_);
      probe.Text3_KeyPress(static_cast<std::int16_t>(lastKey_));
      probe.SetText3(u"*");
      probe.SetText2(u"> " + host_.clipboard + u"\r\n");
      probe.Decode_Click();
      Require(probeHost_.shown == 0, "the mail-safe block did not decode");
      Require(Same(probe.Text1(), lastPlain_), "the mail-safe block decoded to another text");
    }
  }

  // A command that showed a message: that one message, and nothing changed.
  void CheckFailure(std::size_t shown) const {
    Require(shown == 1, "a failed command showed more than one message");
    Require(before_.Match(form()), "a failed command changed a field");
  }

  // What holds after any action; the host checks the messages and the end.
  void CheckAlways() const {
    Require(form().KeySum() >= 0 && form().KeySum() % 100 == typedSum_ % 100,
            "the key is not the sum of the codes typed");
  }

  CheckingHost host_;
  Form1 form_{host_};
  CheckingHost probeHost_;
  Fields before_;
  Text given_;  // what the last write gave a field
  long long typedSum_ = 0;
  bool haveCode_ = false;
  Text lastCode_, lastPlain_;
  long long lastKey_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Session session;
  ByteReader in(data, size);
  session.Run(in);
  return 0;
}
