// Encode, Decode and Copy through the fake host: the code format, the
// messages, and the promise that a failing command gives every field back.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "FakeHost.h"
#include "app/AnsiCodePage.h"
#include "app/Form1.h"
#include "app/ShiftRange.h"
#include "codec/AnyText.h"
#include "codec/Module1.h"
#include "tests/EveryKindOfText.h"
#include "tests/codec/Mails.h"

namespace vantrel {
namespace {

using testing::FakeHost;

// A fresh window whose password is one character giving the key.
struct Window {
  FakeHost host;
  Form1 form{host};
  explicit Window(int key) {
    TypePassword(form, Text(1, AnsiChar(static_cast<std::uint8_t>(key + 100))));
  }

  Text Encode(const Text& plain) {
    form.SetText1(plain);
    form.Encode_Click();
    return form.Text2();
  }
  void ExpectFields(const Text& t1, const Text& t2, const Text& t3) const {
    EXPECT_EQ(form.Text1(), t1);
    EXPECT_EQ(form.Text2(), t2);
    EXPECT_EQ(form.Text3(), t3);
  }
};

Message CodecFailure(CodecFault fault) {
  return messages::CodecFailure(CodecError(fault));
}

TEST(Messages, ReadExactlyAsTheUserSeesThem) {
  const Message fixed[] = {
      {MsgId::NeedPassword, u"Enter Password Frist", MsgIcon::Critical},
      {MsgId::NeedText, u"Enter Txt Frist", MsgIcon::Critical},
      {MsgId::NeedCode, u"Enter Code Frist", MsgIcon::Critical},
      {MsgId::WrongPassword, u" Wrong Password ", MsgIcon::None},
      {MsgId::NothingToCopy, u" Nothing To Copy  ", MsgIcon::Exclamation},
      {MsgId::Copied, u" Your Encoded Txt \r\n\r\n Has Been Copyed To Clipboard ",
       MsgIcon::Information},
  };
  const Message shown[] = {messages::NeedPassword(),  messages::NeedText(),
                           messages::NeedCode(),      messages::WrongPassword(),
                           messages::NothingToCopy(), messages::Copied()};
  for (std::size_t i = 0; i < std::size(fixed); ++i)
    EXPECT_EQ(shown[i], fixed[i]);
  EXPECT_EQ(CodecFailure(CodecFault::Range),
            (Message{MsgId::CodecError, CodecErrorText(CodecFault::Range), MsgIcon::Critical}));
  EXPECT_EQ(messages::ErrorReport(Error(6, u"Overflow")),
            (Message{MsgId::Fatal, u"Error 6\r\n\r\nOverflow", MsgIcon::Critical}));
}

TEST(Encode, GivesTheCodeWorkedByHand) {
  FakeHost host;
  Form1 form(host);
  TypePassword(form, u"ab\bc");  // sum 302, key 2
  form.SetText1(u"Hi");
  form.Encode_Click();
  EXPECT_EQ(form.Text2(), u"Uouy");
  EXPECT_EQ(form.Text1(), u"");
  EXPECT_EQ(form.KeySum(), 2);
  EXPECT_TRUE(host.messages.empty());
  form.Decode_Click();
  EXPECT_EQ(form.Text1(), u"Hi");
  EXPECT_EQ(form.Text2(), u"");
}

TEST(Encode, CodeLengthFollowsThePlainTextLengthWithItsMarker) {
  for (const auto& [length, expected] : {std::pair{1, 4}, {2, 4}, {3, 8}, {5, 8}, {6, 12}}) {
    Window w(17);
    EXPECT_EQ(w.Encode(Text(static_cast<std::size_t>(length), u'q')).size(),
              static_cast<std::size_t>(expected));
  }
}

TEST(Encode, ChecksThePasswordBeforeTheText) {
  FakeHost host;
  Form1 form(host);
  form.Encode_Click();
  EXPECT_EQ(host.messages, std::vector{messages::NeedPassword()});
  TypePassword(form, u"k");
  form.Encode_Click();
  EXPECT_EQ(host.Last(), messages::NeedText());
  form.SetText2(u"old code");
  form.Decode_Click();  // Decode's own checks
  form.SetText2(u"");
  form.Decode_Click();
  EXPECT_EQ(host.Last(), messages::NeedCode());
  EXPECT_EQ(form.Text3(), u"k");
}

TEST(Encode, TwiceInARowStopsAtTheEmptyTextAndKeepsTheCode) {
  Window w(42);
  const Text code = w.Encode(u"twice");
  w.form.Encode_Click();
  EXPECT_EQ(w.host.Last(), messages::NeedText());
  w.ExpectFields(u"", code, w.form.Text3());
}

TEST(Encode, ReplacesAnOldCodeInsteadOfWrappingIt) {
  Window fresh(63);
  const Text expected = fresh.Encode(u"same text");
  Window w(63);
  w.form.SetText2(u"an earlier code");
  EXPECT_EQ(w.Encode(u"same text"), expected);
}

TEST(Decode, ReplacesLeftoverPlainText) {
  Window w(8);
  const Text code = w.Encode(u"plain");
  w.form.SetText1(u"leftover");
  w.form.Decode_Click();
  EXPECT_TRUE(w.host.messages.empty());
  w.ExpectFields(u"plain", u"", w.form.Text3());
}

TEST(Decode, KeepsAFullStopThatWasPartOfTheText) {
  Window w(91);
  w.Encode(u"End.");
  w.form.Decode_Click();
  EXPECT_EQ(w.form.Text1(), u"End.");
}

// Random texts over every encodable code, CR LF line breaks included, for
// every key: Encode then Decode gives the text back, and the code has the
// promised length and characters.
TEST(EncodeDecode, RestoresRandomTextsForEveryKey) {
  std::mt19937 random(20261207);
  for (int key = 0; key < 100; ++key) {
    for (int round = 0; round < 5; ++round) {
      Text plain;
      const auto length = 1 + random() % 120;
      while (plain.size() < length) {
        if (random() % 12 == 0) {
          plain += u"\r\n";
        } else {
          plain.push_back(static_cast<char16_t>(10 + random() % 116));
        }
      }
      Window w(key);
      const Text code = w.Encode(plain);
      ASSERT_EQ(code.size(), 4 * ((plain.size() + 1 + 2) / 3)) << key;
      for (const char16_t c : code)
        ASSERT_TRUE(c >= 10 && c <= 125);
      w.form.Decode_Click();
      ASSERT_TRUE(w.host.messages.empty()) << key;
      ASSERT_EQ(w.form.Text1(), plain) << key;
      ASSERT_EQ(w.form.KeySum(), key);
    }
  }
}

TEST(EncodeDecode, LaterKeystrokesChangeTheKey) {
  Window w(30);
  const Text code = w.Encode(u"secret");
  TypePassword(w.form, u"\b");  // editing the password adds 8
  w.form.Decode_Click();
  EXPECT_FALSE(w.host.messages.empty());
  EXPECT_EQ(w.form.Text2(), code) << "a failed Decode keeps the code";
  TypePassword(w.form, Text(1, AnsiChar(92)));  // 8 + 92 = 100: the same key again
  w.form.Decode_Click();
  EXPECT_EQ(w.form.Text1(), u"secret");
}

// Every other key decodes a code to a failure message or, rarely, a wrong
// text; a failure leaves every field as it was.
TEST(Decode, WithEveryWrongKeyFailsCleanly) {
  const Text plain = u"Meet me at the harbour at 9.\r\nBring the map!";
  const Text code = Window(5).Encode(plain);
  std::set<Text> seen;
  for (int key = 0; key < 100; ++key) {
    if (key == 5)
      continue;
    Window w(key);
    w.form.SetText1(u"draft");
    w.form.SetText2(code);
    const Text password = w.form.Text3();
    w.form.Decode_Click();
    if (w.host.messages.empty()) {
      EXPECT_NE(w.form.Text1(), plain);
      continue;
    }
    ASSERT_EQ(w.host.messages.size(), 1u);
    const Message& m = w.host.Last();
    seen.insert(m.text);
    if (m.id != MsgId::WrongPassword) {
      EXPECT_TRUE(m == CodecFailure(CodecFault::Alphabet) || m == CodecFailure(CodecFault::NoData))
          << key;
    }
    w.ExpectFields(u"draft", code, password);
    EXPECT_EQ(w.host.ends, 0);
  }
  EXPECT_TRUE(seen.count(CodecErrorText(CodecFault::Alphabet)));
}

TEST(Decode, ShowsEachCodecFailureWithItsDescriptionAndRestores) {
  // Codes typed by hand, decoded with key 0 so the back shift leaves them be.
  const std::pair<Text, CodecFault> cases[] = {
      {u"abc", CodecFault::Length},    {u"Zm9\u00E9", CodecFault::Range},
      {u"Zm-9", CodecFault::Alphabet}, {u"====", CodecFault::NoData},
      {u"A===", CodecFault::NoData},
  };
  for (const auto& [code, fault] : cases) {
    Window w(0);
    w.form.SetText1(u"keep me");
    w.form.SetText2(code);
    w.form.Decode_Click();
    EXPECT_EQ(w.host.messages, std::vector{CodecFailure(fault)});
    w.ExpectFields(u"keep me", code, w.form.Text3());
    EXPECT_EQ(w.host.ends, 0);
  }
}

TEST(Decode, WrongPasswordKeepsTheCode) {
  // "Zm9v" decodes to "foo", which does not end in the marker.
  Window w(0);
  w.form.SetText2(u"Zm9v");
  w.form.Decode_Click();
  EXPECT_EQ(w.host.messages, std::vector{messages::WrongPassword()});
  w.ExpectFields(u"", u"Zm9v", w.form.Text3());
}

TEST(Encode, RefusesTextsTooLongToComeBack) {
  Window w(12);
  const Text longest(kMaxPlainLength, u'x');
  EXPECT_EQ(w.Encode(longest).size(), 32764u);
  w.form.Decode_Click();
  EXPECT_EQ(w.form.Text1(), longest);

  Window too(12);
  too.form.SetText2(u"old");
  too.form.SetText1(longest + u"y");
  too.form.Encode_Click();
  EXPECT_EQ(too.host.messages,
            (std::vector<Message>{
                {MsgId::TooLong,
                 u"The text is too long to encode.\r\n\r\nVantrel encodes at most 24,572 "
                 u"characters; this text has 24,573.",
                 MsgIcon::Exclamation}}));
  too.ExpectFields(longest + u"y", u"old", too.form.Text3());
}

TEST(Decode, RefusesCodesTooLongToCount) {
  Window w(0);
  // The longest code that can be counted reaches the decoder (which finds
  // its length is not a multiple of four); one character more is refused.
  const Text code(kMaxCodeLength, u'A');
  w.form.SetText2(code);
  w.form.Decode_Click();
  EXPECT_EQ(w.host.Last(), CodecFailure(CodecFault::Length));

  w.form.SetText2(code + u"A");
  w.form.Decode_Click();
  EXPECT_EQ(w.host.Last(),
            (Message{MsgId::TooLong,
                     u"The code is too long to decode.\r\n\r\nA code has at most 32,764 "
                     u"characters; this one has 32,767.",
                     MsgIcon::Exclamation}));
  EXPECT_EQ(w.form.Text2(), code + u"A");
}

TEST(Encode, AnyTextComesBackExactly) {
  for (const Text& plain : kEveryKindOfText) {
    for (const int key : {0, 37, 99}) {
      Window w(key);
      const Text code = w.Encode(plain);
      ASSERT_TRUE(w.host.messages.empty()) << w.host.Last().text.size();
      EXPECT_TRUE(AllShiftable(code));
      w.form.Decode_Click();
      EXPECT_TRUE(w.host.messages.empty());
      EXPECT_EQ(w.form.Text1(), plain) << key;
      EXPECT_EQ(w.form.Text2(), u"");
    }
  }
}

// The code of a plain text made by the steps alone, as a copy of Vantrel
// that knows no any-text form makes and reads it.
Text StepsCode(int key, const Text& plain) {
  Window w(key);
  w.form.SetText1(plain + u".");
  w.form.ShiftIntoCode();
  w.form.SetText1(EncodeText(w.form.Text2()));
  w.form.SetText2(u"");
  w.form.ShiftIntoCode();
  return w.form.Text2();
}

TEST(Encode, AnyTextCodeIsTheCodeOfItsFormWhichOlderCopiesShow) {
  // A text of codes 10 to 125 is its own plain text, as it always was.
  for (const Text& plain : kEveryKindOfText) {
    const Text form = AnyTextForm(plain);
    EXPECT_TRUE(AllShiftable(form));
    EXPECT_EQ(Window(42).Encode(plain), StepsCode(42, NeedsAnyTextForm(plain) ? form : plain));
  }
  EXPECT_EQ(AnyTextForm(u"I\u2019m here"), Text(u"\x1F\x1E"
                                                u"This text needs a newer Vantrel.\r\nI\x0E"
                                                u"IBk\x0Fm here"));
}

TEST(Encode, RandomTextsOfAnyCharacterComeBack) {
  std::mt19937 random(2025);
  std::uniform_int_distribution<std::uint32_t> any(0, 0x10FFFF - 0x800);
  std::uniform_int_distribution<int> length(1, 40);
  for (int round = 0; round < 300; ++round) {
    Text plain;
    for (int i = length(random); i > 0; --i) {
      std::uint32_t c = any(random);
      c = c >= 0xD800 ? c + 0x800 : c;  // no surrogates: those are refused
      if (round % 3 == 0)
        c = 10 + c % 116;  // mostly ASCII texts too
      if (c >= 0x10000) {
        plain.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
        plain.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
      } else {
        plain.push_back(static_cast<char16_t>(c));
      }
    }
    Window w(round % 100);
    w.Encode(plain);
    w.form.Decode_Click();
    ASSERT_EQ(w.form.Text1(), plain) << round;
  }
}

TEST(Encode, RefusesBrokenCharactersAndSaysWhere) {
  const std::pair<Text, Text> cases[] = {
      {Text{u'a', 0xD83D}, u"line 1, column 2: half of a surrogate pair (U+D83D)"},
      {Text{u'\r', u'\n', 0xDE00, u'b'}, u"line 2, column 1: half of a surrogate pair (U+DE00)"},
      {Text{0xDE00, 0xD83D}, u"line 1, column 1: half of a surrogate pair (U+DE00)"},
  };
  for (const auto& [plain, where] : cases) {
    Window w(3);
    w.form.SetText2(u"kept");
    w.form.SetText1(plain);
    w.form.Encode_Click();
    ASSERT_EQ(w.host.messages.size(), 1u);
    EXPECT_EQ(w.host.Last(),
              (Message{MsgId::IllFormed,
                       u"The text holds a broken character at " + where +
                           u" whose other half is missing, so it cannot be encoded.\r\n\r\n"
                           u"Delete it, or copy the text again from where it came, then choose "
                           u"Encode.",
                       MsgIcon::Exclamation}));
    w.ExpectFields(plain, u"kept", w.form.Text3());
  }
}

TEST(Decode, ShowsAFormThatDoesNotReadAsItIs) {
  const Text marker =
      u"\x1F\x1E"
      u"This text needs a newer Vantrel.\r\n";
  // Each would be refused by a reader: shown as decoded, not changed.
  const Text shown[] = {
      marker +
          u"\x0E"
          u"AG\x0F",  // a lone byte of a code unit
      marker +
          u"\x0E"
          u"AGl\x0F",  // bits left over after the last unit
      marker +
          u"\x0E"
          u"2D0\x0F",  // a lone surrogate
      marker +
          u"\x0E"
          u"AGk",        // no shift in
      marker + u"\x0F",  // shift in alone
      marker +
          u"\x0E"
          u"A=k\x0F",  // padding
      marker +
          u"\x0E"
          u"AGkA\x0F",  // a length no run has
      u"\x1F\x1E"
      u"This file needs a newer vantrel-cli decode --binary.\r\n\x0E"
      u"AA\x0F",
  };
  for (const Text& plain : shown) {
    Window w(5);
    w.form.SetText2(StepsCode(5, plain));
    w.form.Decode_Click();
    EXPECT_TRUE(w.host.messages.empty());
    EXPECT_EQ(w.form.Text1(), plain);
  }
}

TEST(Encode, TextsOfOtherCharactersAreToldHowManyFit) {
  // The form takes the marker (36), then 2 + ceil(16 u / 6) for a run of u
  // code units: 9,200 Cyrillic letters or 4,600 emoji fill a code.
  struct Row {
    Text one;
    std::size_t fitting;
  };
  for (const auto& [one, fitting] : {Row{u"\u0416", 9200}, Row{u"\U0001F600", 4600}}) {
    Text longest;
    for (std::size_t i = 0; i < fitting; ++i)
      longest += one;
    Window w(8);
    EXPECT_EQ(w.Encode(longest).size(), 32764u);
    w.form.Decode_Click();
    EXPECT_EQ(w.form.Text1(), longest);

    Window too(8);
    too.form.SetText1(longest + one);
    too.form.Encode_Click();
    EXPECT_EQ(too.host.Last(),
              (Message{MsgId::TooLong,
                       u"The text is too long to encode.\r\n\r\nA code holds at most 24,572 "
                       u"characters with codes 10 to 125, and fewer of any others: of this "
                       u"text, the first " +
                           Grouped(static_cast<long long>(fitting)) + u" characters fit; it has " +
                           Grouped(static_cast<long long>(fitting + 1)) + u".",
                       MsgIcon::Exclamation}));
    too.ExpectFields(longest + one, u"", too.form.Text3());
  }
}

TEST(Copy, PutsTheCodeOnTheClipboardUnchanged) {
  Window w(97);
  const Text code = w.Encode(u"line one\r\nline two");
  w.form.CToC_Click();
  EXPECT_EQ(w.host.clipboard, code);
  EXPECT_EQ(w.host.messages, std::vector{messages::Copied()});
}

TEST(Copy, CopiesWhateverTheCodeFieldHoldsButNotNothing) {
  Window w(1);
  w.form.SetText2(u"   ");
  w.form.CToC_Click();
  EXPECT_EQ(w.host.clipboard, u"   ");
  w.form.SetText2(u"");
  w.host.clipboard = u"before";
  w.form.CToC_Click();
  EXPECT_EQ(w.host.Last(), messages::NothingToCopy());
  EXPECT_EQ(w.host.clipboard, u"before");
}

TEST(Copy, SaysABusyClipboardAndCarriesOn) {
  Window w(5);
  const Text code = w.Encode(u"text");
  w.host.busyClipboard = true;
  w.form.CToC_Click();
  w.form.CopyForMail_Click();
  EXPECT_EQ(w.host.messages,
            (std::vector{messages::ClipboardBusy(false), messages::ClipboardBusy(true)}));
  EXPECT_EQ(w.host.ends, 0);
  w.ExpectFields(u"", code, w.form.Text3());
}

Text MailLike(const Text& form) {
  // Quoted in a reply, its CR LF turned into LF, a greeting before it.
  Text quoted = u"Hi,\n\n> ";
  for (const char16_t c : form) {
    if (c != u'\r')
      quoted += c == u'\n' ? Text(u"\n> ") : Text(1, c);
  }
  return quoted + u"\n\nBye";
}

TEST(CopyForMail, MakesABlockThatDecodeReadsBackFromAMail) {
  const Text plain = u"Meet at nine.\r\nBring the map, the torch and the key to the shed.";
  Window sender(37);
  const Text code = sender.Encode(plain);
  sender.form.CopyForMail_Click();
  EXPECT_EQ(sender.host.messages, std::vector{messages::CopiedForMail()});
  ASSERT_TRUE(sender.host.clipboard);
  const Text form = *sender.host.clipboard;
  EXPECT_TRUE(form.starts_with(u"Vantrel1~") && form.find(u"\r\n") != Text::npos);
  sender.ExpectFields(u"", code, sender.form.Text3());

  Window receiver(37);
  receiver.form.SetText2(MailLike(form));
  receiver.form.CopyForMail_Click();  // a block forwarded is the same block
  EXPECT_EQ(receiver.host.clipboard, form);
  receiver.form.Decode_Click();
  receiver.ExpectFields(plain, u"", receiver.form.Text3());
  EXPECT_EQ(receiver.host.messages, std::vector{messages::CopiedForMail()});

  // With another key, the verdict is the code's, and the field gets back
  // the whole mail as it was pasted.
  Window wrong(38);
  wrong.form.SetText1(u"left");
  wrong.form.SetText2(MailLike(form));
  wrong.form.Decode_Click();
  ASSERT_EQ(wrong.host.messages.size(), 1U);
  EXPECT_TRUE(wrong.host.Last().id == MsgId::WrongPassword ||
              wrong.host.Last().id == MsgId::CodecError);
  wrong.ExpectFields(u"left", MailLike(form), wrong.form.Text3());
}

TEST(CopyForMail, ABlockItCannotReadIsNamedAndNothingChanges) {
  const struct {
    Text field;
    Message message;
  } cases[] = {
      {u"", messages::NothingToCopy()},
      {u"Vantrel1~VW91eeWN6Lo=~end", messages::Damaged()},     // cut short
      {u"Vantrel1~VW91eeWN6Lo~~end", messages::Damaged()},     // a character lost
      {u"Vantrel1~VW91eeWM6Lo=~~end", messages::Damaged()},    // a character changed
      {u"Vantrel9~VW91eeWN6Lo=~~end", messages::Damaged()},    // the version's digit changed
      {u"Vantrel9~VW91eeWN6Lp=~~end", messages::NewerForm()},  // a later form
      {u"Vantre", messages::Damaged()},                        // cut before its "~"
      {u"Vantrel1 VW91eeWN6Lo=", messages::Damaged()},
      {u"Vantrel1~VW91eeWN6Lo=~~end\r\nVantrel1~VW91eeWN6Lo=~~end\r\nVantrel1~garbage~~end",
       messages::SeveralCodes(2, false)},
  };
  for (const auto& [field, message] : cases) {
    for (const auto command : {&Form1::CopyForMail_Click, &Form1::Decode_Click}) {
      Window w(2);
      w.form.SetText1(u"kept");
      w.form.SetText2(field);
      w.host.clipboard = u"before";
      (w.form.*command)();
      const bool decode = command == &Form1::Decode_Click;
      Message expected = field.empty() && decode ? messages::NeedCode() : message;
      if (message.id == MsgId::SeveralCodes && !decode)
        expected = messages::SeveralCodes(2, true);
      // Copy For Mail copies any text as a code; only Decode finds it no code.
      if (field.starts_with(u"Vantre") && field.find(u'~') == Text::npos && !decode)
        continue;
      EXPECT_EQ(w.host.messages, std::vector{expected});
      w.ExpectFields(u"kept", field, w.form.Text3());
      EXPECT_EQ(w.host.clipboard, u"before");
    }
  }
}

// The mails of the shared table pasted into the code field: Decode gives
// the text of the code the table names, or the message of its outcome.
TEST(Decode, ReadsEveryMailOfTheTable) {
  using testing::MailOutcome;
  const Text oldPlain = u"The old plan: we meet at the station at eight, bring the map.";
  const Text newPlain = u"The new plan: we meet at the bridge at nine, bring the torch.";
  const auto blockOf = [](const Text& plain) {
    Window sender(37);
    sender.Encode(plain);
    sender.form.CopyForMail_Click();
    std::string lines;
    for (const char16_t c : sender.host.clipboard.value_or(u"")) {
      if (c != u'\r')
        lines += static_cast<char>(c);
    }
    return lines;
  };
  const testing::MailBlocks blocks{blockOf(oldPlain), blockOf(newPlain)};
  for (const testing::MailCase& c : testing::MailCases()) {
    SCOPED_TRACE(c.how);
    const testing::Mail mail = c.make(blocks);
    Window w(37);
    w.form.SetText2(mail.text);
    w.form.Decode_Click();
    switch (c.outcome) {
      case MailOutcome::Old:
      case MailOutcome::New:
        EXPECT_EQ(w.host.messages, std::vector<Message>{});
        EXPECT_EQ(w.form.Text1(), c.outcome == MailOutcome::Old ? oldPlain : newPlain);
        EXPECT_EQ(w.form.Text2(), u"");
        break;
      case MailOutcome::Damaged:
        EXPECT_EQ(w.host.messages, std::vector{messages::Damaged()});
        break;
      case MailOutcome::Newer:
        EXPECT_EQ(w.host.messages, std::vector{messages::NewerForm()});
        break;
      case MailOutcome::Several:
        EXPECT_EQ(w.host.messages, std::vector{messages::SeveralCodes(c.blocks, false)});
        break;
      case MailOutcome::None:
        ASSERT_EQ(w.host.messages.size(), 1U);
        EXPECT_TRUE(w.host.Last().id == MsgId::CodecError ||
                    w.host.Last().id == MsgId::WrongPassword);
        break;
    }
    if (c.outcome != MailOutcome::Old && c.outcome != MailOutcome::New) {
      EXPECT_EQ(w.form.Text2(), mail.text);  // the mail as it was pasted
    }
  }
}

TEST(Fields, KeepWhatTheyAreGiven) {
  Window w(1);
  w.form.SetText1(u"\u20AC\u0100\u0080");
  w.form.SetText2(Text{0xD83D, 0xDE00, 0xD83D});
  w.form.SetText3(u"p\u0101");
  w.ExpectFields(u"\u20AC\u0100\u0080", Text{0xD83D, 0xDE00, 0xD83D}, u"p\u0101");
}

}  // namespace
}  // namespace vantrel
