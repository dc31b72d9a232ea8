// The window model driven by a random user: keystrokes into the password
// field, text pasted or edited into any field, and the three commands, in any
// order. After every action the model must have kept its promises: no error
// reaches the error report, a failed command leaves every field as it was, a
// code has its length and its characters, an accepted text comes back, and
// the key is the sum of the codes typed so far.

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "app/AnsiCodePage.h"
#include "app/Form1.h"
#include "tests/app/FakeHost.h"

namespace {

using vantrel::Form1;
using vantrel::Message;
using vantrel::MsgIcon;
using vantrel::Text;
using vantrel::fuzz::ByteReader;
using vantrel::fuzz::Require;
using vantrel::testing::FakeHost;

// Fields may grow past both length limits, so that the refusals are reached.
constexpr std::size_t kMaxField = 40000;

struct Fields {
  Text text1, text2, text3;
  bool operator==(const Fields&) const = default;
};

bool StartsWith(const Text& text, const Text& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

bool Encodable(const Text& plain) {
  for (const char16_t unit : plain) {
    const int code = vantrel::AnsiCode(unit);
    if (code < 10 || code > 125)
      return false;
  }
  return true;
}

class Session {
 public:
  void Run(ByteReader& in) {
    while (!in.AtEnd()) {
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
    }
  }

 private:
  Fields Now() const { return {form_.Text1(), form_.Text2(), form_.Text3()}; }

  void Set(unsigned field, Text text) {
    if (text.size() > kMaxField)
      text.resize(kMaxField);
    switch (field % 3) {
      case 0:
        form_.SetText1(std::move(text));
        break;
      case 1:
        form_.SetText2(std::move(text));
        break;
      default:
        form_.SetText3(std::move(text));
        break;
    }
    CheckCodePage(Get(field));
  }
  const Text& Get(unsigned field) const {
    switch (field % 3) {
      case 0:
        return form_.Text1();
      case 1:
        return form_.Text2();
      default:
        return form_.Text3();
    }
  }

  // Messages shown since the last action; marks them seen.
  std::size_t NewMessages() {
    const std::size_t count = host_.messages.size() - seen_;
    seen_ = host_.messages.size();
    return count;
  }

  void TypeKey(std::uint8_t code) {
    vantrel::TypePassword(form_, Text(1, vantrel::AnsiChar(code)));
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

  // A field's text pasted after itself again and again: a cheap way to long texts.
  void Grow(ByteReader& in) {
    const unsigned field = in.Byte();
    const int times = in.Byte() % 64 + 2;
    const Text once = Get(field);
    Text grown;
    for (int i = 0; i < times && grown.size() < kMaxField; ++i)
      grown += once;
    Set(field, grown);
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
    Set(field, text);
    Require(NewMessages() == 0, "editing showed a message");
  }

  void Encode() {
    const Fields before = Now();
    form_.Encode_Click();
    CheckCodePage();
    const bool accept = !before.text3.empty() && !before.text1.empty() &&
                        before.text1.size() <= static_cast<std::size_t>(vantrel::kMaxPlainLength) &&
                        Encodable(before.text1);
    if (const std::size_t count = NewMessages(); count != 0) {
      CheckFailure(before, count);
      Require(!accept, "Encode refused a text it can encode");
      const Message& shown = host_.Last();
      if (before.text3.empty())
        Require(shown == vantrel::messages::NeedPassword(), "Encode without a password");
      else if (before.text1.empty())
        Require(shown == vantrel::messages::NeedText(), "Encode without a text");
      else
        Require(shown.icon == MsgIcon::Exclamation, "Encode refusal without the exclamation icon");
      return;
    }
    Require(accept, "Encode accepted a text it cannot bring back");
    const Text& code = form_.Text2();
    Require(form_.Text1().empty(), "Encode left text in the plain-text field");
    Require(form_.Text3() == before.text3, "Encode changed the password field");
    Require(code.size() == (before.text1.size() + 1 + 2) / 3 * 4, "code has the wrong length");
    for (const char16_t unit : code)
      Require(unit >= 10 && unit <= 125, "code holds a character outside 10..125");
    Require(form_.KeySum() == typedSum_ % 100, "Encode used another key than the typed sum");

    // Decode the code elsewhere with the same key: it must give the text back.
    FakeHost probeHost;
    Form1 probe(probeHost);
    probe.Text3_KeyPress(form_.KeySum());
    probe.SetText3(u"*");
    probe.SetText2(code);
    probe.Decode_Click();
    Require(probeHost.messages.empty() && probeHost.ends == 0, "the code did not decode");
    Require(probe.Text1() == before.text1, "the code decoded to another text");

    lastCode_ = code;
    lastPlain_ = before.text1;
    lastKey_ = form_.KeySum();
    haveCode_ = true;
  }

  void Decode() {
    const Fields before = Now();
    form_.Decode_Click();
    CheckCodePage();
    const bool ownCode = haveCode_ && !before.text3.empty() && before.text2 == lastCode_ &&
                         typedSum_ % 100 == lastKey_;
    if (const std::size_t count = NewMessages(); count != 0) {
      CheckFailure(before, count);
      Require(!ownCode, "Decode refused a code Encode made with the same key");
      const Message& shown = host_.Last();
      if (before.text3.empty()) {
        Require(shown == vantrel::messages::NeedPassword(), "Decode without a password");
      } else if (before.text2.empty()) {
        Require(shown == vantrel::messages::NeedCode(), "Decode without a code");
      } else if (before.text2.size() > static_cast<std::size_t>(vantrel::kMaxCodeLength)) {
        Require(shown.icon == MsgIcon::Exclamation, "Decode of a code that is too long");
      } else {
        Require((shown.id == vantrel::MsgId::CodecError && shown.icon == MsgIcon::Critical) ||
                    shown == vantrel::messages::WrongPassword(),
                "Decode failed with a message of its own making");
      }
      return;
    }
    Require(!before.text3.empty() && !before.text2.empty() &&
                before.text2.size() <= static_cast<std::size_t>(vantrel::kMaxCodeLength),
            "Decode ran on input it must refuse");
    Require(form_.Text2().empty(), "Decode left text in the code field");
    Require(form_.Text3() == before.text3, "Decode changed the password field");
    Require(form_.KeySum() == typedSum_ % 100, "Decode used another key than the typed sum");
    if (ownCode)
      Require(form_.Text1() == lastPlain_, "Encode then Decode changed the text");
  }

  void Copy() {
    const Fields before = Now();
    form_.CToC_Click();
    Require(NewMessages() == 1, "Copy did not show exactly one message");
    Require(Now() == before, "Copy changed a field");
    if (before.text2.empty()) {
      Require(host_.Last() == vantrel::messages::NothingToCopy(), "Copy of an empty code field");
    } else {
      Require(host_.Last() == vantrel::messages::Copied(), "Copy without its confirmation");
      Require(host_.clipboard == before.text2, "Copy put something else on the clipboard");
    }
  }

  // A command that showed a message: that one message, and nothing changed.
  void CheckFailure(const Fields& before, std::size_t shown) const {
    Require(shown == 1, "a failed command showed more than one message");
    Require(Now() == before, "a failed command changed a field");
  }

  static void CheckCodePage(const Text& field) {
    for (const char16_t unit : field)
      Require(vantrel::InCodePage(unit), "a field holds a character outside the code page");
  }
  void CheckCodePage() const {
    CheckCodePage(form_.Text1());
    CheckCodePage(form_.Text2());
    CheckCodePage(form_.Text3());
  }

  // What holds after any action.
  void CheckAlways() {
    Require(host_.ends == 0, "the program ended");
    for (; reported_ < host_.messages.size(); ++reported_) {
      const Message& message = host_.messages[reported_];
      Require(!(message.icon == MsgIcon::Critical && StartsWith(message.text, u"Error ")),
              "an error reached the error report");
    }
    Require(form_.KeySum() >= 0 && form_.KeySum() % 100 == typedSum_ % 100,
            "the key is not the sum of the codes typed");
  }

  FakeHost host_;
  Form1 form_{host_};
  std::size_t seen_ = 0;      // messages the action checks have looked at
  std::size_t reported_ = 0;  // messages checked for the error report
  long long typedSum_ = 0;
  bool haveCode_ = false;
  Text lastCode_, lastPlain_;
  long long lastKey_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteReader in(data, size);
  Session session;
  session.Run(in);
  return 0;
}
