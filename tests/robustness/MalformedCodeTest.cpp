// Damaged codes, systematically: for valid codes made by Encode, every
// character replaced in turn by characters of each troublesome kind, and every
// truncation, decoded with the right key and with wrong ones. Each attempt must
// end in a decoded text or in one of the messages Decode defines, with every
// field as it was, and never in the error report.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "app/AnsiCodePage.h"
#include "app/Form1.h"
#include "codec/Module1.h"
#include "tests/app/FakeHost.h"

namespace vantrel::testing {
namespace {

struct Replacement {
  const char* kind;
  char16_t unit;
};

const std::vector<Replacement>& Replacements() {
  static const std::vector<Replacement> list = {
      {"control", u'\0'},     {"control", u'\b'},     {"control", u'\t'},
      {"control", u'\x1B'},   {"control", u'\x1F'},   {"control", u'\x7F'},
      {"equals", u'='},       {"space", u' '},        {"high", u'\x80'},
      {"high", u'\x81'},      {"high", u'\x9F'},      {"high", u'\xA0'},
      {"high", u'\xE9'},      {"high", u'\xFF'},      {"outside", u'\x20AC'},
      {"outside", u'\x0100'}, {"outside", u'\x4E00'}, {"outside", u'\xD800'},
      {"outside", u'\xFFFF'},
  };
  return list;
}

struct Fields {
  Text text1, text2, text3;
  bool operator==(const Fields&) const = default;
};

Fields Now(const Form1& form) {
  return {form.Text1(), form.Text2(), form.Text3()};
}

// The character Decode's first pass makes of a unit in the code field.
char16_t ShiftedBack(char16_t unit, int key) {
  int code = AnsiCode(unit) - key;
  if (code < 10)
    code += 116;
  return AnsiChar(static_cast<std::uint8_t>(code));
}

// How one Decode ended.
struct Outcome {
  bool decoded = false;
  Text text;      // the plain text, when decoded
  Message shown;  // the one message, when not
};

// A window whose key is fixed: the password typed once, then an extra
// keystroke that moves the key by offset (0 for the right key).
class Window {
 public:
  Window(const Text& password, std::int16_t offset) {
    TypePassword(form, password);
    if (offset != 0)
      form.Text3_KeyPress(offset);
    form.ReduceKey();
  }

  // Puts code into the code field as a paste would, with text standing in the
  // plain-text field that a failure must give back, and decodes it.
  ::testing::AssertionResult Decode(const Text& code, Outcome& outcome) {
    form.SetText1(u"Text the user typed");
    form.SetText2(code);
    const Fields before = Now(form);
    const std::int16_t key = form.KeySum();
    host.messages.clear();
    form.Decode_Click();

    if (host.ends != 0)
      return ::testing::AssertionFailure() << "the program ended";
    if (form.KeySum() != key)
      return ::testing::AssertionFailure() << "the key changed to " << form.KeySum();
    if (host.messages.empty()) {
      if (!form.Text2().empty() || form.Text3() != before.text3)
        return ::testing::AssertionFailure()
               << "decoded, but the fields are not as Decode leaves them";
      outcome = {true, form.Text1(), {}};
      return ::testing::AssertionSuccess();
    }
    if (host.messages.size() != 1)
      return ::testing::AssertionFailure() << host.messages.size() << " messages";
    const Message& shown = host.Last();
    const bool defined = shown == messages::WrongPassword() ||
                         (shown.id == MsgId::CodecError && shown.icon == MsgIcon::Critical);
    if (!defined) {
      return ::testing::AssertionFailure()
             << "unexpected message " << std::string(shown.text.begin(), shown.text.end());
    }
    if (!(Now(form) == before))
      return ::testing::AssertionFailure() << "a field changed although Decode failed";
    outcome = {false, {}, shown};
    return ::testing::AssertionSuccess();
  }

  FakeHost host;
  Form1 form{host};
};

using CodeCase = std::tuple<const char16_t*, const char16_t*>;

class MalformedCode : public ::testing::TestWithParam<CodeCase> {
 protected:
  void SetUp() override {
    plain_ = std::get<0>(GetParam());
    password_ = std::get<1>(GetParam());
    Window encoder(password_, 0);
    encoder.form.SetText1(plain_);
    encoder.form.Encode_Click();
    ASSERT_TRUE(encoder.host.messages.empty());
    code_ = encoder.form.Text2();
    ASSERT_FALSE(code_.empty());
  }

