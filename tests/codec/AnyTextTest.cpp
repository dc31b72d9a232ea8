// The any-text form: its exact layout, which peers write and read by the
// README's description, and the lengths the refusal of a long text names.
#include "codec/AnyText.h"

#include <gtest/gtest.h>

#include <random>

namespace vantrel {
namespace {

const Text kText =
    u"\x1F\x1E"
    u"This text needs a newer Vantrel.\r\n";
const Text kBytes =
    u"\x1F\x1E"
    u"This file needs a newer vantrel-cli decode --binary.\r\n";

TEST(AnyText, LayoutIsExactlyTheDocumentedOne) {
  const std::pair<Text, Text> cases[] = {
      // The README's worked example: U+00E9 is 00 E9, Base64 "AOk".
      {u"caf\u00E9!", kText + u"caf\x0E"
                              u"AOk\x0F!"},
      // A run of two: 20 19 20 1D, Base64 "IBkgHQ".
      {u"\u2019\u201D", kText + u"\x0E"
                                u"IBkgHQ\x0F"},
      // Above U+FFFF: its surrogate pair D8 3D DE 00.
      {u"\U0001F600", kText + u"\x0E"
                              u"2D3eAA\x0F"},
      // Tab, "~" and the shift characters themselves go in runs.
      {u"\t~\x0E\x0F", kText + u"\x0E"
                               u"AAkAfgAOAA8\x0F"},
      {u"\x1F\x1Ex", kText + u"\x1F\x1Ex"},
  };
  for (const auto& [text, form] : cases) {
    EXPECT_TRUE(NeedsAnyTextForm(text));
    EXPECT_EQ(AnyTextForm(text), form);
    EXPECT_EQ(AnyTextFormLength(text), form.size());
    const AnyTextRead read = ReadAnyTextForm(form);
    EXPECT_EQ(read.kind, AnyTextRead::Kind::Unicode);
    EXPECT_EQ(read.text, text);
  }
  EXPECT_FALSE(NeedsAnyTextForm(u"Plain text, line\r\nbreaks and {|}` too."));
  EXPECT_EQ(AnyBytesForm(std::string("A\0\xFF", 3)), kBytes +
                                                         u"A\x0E"
                                                         u"AP8\x0F");
}

TEST(AnyText, EveryByteComesBackAndBytesAreToldFromText) {
  std::string every;
  for (int byte = 255; byte >= 0; --byte)
    every.push_back(static_cast<char>(byte));
  EXPECT_TRUE(NeedsAnyBytesForm(every));
  EXPECT_FALSE(NeedsAnyBytesForm("plain\r\n"));
  const AnyTextRead read = ReadAnyTextForm(AnyBytesForm(every));
  EXPECT_EQ(read.kind, AnyTextRead::Kind::Bytes);
  EXPECT_EQ(read.bytes, every);
  EXPECT_EQ(ReadAnyTextForm(u"plain").kind, AnyTextRead::Kind::Plain);
}

TEST(AnyText, FindsTheFirstBrokenCharacter) {
  EXPECT_EQ(FirstIllFormed(u"ok \U0001F600"), std::nullopt);
  EXPECT_EQ(FirstIllFormed(Text{u'a', 0xD83D, u'b'}), 1u);
  EXPECT_EQ(FirstIllFormed(Text{0xD83D, 0xDE00, 0xDE00}), 2u);
  EXPECT_EQ(FirstIllFormed(Text{u'x', 0xD83D}), 1u);
}

TEST(AnyText, TheFittingBeginningIsTheLongestWhoseFormFits) {
  std::mt19937 random(7);
  const char32_t pool[] = {U'a', U' ', U'\u00E9', U'\u0416', U'\u4E2D', U'\U0001F600', U'\t'};
  for (int round = 0; round < 200; ++round) {
    Text text;
    for (int i = 0; i < 60; ++i) {
      const char32_t c = pool[random() % std::size(pool)];
      if (c > 0xFFFF) {
        text.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
        text.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
      } else {
        text.push_back(static_cast<char16_t>(c));
      }
    }
    const std::size_t limit = 36 + random() % 150;
    const std::size_t fitting = AnyTextFitting(text, limit);
    const std::u16string_view view(text);
    EXPECT_LE(AnyTextFormLength(view.substr(0, fitting)), limit);
    if (fitting < text.size()) {
      const std::size_t next =
          fitting + (text[fitting] >= 0xD800 && text[fitting] <= 0xDBFF ? 2 : 1);
      EXPECT_GT(AnyTextFormLength(view.substr(0, next)), limit) << round;
    }
  }
}

}  // namespace
}  // namespace vantrel
