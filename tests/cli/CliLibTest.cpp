// The tool's pieces on their own: UTF-8, the escaped form, the command line
// and the host's mapping from message boxes to exit statuses.

#include <gtest/gtest.h>

#include "cli/CliHost.h"
#include "cli/Escape.h"
#include "cli/Options.h"
#include "cli/Utf8.h"
#include "codec/Module1.h"
#include "tests/app/FakeHost.h"

namespace vantrel::cli {
namespace {

TEST(Utf8, DecodesEveryLengthAndWritesItBack) {
  const std::string bytes = "A\xC3\xA9\xE2\x82\xAC\xEF\xBF\xBD\x7F";
  const Utf8Text decoded = DecodeUtf8(bytes);
  EXPECT_FALSE(decoded.badOffset);
  EXPECT_EQ(decoded.text, u"A\u00E9\u20AC\uFFFD\u007F");
  EXPECT_EQ(EncodeUtf8(decoded.text), bytes);
  // Outside the 16-bit range: a surrogate pair, written back as one character.
  EXPECT_EQ(DecodeUtf8("\xF0\x9F\x98\x80!\xF4\x8F\xBF\xBF").text, u"\U0001F600!\U0010FFFF");
  EXPECT_EQ(EncodeUtf8(u"\U0001F600!\U0010FFFF"), "\xF0\x9F\x98\x80!\xF4\x8F\xBF\xBF");
  EXPECT_EQ(EncodeUtf8(u"a\xD800z"), "a?z");
}

TEST(Utf8, StopsAtTheFirstByteThatIsNotUtf8) {
  const std::vector<std::pair<std::string, std::size_t>> cases = {
      {"ab\x80", 2},            // a continuation byte on its own
      {"\xC0\x80", 0},          // overlong NUL
      {"\xC1\xBF", 0},          // overlong
      {"x\xE0\x80\x80", 1},     // overlong three-byte form
      {"\xED\xA0\x80", 0},      // an encoded surrogate
      {"\xF0\x80\x80\x80", 0},  // overlong four-byte form
      {"\xF4\x90\x80\x80", 0},  // above U+10FFFF
      {"\xF5\x80\x80\x80", 0},  // no such lead byte
      {"caf\xE9", 3},           // Latin-1
      {"ok\xE2\x82", 2},        // cut short at the end
      {"\xE2\x82(", 0},         // cut short in the middle
  };
  for (const auto& [bytes, offset] : cases) {
    const Utf8Text decoded = DecodeUtf8(bytes);
    ASSERT_TRUE(decoded.badOffset) << offset;
    EXPECT_EQ(*decoded.badOffset, offset);
  }
  EXPECT_EQ(WithoutByteOrderMark("\xEF\xBB\xBFx"), "x");
  EXPECT_EQ(WithoutByteOrderMark("x\xEF\xBB\xBF"), "x\xEF\xBB\xBF");
}

TEST(EscapedForm, EveryCharacterRoundTripsThroughPrintableAscii) {
  Text all;
  for (char16_t unit = 0; unit < 0x100; ++unit)
    all.push_back(unit);
  all += u"\u20AC\uFFFF";
  const std::string escaped = EscapeCode(all);
  for (const char c : escaped)
    ASSERT_TRUE(c > 32 && c < 127) << static_cast<int>(c);
  const Unescaped back = UnescapeCode(escaped);
  EXPECT_EQ(back.error, "");
  EXPECT_EQ(back.code, all);
}

TEST(EscapedForm, LinesBreakBetweenEscapes) {
  Text code;
  for (int i = 0; i < 300; ++i)
    code.push_back(static_cast<char16_t>(10 + i % 116));
  const std::string escaped = EscapeCode(code, 20);
  std::size_t lines = 0;
  for (std::size_t start = 0; start <= escaped.size(); ++lines) {
    std::size_t end = escaped.find('\n', start);
    if (end == std::string::npos)
      end = escaped.size();
    const std::string line = escaped.substr(start, end - start);
    EXPECT_LE(line.size(), 20u);
    if (end < escaped.size()) {  // only a whole escape moves to the next line
      EXPECT_GT(line.size(), 16u);
    }
    EXPECT_FALSE(line.ends_with("\\x")) << line;
    start = end + 1;
  }
  EXPECT_GT(lines, 20u);
  EXPECT_EQ(UnescapeCode(escaped).code, code);
}

TEST(EscapedForm, ReadsTheUsualEscapesAndSkipsLayout) {
  EXPECT_EQ(EscapeCode(u"a\\b\nc\rd\te f\x1B\x7F"), "a\\\\b\\nc\\rd\\te\\x20f\\x1B\\x7F");
  const Unescaped wrapped = UnescapeCode("  a\\\\b\\n\r\nc\\\r\n  x1b\\x7f\\u20ac\t\n");
  EXPECT_EQ(wrapped.error, "");
  EXPECT_EQ(wrapped.code, u"a\\b\nc\x1B\x7F\u20AC");
  EXPECT_EQ(UnescapeCode("\r\n").code, u"");
}

TEST(EscapedForm, ReadsTheSameInPiecesOfAnySize) {
  const std::string escaped = "a\\\\b\\n\r\nc\\\r\n  x1b\\x7f\\u20ac";
  for (std::size_t size = 1; size <= 4; ++size) {
    Unescaper reader;
    for (std::size_t at = 0; at < escaped.size(); at += size)
      ASSERT_TRUE(reader.Feed(std::string_view(escaped).substr(at, size)));
    EXPECT_EQ(reader.Finish().code, u"a\\b\nc\x1B\x7F\u20AC") << size;
  }
}

TEST(EscapedForm, RefusesMalformedInputNamingWhere) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"abc\\", "lone \"\\\" at position 4"},
      {"a\\q", "followed by \"q\" at position 2 is not an escape"},
      {"a\\N", "followed by \"N\" at position 2"},
      {"\\x4", "\"\\x\" at position 1 needs 2 hexadecimal digits"},
      {"\\xG0", "\"\\x\" at position 1 needs 2"},
      {"ab\\u12", "\"\\u\" at position 3 needs 4"},
      {"ab\x1B[0m", "byte 0x1B at position 3 is not part"},
      {"a\x7F", "byte 0x7F at position 2"},
      {"caf\xC3\xA9", "byte 0xC3 at position 4"},
      {std::string("a\0b", 3), "byte 0x00 at position 2"},
  };
  for (const auto& [input, why] : cases) {
    const Unescaped result = UnescapeCode(std::string_view(input.data(), input.size()));
    EXPECT_TRUE(result.code.empty()) << input;
    EXPECT_NE(result.error.find(why), std::string::npos) << result.error;
    EXPECT_TRUE(result.error.starts_with("Invalid escaped code: ")) << result.error;
  }
}