  // The right key first, then two wrong ones: the next key, and one far off.
  std::vector<Window*> Windows() { return {&right_, &next_, &far_}; }

  Text plain_, password_, code_;
  Window right_{std::get<1>(GetParam()), 0};
  Window next_{std::get<1>(GetParam()), 1};
  Window far_{std::get<1>(GetParam()), 50};
};

TEST_P(MalformedCode, UntouchedCodeDecodesOnlyWithItsKey) {
  Outcome outcome;
  ASSERT_TRUE(right_.Decode(code_, outcome));
  EXPECT_TRUE(outcome.decoded);
  EXPECT_EQ(outcome.text, plain_);
  for (Window* wrong : {&next_, &far_}) {
    ASSERT_TRUE(wrong->Decode(code_, outcome));
    if (outcome.decoded) {
      EXPECT_NE(outcome.text, plain_);
    }
  }
}

TEST_P(MalformedCode, EveryPositionReplaced) {
  for (std::size_t pos = 0; pos < code_.size(); ++pos) {
    for (const Replacement& replacement : Replacements()) {
      Text damaged = code_;
      damaged[pos] = replacement.unit;
      for (Window* window : Windows()) {
        SCOPED_TRACE(::testing::Message() << "position " << pos << ", " << replacement.kind << " U+"
                                          << std::hex << static_cast<unsigned>(replacement.unit)
                                          << std::dec << ", key " << window->form.KeySum());
        Outcome outcome;
        ASSERT_TRUE(window->Decode(damaged, outcome));
        // With the right key every group before the damage is valid, so a
        // damaged character that is no longer ASCII once shifted back decides
        // the error: a unit up to 0xFF is out of range, a wider one becomes
        // "?" in the decoder and is outside the alphabet.
        const char16_t back = ShiftedBack(replacement.unit, window->form.KeySum());
        if (window == &right_ && back > 127) {
          ASSERT_FALSE(outcome.decoded);
          ASSERT_EQ(outcome.shown.text,
                    CodecErrorText(back <= 0xFF ? CodecFault::Range : CodecFault::Alphabet));
        }
      }
    }
  }
}

TEST_P(MalformedCode, EveryTruncation) {
  for (std::size_t length = 1; length < code_.size(); ++length) {
    const Text cut = code_.substr(0, length);
    for (Window* window : Windows()) {
      SCOPED_TRACE(::testing::Message()
                   << "length " << length << ", key " << window->form.KeySum());
      Outcome outcome;
      ASSERT_TRUE(window->Decode(cut, outcome));
      if (length % 4 != 0) {
        ASSERT_FALSE(outcome.decoded);
        ASSERT_EQ(outcome.shown.text, CodecErrorText(CodecFault::Length));
      } else if (window == &right_ && outcome.decoded) {
        // Whole groups of a good code decode to the start of the text; the
        // marker test passes only where that start ends in a "." of its own.
        ASSERT_EQ((plain_ + u".").substr(0, outcome.text.size() + 1), outcome.text + u".");
      } else if (window == &right_) {
        ASSERT_EQ(outcome.shown, messages::WrongPassword());
      }
    }
  }
  // Nothing left at all is the empty code field.
  right_.form.SetText2(Text());
  right_.host.messages.clear();
  right_.form.Decode_Click();
  EXPECT_EQ(right_.host.messages, std::vector{messages::NeedCode()});
}

// Keys: "d" sums to 100 (key 0), "ab", Backspace, "c" to 302 (key 2), "secret"
// to 646 (key 46), "c" to 99 (key 99).
INSTANTIATE_TEST_SUITE_P(
    TextsAndKeys, MalformedCode,
    ::testing::Combine(::testing::Values(u"H", u"Hi", u"Hey", u"Hello, World!",
                                         u"Line one\r\nLine two. Ends. With a dot.",
                                         u"0123456789 +/=? {|} \"quoted\" [x] <y> `z`"),
                       ::testing::Values(u"d", u"ab\bc", u"secret", u"c")));

}  // namespace
}  // namespace vantrel::testing
