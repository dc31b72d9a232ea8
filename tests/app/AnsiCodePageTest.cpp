#include "app/AnsiCodePage.h"

#include <gtest/gtest.h>

#include <set>

namespace vantrel {
namespace {

TEST(AnsiCodePage, IsOneToOneOverAllCodes) {
  std::set<char16_t> seen;
  for (int code = 0; code < 256; ++code) {
    const char16_t unit = AnsiChar(static_cast<std::uint8_t>(code));
    EXPECT_TRUE(seen.insert(unit).second) << code;
    EXPECT_EQ(AnsiCode(unit), code);
    EXPECT_TRUE(InCodePage(unit));
  }
}

TEST(AnsiCodePage, FollowsWindows1252) {
  EXPECT_EQ(AnsiChar(0x41), u'A');
  EXPECT_EQ(AnsiChar(0x80), u'\u20AC');
  EXPECT_EQ(AnsiChar(0x8A), u'\u0160');
  EXPECT_EQ(AnsiChar(0x99), u'\u2122');
  EXPECT_EQ(AnsiChar(0x9F), u'\u0178');
  EXPECT_EQ(AnsiChar(0xA0), u'\u00A0');
  EXPECT_EQ(AnsiChar(0xE9), u'\u00E9');
  // The five bytes the page leaves open keep the C1 control of their number.
  for (const int code : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
    EXPECT_EQ(AnsiChar(static_cast<std::uint8_t>(code)), code);
  }
}

TEST(AnsiCodePage, TurnsWhatItLacksIntoQuestionMarks) {
  for (const char16_t unit : {u'\u0080', u'\u0085', u'\u009F', u'\u0100', u'\u4E00', u'\u2400',
                              char16_t{0xD83D}, u'\uFFFD'}) {
    EXPECT_EQ(AnsiCode(unit), '?') << int(unit);
    EXPECT_FALSE(InCodePage(unit));
  }
  EXPECT_EQ(ToCodePage(u"a\u20AC\u0080\u0081\u4E00\r\n\u00FF"), u"a\u20AC?\u0081?\r\n\u00FF");
}

}  // namespace
}  // namespace vantrel
