// The password key, the shift passes, the closing animation and the error
// report, through the fake host.
#include "app/Form1.h"

#include <gtest/gtest.h>

#include "FakeHost.h"
#include "app/AnsiCodePage.h"
#include "codec/Module1.h"

namespace vantrel {
namespace {

using testing::FakeHost;
using testing::Geometry;

class Form1Test : public ::testing::Test {
 protected:
  FakeHost host;
  Form1 form{host};
};

TEST_F(Form1Test, StartsEmpty) {
  EXPECT_EQ(form.Text1(), u"");
  EXPECT_EQ(form.Text2(), u"");
  EXPECT_EQ(form.Text3(), u"");
  EXPECT_EQ(form.KeySum(), 0);
}

TEST_F(Form1Test, KeyIsTheSumOfEveryCharacterEventIncludingCorrections) {
  TypePassword(form, u"ab\bc");  // 97 + 98 + 8 + 99
  EXPECT_EQ(form.Text3(), u"ac");
  EXPECT_EQ(form.KeySum(), 302);
  form.ReduceKey();
  EXPECT_EQ(form.KeySum(), 2);
  // The reduction lasts: later keystrokes add to the key, not to the sum.
  TypePassword(form, u"a");
  EXPECT_EQ(form.KeySum(), 99);
}

TEST_F(Form1Test, ReduceKeyKeepsTheLastTwoDecimalDigits) {
  for (const auto& [sum, key] : {std::pair{294, 94}, {7, 7}, {100, 0}, {32767, 67}, {10, 10}}) {
    FakeHost other;
    Form1 fresh(other);
    fresh.Text3_KeyPress(static_cast<std::int16_t>(sum));
    fresh.ReduceKey();
    EXPECT_EQ(fresh.KeySum(), key) << sum;
    fresh.ReduceKey();
    EXPECT_EQ(fresh.KeySum(), key) << "a second reduction changes nothing";
  }
}

TEST_F(Form1Test, EndlessTypingNeverOverflowsAndKeepsTheKey) {
  int sum = 0;
  for (int i = 0; i < 2000; ++i) {
    const auto code = static_cast<std::int16_t>(i % 2 ? 255 : 8);
    form.Text3_KeyPress(code);
    sum += code;
  }
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(host.ends, 0);
  form.ReduceKey();
  EXPECT_EQ(form.KeySum(), sum % 100);
}

TEST_F(Form1Test, ShiftPassesUndoEachOtherForEveryKeyAndCode) {
  Text all;
  for (char16_t code = 10; code <= 125; ++code)
    all.push_back(code);
  for (int key = 0; key < 100; ++key) {
    FakeHost other;
    Form1 fresh(other);
    fresh.Text3_KeyPress(static_cast<std::int16_t>(key + 100));
    fresh.SetText1(all);
    fresh.ShiftIntoCode();
    ASSERT_EQ(fresh.KeySum(), key);
    const Text shifted = fresh.Text2();
    ASSERT_EQ(shifted.size(), all.size());
    for (const char16_t c : shifted)
      ASSERT_TRUE(c >= 10 && c <= 125) << key;
    fresh.SetText1(u"");
    fresh.ShiftIntoPlain();
    EXPECT_EQ(fresh.Text1(), all) << key;
  }
}

TEST_F(Form1Test, ShiftWrapsPast125AndMapsOutsideCodesAsSpecified) {
  form.Text3_KeyPress(40);  // key 40
  form.SetText1(u"Z\t~");
  form.ShiftIntoCode();
  // "Z" 90 + 40 wraps to 14; Tab 9 + 40 = 49; "~" 126 + 40 wraps to 50.
  EXPECT_EQ(form.Text2(), (Text{14, u'1', u'2'}));
  EXPECT_EQ(form.Pos(), 4);
  EXPECT_EQ(form.CharCode(), 50);
  form.SetText1(u"");
  form.ShiftIntoPlain();
  // Tab comes back as "}" and "~" as a line feed: neither can be encoded.
  EXPECT_EQ(form.Text1(), u"Z}\n");
}

TEST_F(Form1Test, ShiftAppendsAfterWhatTheTargetHolds) {
  form.SetText2(u"xy");
  form.SetText1(u"a");
  form.ShiftIntoCode();
  EXPECT_EQ(form.Text2(), u"xya");
  form.SetText1(u"");
  form.ShiftIntoCode();  // an empty source appends nothing
  EXPECT_EQ(form.Text2(), u"xya");
  EXPECT_EQ(form.Pos(), 1);
}

TEST_F(Form1Test, ShiftRefusesSourcesItCannotCount) {
  form.SetText1(Text(32768, u'a'));
  try {
    form.ShiftIntoCode();
    FAIL() << "no overflow";
  } catch (const Error& error) {
    EXPECT_EQ(error.Number(), kOverflowNumber);
  }
  EXPECT_EQ(form.Text2(), u"") << "nothing is appended when the length does not fit";
  form.SetText1(Text(32767, u'a'));
  EXPECT_THROW(form.ShiftIntoCode(), Error);
  EXPECT_EQ(form.Text2().size(), 32767u) << "the pass fails only after its last character";
}

TEST_F(Form1Test, UnloadShrinksAroundTheCentreThenSlidesAwayAndEnds) {
  host.geometry = {2000, 4000, 5400, 4710};
  host.screenHeight = 4000;
  form.Form_Unload();
  ASSERT_EQ(host.moves.size() % 4, 0u);
  // With a window that moves at once, every step travels 60 twips, and the
  // top edge passes the screen's bottom after (4000 - 2000) / 60 + 1 steps.
  EXPECT_EQ(host.moves.size() / 4, 34u);
  EXPECT_EQ(host.moves[0], (Geometry{2060, 4000, 5400, 4710}));
  EXPECT_EQ(host.moves[3], (Geometry{2060, 4060, 5280, 4590}));
  // The centre stays put until the toolkit's minimum size stops the
  // shrinking; then the window slides away whole.
  for (std::size_t i = 3; i < host.moves.size(); i += 4) {
    const Geometry& g = host.moves[i];
    if (g.width > 1800) {
      EXPECT_EQ(g.left + g.width / 2, 4000 + 5400 / 2) << i;
    }
  }
  EXPECT_EQ(host.moves.back(), (Geometry{2000 + 34 * 60, 4000 + 34 * 60, 1800, 630}));
  EXPECT_EQ(host.ends, 1);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(Form1Test, UnloadKeepsToItsPaceOnASlowWindowAndAWideScreen) {
  // A 7680 x 4320-pixel screen whose window takes 5 ms to move.
  host.screenWidth = 7680 * 15;
  host.screenHeight = 4320 * 15;
  host.geometry = {30000, 55000, 5400, 4710};
  host.secondsPerMove = 0.005 / 4;
  form.Form_Unload();
  EXPECT_LE(host.seconds, 0.5 + 2 * 0.005);  // the pace, and the step that passes it
  EXPECT_GT(host.moves.back().top, host.screenHeight);
  EXPECT_EQ(host.ends, 1);
}

TEST_F(Form1Test, UnloadTakesOneStepWhenTheWindowIsAlreadyOffTheScreen) {
  for (const Geometry start : {Geometry{5000, 0, 5400, 4710}, Geometry{0, 30000, 5400, 4710}}) {
    FakeHost off;
    off.geometry = start;
    off.screenHeight = 4000;
    Form1 closing(off);
    closing.Form_Unload();
    EXPECT_EQ(off.moves.size(), 4u);
    EXPECT_EQ(off.ends, 1);
  }
}

TEST_F(Form1Test, UnloadEndsEvenWhenEveryMoveIsIgnored) {
  host.ignoreMoves = true;
  host.geometry.top = 1000;
  host.screenHeight = 1600;
  form.Form_Unload();
  // As many steps as it takes when every move works: (1600 - 1000) / 60 + 1.
  EXPECT_EQ(host.moveRequests, 11 * 4);
  EXPECT_EQ(host.ends, 1);
}

class ThrowingGeometry : public FakeHost {
 public:
  float Top() override { throw std::runtime_error("no geometry"); }
};

TEST(Form1Unload, EndsWhenTheGeometryCannotBeRead) {
  ThrowingGeometry host;
  Form1 form(host);
  form.Form_Unload();
  EXPECT_EQ(host.ends, 1);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(Form1Test, AnyOtherErrorEndsInTheErrorReport) {
  form.SetText2(u"code");
  host.failClipboard = true;
  form.CToC_Click();
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.Last().icon, MsgIcon::Critical);
  EXPECT_EQ(host.Last().text, u"Error 51\r\n\r\nInternal error: clipboard unavailable");
  EXPECT_EQ(host.ends, 1);
  EXPECT_EQ(form.Text2(), u"code");
}

class FailingMsgBox : public FakeHost {
 public:
  void MsgBox(const Message& message) override {
    FakeHost::MsgBox(message);
    if (messages.size() == 1)
      throw Error(-2147221504, u"injected");
  }
};

TEST(Form1ErrorReport, ShowsTheNumberAndDescriptionAndEnds) {
  FailingMsgBox host;
  Form1 form(host);
  form.Encode_Click();  // "Enter Password Frist", whose box then fails
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.messages[1],
            (Message{MsgId::Fatal, u"Error -2147221504\r\n\r\ninjected", MsgIcon::Critical}));
  EXPECT_EQ(host.ends, 1);
}

}  // namespace
}  // namespace vantrel
