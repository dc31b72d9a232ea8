#include "codec/Module1.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>

namespace vantrel {
namespace {

Text T(const std::string& ascii) {
  return Text(ascii.begin(), ascii.end());
}

// The fault a decode fails with, or nothing when it succeeds. Any error
// other than a CodecError goes through and fails the test.
std::optional<CodecFault> DecodeFailure(const Text& code) {
  try {
    DecodeText(code);
    return std::nullopt;
  } catch (const CodecError& error) {
    EXPECT_EQ(error.Number(), -2147221504);
    EXPECT_EQ(error.Description(), CodecErrorText(error.Fault()));
    return error.Fault();
  }
}

TEST(CodecError, DescriptionsReadExactlyAsTheUserSeesThem) {
  EXPECT_EQ(Text(CodecErrorText(CodecFault::Length)),
            u"Length Of Encoded Input String Is Not A Multiple of 4.");
  EXPECT_EQ(Text(CodecErrorText(CodecFault::Range)),
            u"Illegal Character In Encoded data Or Wrong Password");
  EXPECT_EQ(Text(CodecErrorText(CodecFault::Alphabet)),
            u"Illegal Character In Encoded Data Or Wrong Password");
  EXPECT_EQ(Text(CodecErrorText(CodecFault::NoData)),
            u"No Data In Encoded Input String Or Wrong Password");
}

TEST(Base64Tables, HoldTheStandardAlphabetAndRejectEverythingElse) {
  InitCodeTables();
  ASSERT_TRUE(TablesReady);
  const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (std::size_t v = 0; v < 64; ++v) {
    EXPECT_EQ(Base64Chars[v], alphabet[v]);
    EXPECT_EQ(Base64Values[static_cast<std::size_t>(alphabet[v])], v);
  }
  int outside = 0;
  for (const auto value : Base64Values)
    outside += value == 255;
  EXPECT_EQ(outside, 128 - 64);
  EXPECT_EQ(Base64Values['='], 255);
}

TEST(TextBytes, KeepUnitsBelow256AndTurnOthersIntoQuestionMarks) {
  const Text text = {u'\0', u'A', 0x7F, 0x80, 0xFF, 0x100, 0x20AC, 0xD83D};
  const ByteArray bytes = TextToBytes(text);
  EXPECT_EQ(bytes, (ByteArray{0, 'A', 0x7F, 0x80, 0xFF, '?', '?', '?'}));
  EXPECT_EQ(BytesToText(bytes), (Text{u'\0', u'A', 0x7F, 0x80, 0xFF, u'?', u'?', u'?'}));
  EXPECT_TRUE(TextToBytes(Text()).empty());
}

// RFC 4648, section 10.
struct Vector {
  const char* plain;
  const char* encoded;
};
class Rfc4648 : public ::testing::TestWithParam<Vector> {};

TEST_P(Rfc4648, EncodesAndDecodes) {
  EXPECT_EQ(EncodeText(T(GetParam().plain)), T(GetParam().encoded));
  EXPECT_EQ(DecodeText(T(GetParam().encoded)), T(GetParam().plain));
}

INSTANTIATE_TEST_SUITE_P(Section10, Rfc4648,
                         ::testing::Values(Vector{"", ""}, Vector{"f", "Zg=="},
                                           Vector{"fo", "Zm8="}, Vector{"foo", "Zm9v"},
                                           Vector{"foob", "Zm9vYg=="}, Vector{"fooba", "Zm9vYmE="},
                                           Vector{"foobar", "Zm9vYmFy"}),
                         [](const auto& param) {
                           const std::string plain = param.param.plain;
                           return plain.empty() ? std::string("empty") : plain;
                         });

TEST(Base64Encoder, CoversEveryByteAtEveryOffsetAndRoundTrips) {
  for (int offset = 0; offset < 3; ++offset) {
    Text text(static_cast<std::size_t>(offset), u'x');
    for (char16_t b = 0; b < 256; ++b)
      text.push_back(b);
    const Text encoded = EncodeText(text);
    EXPECT_EQ(encoded.size(), (text.size() + 2) / 3 * 4);
    for (const char16_t c : encoded) {
      EXPECT_TRUE(c == u'=' || (c < 128 && Base64Values[c] < 64)) << int(c);
    }
    EXPECT_EQ(DecodeText(encoded), text);
    // The byte forms agree with the text forms.
    EXPECT_EQ(EncodeByteArray(TextToBytes(text)), encoded);
    EXPECT_EQ(DecodeBytes(encoded), TextToBytes(text));
  }
}

TEST(Base64Encoder, EncodesUnitsAbove255AsQuestionMarks) {
  EXPECT_EQ(EncodeText(u"\u20AC"), EncodeText(u"?"));
}

TEST(Base64Encoder, EncodeBytesTakesOnlyTheFirstN) {
  const ByteArray bytes = {'f', 'o', 'o', 'b'};
  EXPECT_EQ(EncodeBytes(bytes, 3), u"Zm9v");
  EXPECT_EQ(EncodeBytes(bytes, 0), u"");
  EXPECT_THROW(EncodeBytes(bytes, 5), Error);
  EXPECT_THROW(EncodeBytes(bytes, -1), Error);
}

TEST(Base64Decoder, RejectsLengthsThatAreNotMultiplesOfFour) {
  for (const char* code : {"Z", "Zg", "Zg=", "Zm9vY", "Zm9vYg", "=====", "Zm9vYmE"}) {
    EXPECT_EQ(DecodeFailure(T(code)), CodecFault::Length) << code;
  }
}

TEST(Base64Decoder, RejectsCharactersOutsideTheAlphabetWithoutSkippingAny) {
  for (const char* code : {"Zm9v\r\nYg", "Zm 9", "Zm-9", "AB=C", "Zm9v=AAA", "Zg==Zg==", "Zm9v~AAA",
                           "\x7F"
                           "AAA"}) {
    EXPECT_EQ(DecodeFailure(T(code)), CodecFault::Alphabet) << code;
  }
  // A unit above 255 arrives as "?", which is outside the alphabet too.
  EXPECT_EQ(DecodeFailure(u"Zm9\u20AC"), CodecFault::Alphabet);
}

TEST(Base64Decoder, RejectsCharactersAbove127AsOutOfRange) {
  EXPECT_EQ(DecodeFailure(u"Zm9\u00E9"), CodecFault::Range);
  EXPECT_EQ(DecodeFailure(u"\u0080AAA"), CodecFault::Range);
  EXPECT_EQ(DecodeFailure(u"AAA\u00FF"), CodecFault::Range);
}

TEST(Base64Decoder, ChecksGroupsInOrder) {
  // The first faulty group decides which error is reported.
  EXPECT_EQ(DecodeFailure(u"Zm9\u00E9Zm-9"), CodecFault::Range);
  EXPECT_EQ(DecodeFailure(u"Zm-9Zm9\u00E9"), CodecFault::Alphabet);
}

TEST(Base64Decoder, AcceptsAnyNumberOfPaddingGroups) {
  EXPECT_EQ(DecodeText(u"Zm9v===="), u"foo");
  EXPECT_EQ(DecodeText(u"Zm9v============"), u"foo");
  EXPECT_EQ(DecodeText(u"Zg======"), u"f");
}

TEST(Base64Decoder, CountsMissingCharactersAsA) {
  EXPECT_EQ(DecodeText(u"QQ=="), u"A");
  EXPECT_EQ(DecodeText(u"QUI="), u"AB");
  // Bits below the last whole byte are dropped, not checked.
  EXPECT_EQ(DecodeText(u"QR=="), u"A");
}

TEST(Base64Decoder, RefusesInputThatIsAllPadding) {
  for (const char* code : {"====", "A===", "========", "Q======="}) {
    EXPECT_EQ(DecodeFailure(T(code)), CodecFault::NoData) << code;
  }
  EXPECT_EQ(DecodeText(Text()), Text());
}

TEST(Base64Decoder, ReportsOnlyItsOwnErrorsOnRandomInput) {
  std::mt19937 random(1234);
  const std::string pool = "AZaz09+/=Q \r\n\x01~";
  for (int round = 0; round < 5000; ++round) {
    Text code(random() % 13, u'A');
    for (auto& c : code) {
      const auto pick = random() % (pool.size() + 2);
      c = pick < pool.size() ? static_cast<char16_t>(pool[pick])
                             : static_cast<char16_t>(random() % 0x10000);
    }
    if (!DecodeFailure(code)) {
      const Text plain = DecodeText(code);
      EXPECT_EQ(DecodeText(EncodeText(plain)), plain);
    }
  }
}

}  // namespace
}  // namespace vantrel
