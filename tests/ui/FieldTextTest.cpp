#include "ui/FieldText.h"

#include <gtest/gtest.h>

#include <random>

#include "app/AnsiCodePage.h"

namespace vantrel {
namespace {

struct Case {
  const char* name;
  Text model;
  Text display;
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

class DisplayForm : public ::testing::TestWithParam<Case> {};

TEST_P(DisplayForm, ShowsAndReadsBack) {
  const Case& c = GetParam();
  EXPECT_EQ(ToDisplay(c.model), c.display);
  EXPECT_EQ(FromDisplay(c.display), c.model);
}

INSTANTIATE_TEST_SUITE_P(
    Characters, DisplayForm,
    ::testing::Values(
        Case{"Empty", u"", u""}, Case{"CrLf", u"a\r\nb", u"a\nb"},
        Case{"LoneLf", u"a\nb", u"a\u240A\nb"}, Case{"LoneCr", u"a\rb", u"a\u240Db"},
        Case{"LfCr", u"\n\r", u"\u240A\n\u240D"}, Case{"CrCrLf", u"\r\r\n", u"\u240D\n"},
        Case{"Nul", Text(1, u'\0'), u"\u2400"}, Case{"Tab", u"\t", u"\u2409"},
        Case{"Escape", u"\x1B", u"\u241B"}, Case{"Delete", u"\x7F", u"\u2421"},
        Case{"HighControls", u"\u0081\u008D\u008F\u0090\u009D", u"\u2460\u2461\u2462\u2463\u2464"},
        Case{"NoBreakSpace", u"a\u00A0b", u"a\u00A0b"},
        Case{"Euro", u"\u20AC\u00FF", u"\u20AC\u00FF"},
        // Any text is itself, but for the characters that
        // would read back as stand-ins or line breaks.
        Case{"Scripts", u"I\u2019m caf\u00E9 \u041F\u0440\u0438 \u05E9\u0644 \u4E2D",
             u"I\u2019m caf\u00E9 \u041F\u0440\u0438 \u05E9\u0644 \u4E2D"},
        Case{"EmojiZwjAndCombining", u"\U0001F469\u200D\U0001F4BBe\u0301",
             u"\U0001F469\u200D\U0001F4BBe\u0301"},
        Case{"LoneSurrogates", u"a\xD800-\xDC00", u"a\xD800-\xDC00"},
        Case{"PicturesThemselves", u"\u2409\t\u240A\n\u2421\u2460",
             u"\u2060\u2409\u2409\u2060\u240A\u240A\n\u2060\u2421\u2060\u2460"},
        Case{"LiteralMarkItself", u"\u2060\t\u2060", u"\u2060\u2060\u2409\u2060\u2060"},
        Case{"Separators", u"a\u2028b\u2029c\r\n", u"a\u2060\u2028b\u2060\nc\n"},
        Case{"FrameCharacters", u"\uFDD0\uFDD1", u"\u2060\u2426\u2060\u2425"}),
    [](const ::testing::TestParamInfo<Case>& param) { return param.param.name; });

TEST(DisplayForm, EveryCodeHasOneDistinctVisibleForm) {
  Text all;
  for (int code = 0; code < 256; ++code)
    all.push_back(AnsiChar(static_cast<std::uint8_t>(code)));
  const Text display = ToDisplay(all);
  ASSERT_EQ(display.size(), all.size() + 1);  // the lone LF adds its line break
  for (std::size_t i = 0; i < display.size(); ++i) {
    const char16_t unit = display[i];
    if (unit == u'\n')
      continue;
    // No control character reaches the widget, and no stand-in is a field
    // character, so none can be mistaken for text.
    EXPECT_FALSE(unit < 0x20 || unit == 0x7F || (unit >= 0x80 && unit <= 0x9F)) << i;
    if (unit != all[i < 11 ? i : i - 1]) {
      EXPECT_FALSE(InCodePage(unit)) << i;
    }
  }
  EXPECT_EQ(FromDisplay(display), all);
}

TEST(DisplayForm, ReadsWhatTheWidgetsMakeOfTheLiteralMark) {
  // Qt's document gives a paragraph break back as U+2029.
  EXPECT_EQ(FromDisplay(u"a\u2060\u2029b"), u"a\u2029b");
  // The mark alone, or before a character that needs none, is itself.
  EXPECT_EQ(FromDisplay(u"\u2060x\u2060"), u"\u2060x\u2060");
  EXPECT_EQ(ToDisplay(FromDisplay(u"\u2060x")), u"\u2060\u2060x");
}

TEST(DisplayForm, ReadsWhatEditingLeavesBehind) {
  // A LF mark whose line break was deleted still stands for its LF.
  EXPECT_EQ(FromDisplay(u"a\u240Ab"), u"a\nb");
  EXPECT_EQ(FromDisplay(u"a\u240A"), u"a\n");
  // Qt's paragraph and line separators are typed line breaks.
  EXPECT_EQ(FromDisplay(u"a\u2029b\u2028c"), u"a\r\nb\r\nc");
  EXPECT_EQ(FromDisplay(u"\u240A\u2029"), u"\n");
  // Raw control characters are field characters; they show as stand-ins.
  EXPECT_EQ(FromDisplay(u"a\tb\r"), u"a\tb\r");
  EXPECT_EQ(ToDisplay(FromDisplay(u"a\tb\r")), u"a\u2409b\u240D");
}

TEST(DisplayForm, RandomTextsRoundTrip) {
  std::mt19937 random(20261207);
  // Mostly line-break material and controls, where the mapping has its cases.
  const Text pool =
      u"\r\n\t\x01\x1F\x7F \u00A0aZ~\u0081\u009D\u20AC\u240A\u2029\u0101\u2060\u2028\u2409"
      u"\u2460\uFDD0\u2426\xD83D\xDE00";
  for (int round = 0; round < 2000; ++round) {
    Text text;
    const auto length = random() % 24;
    for (unsigned i = 0; i < length; ++i)
      text.push_back(pool[random() % pool.size()]);
    const Text display = ToDisplay(text);
    ASSERT_EQ(FromDisplay(display), text);
    ASSERT_EQ(ToDisplay(FromDisplay(display)), display);
    // Any text at all reads as something whose display is stable.
    const Text model = FromDisplay(text);
    ASSERT_EQ(FromDisplay(ToDisplay(model)), model);
  }
}

}  // namespace
}  // namespace vantrel