TEST(EscapedForm, TerminalSafeKeepsLinesAndShowsOtherControls) {
  EXPECT_EQ(TerminalSafe(u"one\r\ntwo\nthree\tend"), "one\r\ntwo\nthree\tend");
  EXPECT_EQ(TerminalSafe(u"a\x1B[2Jb\rc\x07\x7F\x9D\\"), "a\\x1B[2Jb\\rc\\x07\\x7F\\x9D\\");
  EXPECT_EQ(TerminalSafe(u"caf\u00E9 \u20AC"), "caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(TerminalSafe(u"ends\r"), "ends\\r");
}

ParsedOptions Parse(std::vector<std::string> args) {
  return ParseOptions(args);
}

TEST(CommandLine, TakesCommandSourcesAndFileInAnyOrder) {
  ParsedOptions p = Parse({"--escaped", "decode", "code.txt", "--password-fd", "4"});
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(p.options.command, Command::Decode);
  EXPECT_TRUE(p.options.escaped);
  EXPECT_EQ(p.options.passwordFd, 4);
  EXPECT_EQ(p.options.inputFile, "code.txt");

  p = Parse({"encode", "--password-file=pw", "-"});
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(p.options.passwordFile, "pw");
  EXPECT_FALSE(p.options.inputFile);

  p = Parse({"encode", "--", "--escaped"});  // a file named like an option
  ASSERT_EQ(p.error, "");
  EXPECT_FALSE(p.options.escaped);
  EXPECT_EQ(p.options.inputFile, "--escaped");

  EXPECT_EQ(Parse({"decode", "--bogus", "--version"}).options.command, Command::Version);
  EXPECT_EQ(Parse({"-h"}).options.command, Command::Help);
}

TEST(CommandLine, RefusesWhatItCannotUse) {
  const std::vector<std::vector<std::string>> lines = {
      {},
      {"encrypt"},
      {"encode", "a", "b"},
      {"encode", "--password", "x"},
      {"encode", "--password=x"},
      {"encode", "-p", "x"},
      {"encode", "--password-file"},
      {"encode", "--password-file="},
      {"encode", "--password-fd", "-1"},
      {"encode", "--password-fd", "3x"},
      {"encode", "--password-fd", "3", "--password-fd", "4"},
      {"encode", "--password-file", "a", "--password-fd", "4"},
      {"encode", "--escaped=yes"},
      {"encode", "--binary=no"},
      {"encode", "-o"},
      {"encode", "-o", "a", "--output=b"},
      {"encode", "-x"},
      {"encode", "-a", "--escaped"},
      {"encode", "--armor=yes"},
  };
  for (const auto& line : lines) {
    const ParsedOptions p = Parse(line);
    EXPECT_NE(p.error, "") << (line.empty() ? "(empty)" : line.back());
  }
  EXPECT_NE(Parse({"encode", "--password=x"}).error.find("password is never taken"),
            std::string::npos);
}

TEST(CommandLine, VersionComesFromTheProject) {
  EXPECT_EQ(VersionText(), "vantrel-cli 1.00\n");
}

TEST(Host, EachOfTheWindowsMessagesHasItsStatus) {
  const std::pair<MsgId, ExitStatus> statuses[] = {
      {MsgId::NeedPassword, kRefused},  {MsgId::NeedText, kRefused},
      {MsgId::NeedCode, kRefused},      {MsgId::WrongPassword, kRejected},
      {MsgId::CodecError, kRejected},   {MsgId::TooLong, kRefused},
      {MsgId::IllFormed, kRefused},     {MsgId::NothingToCopy, kRefused},
      {MsgId::Copied, kSuccess},        {MsgId::Fatal, kInternal},
      {MsgId::Damaged, kDamaged},       {MsgId::NewerForm, kRefused},
      {MsgId::CopiedForMail, kSuccess}, {MsgId::ClipboardBusy, kRefused},
      {MsgId::NotTyped, kRefused},      {MsgId::Oversized, kRefused},
  };
  for (const auto& [id, status] : statuses)
    EXPECT_EQ(StatusOf(id), status) << static_cast<int>(id);
}

TEST(Host, PrintsMessagesWithPlainNewlinesAndKeepsTheGravestStatus) {
  std::string shown;
  CliHost host([&](std::string_view line) { shown += line; });
  Form1 form(host);
  form.SetText1(Text{u'~', 0xD800});
  TypePassword(form, u"k");
  form.Encode_Click();
  EXPECT_EQ(host.Status(), kRefused);
  EXPECT_EQ(shown,
            "vantrel-cli: the text holds a broken character at line 1, column 2: half of a "
            "surrogate pair (U+D800) whose other half is missing, so it cannot be encoded. "
            "Delete it, or copy the text again from where it came, then choose Encode.\n");

  host.MsgBox(messages::ErrorReport(Error(51, u"Internal error")));
  host.MsgBox(messages::WrongPassword());
  EXPECT_EQ(host.Status(), kInternal);
}

TEST(Host, EveryMessageIsOneLineNamingTheTool) {
  const std::pair<Message, std::string> cases[] = {
      {messages::NeedPassword(),
       "the password is empty (the window says \"Enter Password Frist\")."},
      {messages::WrongPassword(),
       "wrong password: the code does not decode with this one (the window says \"Wrong "
       "Password\")."},
      {messages::TooLongToDecode(40000),
       "the code is too long to decode. A code has at most 32,764 characters; this one has "
       "40,000."},
      {messages::ErrorReport(Error(6, u"Overflow")),
       "internal error (the window says \"Error 6: Overflow\")."},
      {messages::Copied(), "the window says \"Your Encoded Txt: Has Been Copyed To Clipboard\"."},
  };
  for (const auto& [message, sentence] : cases)
    EXPECT_EQ(MessageLine(message), "vantrel-cli: " + sentence + "\n");
}

TEST(Host, EndLeavesTheCommandWithAnInternalError) {
  CliHost host([](std::string_view) {});
  EXPECT_THROW(host.End(), EndRequested);
  EXPECT_EQ(host.Status(), kInternal);
  // The window's Copy has no clipboard here: the model reports and ends.
  std::string shown;
  CliHost copying([&](std::string_view line) { shown += line; });
  Form1 form(copying);
  form.SetText2(u"code");
  EXPECT_THROW(form.CToC_Click(), EndRequested);
  EXPECT_EQ(copying.Status(), kInternal);
  EXPECT_TRUE(shown.starts_with(
      "vantrel-cli: internal error (the window says \"Error 51: Internal error: "))
      << shown;
}

}  // namespace
}  // namespace vantrel::cli
