// Runs the built vantrel-cli as a shell or a terminal would and compares its
// codes with those of the window model driven directly.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sched.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "Spawn.h"
#include "cli/CliHost.h"
#include "cli/Convert.h"
#include "cli/Escape.h"
#include "cli/Utf8.h"
#include "tests/EveryKindOfText.h"
#include "tests/app/FakeHost.h"
#include "tests/codec/Mails.h"

namespace vantrel::testing {
namespace {

using cli::EncodeUtf8;
using cli::EscapeCode;

class CliToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "vantrel-cli-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // A file in the test's own directory holding bytes.
  std::string File(const std::string& name, const std::string& bytes) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  std::string Slurp(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
  }

  static SpawnOptions Tool(std::vector<std::string> args, std::string input = {}) {
    SpawnOptions options;
    options.args = {VANTREL_CLI};
    options.args.insert(options.args.end(), args.begin(), args.end());
    options.input = std::move(input);
    return options;
  }

  // Encodes or decodes with the password given as the first line of a file.
  Spawned Run(const std::string& command, const std::string& password, const std::string& input,
              std::vector<std::string> more = {}) {
    std::vector<std::string> args = {command, "--password-file", File("password", password + "\n")};
    args.insert(args.end(), more.begin(), more.end());
    return Spawn(Tool(args, input));
  }

  std::filesystem::path dir_;
};

// The code a fresh window gives when the password is typed and Encode chosen.
Text ModelCode(const Text& password, const Text& plain, int* key = nullptr) {
  FakeHost host;
  Form1 form(host);
  TypePassword(form, password);
  form.SetText1(plain);
  form.Encode_Click();
  EXPECT_TRUE(host.messages.empty());
  if (key != nullptr)
    *key = form.KeySum();
  return form.Text2();
}

// What Copy For Mail in a window puts on the clipboard for the code of text.
std::string ModelMailSafe(const Text& password, const Text& plain) {
  FakeHost host;
  Form1 form(host);
  TypePassword(form, password);
  form.SetText1(plain);
  form.Encode_Click();
  form.CopyForMail_Click();
  std::string lines;
  for (const char16_t c : host.clipboard.value_or(u"")) {
    if (c != u'\r')
      lines += static_cast<char>(c);
  }
  return lines;
}

struct SameCodeCase {
  std::string password;  // UTF-8, as the password file holds it
  Text passwordTyped;    // what the window's user types for it
  int key;
};

class SameCodeAsWindow : public CliToolTest, public ::testing::WithParamInterface<SameCodeCase> {};

TEST_P(SameCodeAsWindow, ForEveryTextTheToolAndTheWindowAgreeByteForByte) {
  const SameCodeCase& c = GetParam();
  const std::vector<Text> texts = {
      u"Hello",
      u"x",
      u"Line one\r\nLine two\r\n",
      u"unix\nline\nends\n",
      u"a lone\rreturn",
      u"C:\\dir\\file.txt ends in a stop.",
      u" !\"#$%&'()*+,-./"
      u"0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}",
  };
  for (const Text& text : texts) {
    SCOPED_TRACE(EncodeUtf8(text));
    int key = -1;
    const Text code = ModelCode(c.passwordTyped, text, &key);
    EXPECT_EQ(key, c.key);

    const Spawned encoded = Run("encode", c.password, EncodeUtf8(text), {"--binary"});
    ASSERT_EQ(encoded.Status(), 0) << encoded.err;
    EXPECT_EQ(encoded.out, EncodeUtf8(code));
    EXPECT_EQ(encoded.err, "");

    const Spawned decoded = Run("decode", c.password, encoded.out, {"--binary"});
    ASSERT_EQ(decoded.Status(), 0) << decoded.err;
    EXPECT_EQ(decoded.out, EncodeUtf8(text));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, SameCodeAsWindow,
    ::testing::Values(SameCodeCase{"d", u"d", 0},                      // 100
                      SameCodeCase{"k", u"k", 7},                      // 107
                      SameCodeCase{"$", u"$", 36},                     // 36
                      SameCodeCase{"c", u"c", 99},                     // 99
                      SameCodeCase{"open sesame", u"open sesame", 4},  // 1104
                      SameCodeCase{"caf\xC3\xA9", u"caf\u00E9", 31},   // é is 233
                      SameCodeCase{"\xE2\x82\xAC", u"\u20AC", 28},     // the euro sign is 128
                      // A character the code page lacks is typed as "?" (63),
                      // one "?" even where it takes two code units.
                      SameCodeCase{"\xE3\x81\x82", u"?", 63},
                      SameCodeCase{"\xF0\x9F\x98\x80z", u"?z", 85}),
    [](const ::testing::TestParamInfo<SameCodeCase>& param) {
      return "Key" + std::to_string(param.param.key);
    });

TEST_F(CliToolTest, RoundTripsThroughFilesAndTheEscapedForm) {
  const std::string text = "Dear Sam,\r\nmeet at 7.\r\n";
  const std::string code = (dir_ / "code").string();
  SpawnOptions encode = Tool({"encode", "--password-file", File("pw", "m\n"), File("in", text)});
  encode.outputFile = code;
  const Spawned encoded = Spawn(encode);
  ASSERT_EQ(encoded.Status(), 0) << encoded.err;
  EXPECT_EQ(Slurp(code), EncodeUtf8(ModelCode(u"m", u"Dear Sam,\r\nmeet at 7.\r\n")));

  const Spawned decoded = Spawn(Tool({"decode", "--password-file", File("pw", "m\n"), code}));
  ASSERT_EQ(decoded.Status(), 0) << decoded.err;
  EXPECT_EQ(decoded.out, "Dear Sam,\nmeet at 7.\n");

  const Spawned escaped = Run("encode", "m", text, {"--escaped"});
  ASSERT_EQ(escaped.Status(), 0) << escaped.err;
  EXPECT_EQ(escaped.out,
            EscapeCode(cli::DecodeUtf8(Slurp(code)).text, cli::kEscapedLineWidth) + "\n");
  const Spawned back = Run("decode", "m", escaped.out, {"--escaped", "--binary"});
  ASSERT_EQ(back.Status(), 0) << back.err;
  EXPECT_EQ(back.out, text);
}

TEST_F(CliToolTest, EscapedFormCarriesBackslashesAndControlCharacters) {
  // With key 9 this text's code holds a backslash, a line feed and other
  // control characters.
  const Text code = ModelCode(u"m", u"Meet at 7.");
  ASSERT_NE(code.find(u'\\'), Text::npos);
  ASSERT_NE(code.find(u'\n'), Text::npos);
  ASSERT_TRUE(std::any_of(code.begin(), code.end(),
                          [](char16_t c) { return c < 32 && c != u'\n' && c != u'\r'; }));

  const Spawned escaped = Run("encode", "m", "Meet at 7.", {"--escaped"});
  ASSERT_EQ(escaped.Status(), 0) << escaped.err;
  for (const char c : escaped.out.substr(0, escaped.out.size() - 1))
    EXPECT_TRUE(c > 32 && c < 127) << static_cast<int>(c);

  // Mail may wrap and indent it; blanks and line breaks are no part of the form.
  std::string wrapped;
  for (std::size_t i = 0; i < escaped.out.size(); ++i) {
    wrapped += escaped.out[i];
    if (i % 7 == 6)
      wrapped += "\r\n  ";
  }
  const Spawned decoded = Run("decode", "m", wrapped, {"--escaped"});
  ASSERT_EQ(decoded.Status(), 0) << decoded.err;
  EXPECT_EQ(decoded.out, "Meet at 7.");

  // The plain form is read exactly: its own trailing LF may not be dropped,
  // nor may one be added.
  const Spawned plain = Run("decode", "m", EncodeUtf8(code) + "\n");
  EXPECT_EQ(plain.Status(), 1);
  EXPECT_EQ(plain.out, "");
}

TEST_F(CliToolTest, PasswordFromDescriptorsAndFilesTakesTheFirstLineOnly) {
  const std::string code = EncodeUtf8(ModelCode(u"k", u"Hi there"));

  SpawnOptions fd3 = Tool({"encode", "--password-fd", "3"}, "Hi there");
  fd3.extraInputs = {{3, "k\nnot part of it\n"}};
  Spawned result = Spawn(fd3);
  EXPECT_EQ(result.Status(), 0) << result.err;
  EXPECT_EQ(result.out, code);

  // On descriptor 0 the text follows the password's line.
  result = Spawn(Tool({"encode", "--password-fd=0"}, "k\r\nHi there"));
  EXPECT_EQ(result.Status(), 0) << result.err;
  EXPECT_EQ(result.out, code);

  for (const std::string password : {"k", "k\r\n", "k\nsecond line\n", "\xEF\xBB\xBFk\n"}) {
    result = Spawn(Tool({"encode", "--password-file=" + File("pw", password)}, "Hi there"));
    EXPECT_EQ(result.Status(), 0) << result.err;
    EXPECT_EQ(result.out, code) << password;
  }
}

std::string Repeated(std::string_view piece, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i)
    out += piece;
  return out;
}

TEST_F(CliToolTest, RefusedInputShowsTheWindowsMessageAndStatusTwo) {
  struct Case {
    std::string command, password, input, message;
  };
  // 24,572 bytes, 243 of them lone LFs, each of which becomes CR LF.
  std::string lines;
  while (lines.size() < 24572)
    lines += lines.size() % 101 == 100 ? '\n' : 'x';
  const std::vector<Case> cases = {
      {"encode", "", "text", "the password is empty (the window says \"Enter Password Frist\")."},
      {"decode", "", "code", "the password is empty (the window says \"Enter Password Frist\")."},
      {"encode", "k", "",
       "there is no text to encode: the input is empty (the window says \"Enter Txt Frist\")."},
      {"decode", "k", "",
       "there is no code to decode: the input is empty (the window says \"Enter Code Frist\")."},
      {"encode", "k", std::string(24573, 'a'),
       "the text is too long to encode. Vantrel encodes at most 24,572 characters; this text "
       "has 24,573."},
      {"encode", "k", lines,
       "the text is too long to encode. Vantrel encodes at most 24,572 characters; this text "
       "has 24,815.\nvantrel-cli: line breaks count twice: the window types each as CR LF, "
       "which adds 243 characters to this text."},
      {"encode", "k", std::string(98292, 'a'),
       "the text from standard input is too long to encode: Vantrel encodes at most 24,572 "
       "characters."},
      {"decode", "k", std::string(32767, 'a'),
       "the code is too long to decode. A code has at most 32,764 characters; this one has "
       "32,767."},
      {"encode", "k", Repeated("\xD0\x96", 9201),
       "the text is too long to encode. A code holds at most 24,572 characters with codes 10 to "
       "125, and fewer of any others: of this text, the first 9,200 characters fit; it has "
       "9,201."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const Spawned result = Run(c.command, c.password, c.input);
    EXPECT_EQ(result.Status(), 2);
    EXPECT_EQ(result.err, "vantrel-cli: " + c.message + "\n");
    EXPECT_EQ(result.out, "");
  }
  // The longest text the window takes goes through.
  EXPECT_EQ(Run("encode", "k", std::string(24572, 'a')).Status(), 0);

  const Spawned latin1 = Run("encode", "k", "caf\xE9");
  EXPECT_EQ(latin1.Status(), 2);
  EXPECT_NE(latin1.err.find("not valid UTF-8 (byte 0xE9 at offset 3)"), std::string::npos);
  const Spawned badPassword = Run("encode", "caf\xE9", "text");
  EXPECT_EQ(badPassword.Status(), 2);
  EXPECT_EQ(badPassword.err,
            "vantrel-cli: the password is not valid UTF-8; it must be UTF-8, as the key depends "
            "on every character.\n");
}

TEST_F(CliToolTest, EveryOtherPasswordGetsTheWindowsAnswer) {
  const std::string code = Run("encode", "d", "Hi").out;
  ASSERT_EQ(code, EncodeUtf8(ModelCode(u"d", u"Hi")));
  int wrongPassword = 0, notBase64 = 0;
  for (char password = '!'; password < '~'; ++password) {
    SCOPED_TRACE(password);
    FakeHost host;
    Form1 form(host);
    TypePassword(form, Text(1, static_cast<char16_t>(password)));
    form.SetText2(cli::DecodeUtf8(code).text);
    form.Decode_Click();

    const Spawned result = Run("decode", std::string(1, password), code);
    if (host.messages.empty()) {  // the right key, or one that happens to fit
      EXPECT_EQ(result.Status(), 0);
      EXPECT_EQ(result.out, EncodeUtf8(form.Text1()));
      continue;
    }
    EXPECT_EQ(result.Status(), 1);
    EXPECT_TRUE(result.err.starts_with(cli::MessageLine(host.Last()))) << result.err;
    EXPECT_EQ(result.out, "");
    wrongPassword += host.Last().icon == MsgIcon::None;
    notBase64 += host.Last().icon == MsgIcon::Critical;
  }
  // Both ways a wrong password shows were met.
  EXPECT_GT(wrongPassword, 0);
  EXPECT_GT(notBase64, 0);
}

TEST_F(CliToolTest, InvalidCodesGiveStatusOne) {
  struct Case {
    std::string code, message;
    std::vector<std::string> more;
  };
  const std::vector<Case> cases = {
      {"abc",
       "vantrel-cli: the input is not a code, or the password is wrong (the window says "
       "\"Length Of Encoded Input String Is Not A Multiple of 4.\").\n",
       {}},
      {"\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF",
       "vantrel-cli: the input is not a code, or the password is wrong (the window says "
       "\"Illegal Character In Encoded data Or Wrong Password\").\n",
       {}},
      {"ab\xFF\xFE",
       "vantrel-cli: the code is not valid UTF-8 (byte 0xFF at offset 2); a code is ASCII only.\n",
       {}},
      {"ab\\qcd",
       "vantrel-cli: Invalid escaped code: \"\\\" followed by \"q\" at position 3 is not an "
       "escape; "
       "the escapes are \\\\, \\n, \\r, \\t, \\xHH and \\uHHHH.\n",
       {"--escaped"}},
      {"abc\\x4",
       "vantrel-cli: Invalid escaped code: \"\\x\" at position 4 needs 2 hexadecimal digits.\n",
       {"--escaped"}},
      {"abc\x1B",
       "vantrel-cli: Invalid escaped code: byte 0x1B at position 4 is not part of the escaped "
       "form, which is printable ASCII only.\n",
       {"--escaped"}},
  };
  for (const Case& c : cases) {
    const Spawned result = Run("decode", "d", c.code, c.more);
    EXPECT_EQ(result.Status(), 1);
    EXPECT_EQ(result.err, c.message);
    EXPECT_EQ(result.out, "");
  }
}

TEST_F(CliToolTest, MailSafeCodesComeBackFromAMailDamageIsNamedAndBlockChoosesOne) {
  const std::string text = "Meet at nine.\nBring the map, the torch and the key to the shed.";
  const Spawned armored = Run("encode", "k", text, {"--armor"});
  ASSERT_EQ(armored.Status(), 0) << armored.err;
  // The window's Copy For Mail, line for line.
  EXPECT_EQ(armored.out,
            ModelMailSafe(u"k", cli::WithWindowsLineEnds(cli::DecodeUtf8(text).text)) + "\n");
  std::string quoted = "Hi Ann,\r\n\r\nhere it is:\r\n";
  for (std::size_t at = 0; at < armored.out.size();) {
    const std::size_t end = armored.out.find('\n', at);
    quoted += ">  " + armored.out.substr(at, end - at) + "   \r\n";
    at = end + 1;
  }
  quoted += "\r\n-- \r\nBob \\o/\r\n";
  std::string damaged = armored.out;
  damaged[20] = damaged[20] == 'Q' ? 'R' : 'Q';
  std::string newer = armored.out;
  newer[7] = '2';
  const std::string changed =
      "vantrel-cli: the code was changed on its way to you: ask for it again. Its mail-safe form "
      "is damaged or cut short, so it cannot be decoded; the password is not to blame.\n";
  // Several codes: none is decoded unless --block N names one, counted from
  // the top; N past the last is refused.
  const std::string first = Run("encode", "k", "first", {"--armor"}).out;
  const std::string second = Run("encode", "k", "second", {"--armor"}).out;
  const std::string mail = "Hi,\n" + first + "\n" + second + "\n" + first;
  const struct {
    std::string input;
    std::vector<std::string> more;
    int status;
    std::string out, err;
  } cases[] = {
      {armored.out, {}, 0, text, ""},
      {quoted, {}, 0, text, ""},
      {quoted, {"--escaped"}, 0, text, ""},
      {quoted,
       {"--binary"},
       0,
       "Meet at nine.\r\nBring the map, the torch and the key to the shed.",
       ""},
      {damaged, {}, 65, "", changed},
      {armored.out.substr(0, 60), {}, 65, "", changed},
      {newer, {}, 65, "", changed},  // the digit alone changed: the rest is version 1
      {"Vantrel2~" + armored.out.substr(9, 30) + "~~end",
       {},
       2,
       "",
       "vantrel-cli: this code was made by a newer version of Vantrel: update Vantrel to decode "
       "it.\n"},
      {quoted, {"--armor"}, 0, text, ""},
      {Run("encode", "k", text).out,
       {"--armor"},
       1,
       "",
       "vantrel-cli: the input holds no mail-safe code; without --armor, decode reads any "
       "code.\n"},
      {mail,
       {},
       3,
       "",
       "vantrel-cli: the input holds 2 different codes, and none of them stands out as the "
       "newest, so nothing was decoded: keep only the code you want in the input, or choose it "
       "with --block N (N = 1 for the first from the top).\n"},
      {mail, {"--block", "1"}, 0, "first", ""},
      {mail, {"--block=2"}, 0, "second", ""},
      {mail,
       {"--block", "3"},
       3,
       "",
       "vantrel-cli: --block 3: the input holds only 2 different "
       "mail-safe codes.\n"},
      {mail, {"--block", "1", "--escaped"}, 0, "first", ""},
      {first,
       {"--block", "2"},
       3,
       "",
       "vantrel-cli: --block 2: the input holds only one "
       "mail-safe code.\n"},
      {"Hi",
       {"--block", "1"},
       1,
       "",
       "vantrel-cli: the input from standard input holds no "
       "mail-safe code for --block to choose.\n"},
  };
  for (const auto& c : cases) {
    const Spawned decoded = Run("decode", "k", c.input, c.more);
    EXPECT_EQ(decoded.Status(), c.status) << c.input;
    EXPECT_EQ(decoded.out, c.out) << c.input;
    EXPECT_EQ(decoded.err, c.err) << c.input;
  }
  for (const char* bad : {"0", "-1", "x", "1x"}) {
    const Spawned refused = Run("decode", "k", mail, {"--block", bad});
    EXPECT_EQ(refused.Status(), 64) << bad;
  }
  EXPECT_EQ(Run("encode", "k", "x", {"--block", "1"}).Status(), 64);
}

// The mails of the shared table as saved files: decode gives the text of
// the code the table names, or the exit status of its outcome.
TEST_F(CliToolTest, DecodeReadsEveryMailOfTheTable) {
  using testing::MailOutcome;
  const std::string oldPlain = "The old plan: we meet at the station at eight, bring the map.";
  const std::string newPlain = "The new plan: we meet at the bridge at nine, bring the torch.";
  const testing::MailBlocks blocks{Run("encode", "k", oldPlain, {"--armor"}).out,
                                   Run("encode", "k", newPlain, {"--armor"}).out};
  ASSERT_TRUE(blocks.old.ends_with("~~end\n") && blocks.fresh.ends_with("~~end\n"));
  const testing::MailBlocks lines{blocks.old.substr(0, blocks.old.size() - 1),
                                  blocks.fresh.substr(0, blocks.fresh.size() - 1)};
  for (const testing::MailCase& c : testing::MailCases()) {
    SCOPED_TRACE(c.how);
    const std::string mail = c.make(lines).bytes;
    const Spawned decoded = Run("decode", "k", mail, {"-o", (dir_ / "out").string()});
    const int status = c.outcome == MailOutcome::Old || c.outcome == MailOutcome::New ? 0
                       : c.outcome == MailOutcome::Damaged                            ? 65
                       : c.outcome == MailOutcome::Newer                              ? 2
                       : c.outcome == MailOutcome::Several                            ? 3
                                                                                      : 1;
    EXPECT_EQ(decoded.Status(), status) << decoded.err;
    if (status == 0) {
      EXPECT_EQ(Slurp((dir_ / "out").string()),
                c.outcome == MailOutcome::Old ? oldPlain : newPlain);
      EXPECT_EQ(decoded.err, "");
    }
    std::filesystem::remove(dir_ / "out");
  }
}

TEST_F(CliToolTest, PasswordsAreNeverTakenFromTheCommandLine) {
  const std::string pw = File("pw", "k\n");
  const std::vector<std::vector<std::string>> lines = {
      {"encode", "--password", "secret"},
      {"encode", "--password=secret"},
      {"encode", "-p", "secret"},
      {"encode", "--passphrase", "secret"},
      {"encode", "--password-file", pw, "secret", "more"},
      {"decode", "--password-fd", "3", "--password-file", pw},
      {"encode", "--password-fd", "three"},
      {"encode", "--password-file"},
      {"encode", "--frobnicate"},
      {"scramble"},
      {},
  };
  for (const auto& line : lines) {
    const Spawned result = Spawn(Tool(line, "text"));
    EXPECT_EQ(result.Status(), 64) << (line.empty() ? "" : line.back());
    EXPECT_NE(result.err.find("vantrel-cli --help"), std::string::npos);
    EXPECT_EQ(result.out, "");
  }
  EXPECT_NE(Spawn(Tool({"encode", "--password", "x"})).err.find("password is never taken"),
            std::string::npos);
  // Without a terminal there is no way to ask for the password.
  const Spawned noTerminal = Spawn(Tool({"encode"}, "text"));
  EXPECT_EQ(noTerminal.Status(), 64);
  EXPECT_NE(noTerminal.err.find("no terminal"), std::string::npos);
  EXPECT_EQ(Spawn(Tool({"encode", "--password-fd", "9"}, "text")).Status(), 64);
}

TEST_F(CliToolTest, FilesThatCannotBeReadOrWritten) {
  const std::string missing = (dir_ / "missing").string();
  EXPECT_EQ(Spawn(Tool({"encode", "--password-file", missing}, "text")).Status(), 66);
  EXPECT_EQ(Run("encode", "k", "", {missing}).Status(), 66);
  EXPECT_EQ(Run("encode", "k", "", {dir_.string()}).Status(), 66);

  SpawnOptions full = Tool({"encode", "--password-file", File("pw", "k")}, "text");
  full.outputFile = "/dev/full";
  const Spawned result = Spawn(full);
  EXPECT_EQ(result.Status(), 74);
  EXPECT_NE(result.err.find("cannot write"), std::string::npos);

  // A crafted name reaches the terminal with its controls named, not sent:
  // a title change, C1's CSI, a right-to-left override, a byte not UTF-8.
  const std::string crafted =
      "a\x1B]0;owned\x07\xC2\x9B"
      "b\xE2\x80\xAE"
      "c\xFF";
  const std::string shown = "aU+001B]0;ownedU+0007U+009BbU+202Ec\\xFF";
  const std::string pw = File("pw", "k");
  const std::vector<std::vector<std::string>> lines = {
      {"encode", "--password-file", crafted},
      {"encode", "--password-file", pw, crafted},
      {"encode", "--password-file", pw, "-o", crafted + "/x"},
      {crafted},
  };
  for (const auto& line : lines) {
    const Spawned named = Spawn(Tool(line, "text"));
    EXPECT_NE(named.err.find(shown), std::string::npos) << named.err;
    EXPECT_EQ(std::count_if(named.err.begin(), named.err.end(),
                            [](char c) { return (c >= 0 && c < 0x20) || c == 0x7F; }),
              std::count(named.err.begin(), named.err.end(), '\n'));
  }
}

TEST_F(CliToolTest, HelpAndVersion) {
  const Spawned help = Spawn(Tool({"--help"}));
  EXPECT_EQ(help.Status(), 0);
  for (const char* part :
       {"encode", "decode", "--password-file", "--password-fd", "--escaped", "Exit status", " 64 "})
    EXPECT_NE(help.out.find(part), std::string::npos) << part;
  EXPECT_EQ(Spawn(Tool({"encode", "-h", "--bogus"})).Status(), 0);
  const Spawned version = Spawn(Tool({"--version"}));
  EXPECT_EQ(version.Status(), 0);
  EXPECT_EQ(version.out, "vantrel-cli 1.00\n");
}

TEST_F(CliToolTest, LineEndsAreTheWindowsUnlessBinary) {
  const std::string code = EncodeUtf8(ModelCode(u"k", u"a\r\nb\rc"));
  struct Case {
    std::string command, input;
    std::vector<std::string> more;
    std::string out;
  };
  const std::vector<Case> cases = {
      {"encode", "a\nb\rc", {}, code},
      {"encode", "a\r\nb\rc", {}, code},
      {"encode", "a\nb", {"--binary"}, EncodeUtf8(ModelCode(u"k", u"a\nb"))},
      {"decode", code, {}, "a\nb\rc"},
      {"decode", code, {"--binary"}, "a\r\nb\rc"},
  };
  for (const Case& c : cases) {
    const Spawned result = Run(c.command, "k", c.input, c.more);
    EXPECT_EQ(result.Status(), 0) << result.err;
    EXPECT_EQ(result.out, c.out) << c.command << " " << c.input;
  }
}

TEST_F(CliToolTest, AnyTextComesBack) {
  // As text, line breaks come back as LF; as bytes, exactly.
  for (const Text& text : kEveryKindOfText) {
    const std::string bytes = EncodeUtf8(text);
    const Spawned code = Run("encode", "k", bytes);
    ASSERT_EQ(code.Status(), 0) << code.err;
    const Spawned back = Run("decode", "k", code.out);
    EXPECT_EQ(back.Status(), 0) << back.err;
    EXPECT_EQ(back.out, EncodeUtf8(cli::WithUnixLineEnds(cli::WithWindowsLineEnds(text))));
    const Spawned binary =
        Run("decode", "k", Run("encode", "k", bytes, {"--binary"}).out, {"--binary"});
    EXPECT_EQ(binary.out, bytes);
  }
}

TEST_F(CliToolTest, CompatibleRefusesWhatNeedsTheNewForm) {
  const std::string rest =
      " needs the any-text form, which older copies of Vantrel show as a notice instead of the "
      "text; without --compatible it is encoded all the same.\n";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Pay \xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80 ok",
       "the character \"\xE4\xB8\xAD\" (U+4E2D) at line 1, column 5"},
      {"ok\n\xF0\x9F\x98\x80\n",
       "the character \"\xF0\x9F\x98\x80\" (U+1F600) at line 2, column 1"},
      {"a\nb\xC2\x80", "the character U+0080 at line 2, column 2"},
      {"zero\xE2\x80\x8Bwidth", "the character U+200B at line 1, column 5"},
      {"tab\there ~", "the character U+0009 at line 1, column 4"},
      {"\x1F\x1Eplain", "the character U+001F at line 1, column 1"},
  };
  for (const auto& [text, where] : cases) {
    const Spawned refused = Run("encode", "k", text, {"--compatible"});
    EXPECT_EQ(refused.Status(), 2);
    EXPECT_EQ(refused.err, "vantrel-cli: " + where + rest);
    EXPECT_EQ(refused.out, "");
  }
  EXPECT_EQ(Run("encode", "k", "plain {ascii}\n", {"--compatible"}).out,
            Run("encode", "k", "plain {ascii}\n").out);
}

TEST_F(CliToolTest, BinaryBringsBackAnyBytes) {
  std::string every;
  for (int byte = 0; byte < 256; ++byte)
    every.push_back(static_cast<char>(byte));
  // Any bytes, bytes that look like a text's form, and bytes of codes 10 to
  // 125, which give the code of the same text.
  const std::string files[] = {every + every,
                               "\xEF\xBB\xBF"
                               "bom kept\r\n\n",
                               "\x1F\x1E"
                               "This text needs a newer Vantrel.\r\n",
                               "plain\r\n"};
  for (const std::string& file : files) {
    const Spawned code = Run("encode", "b", file, {"--binary"});
    ASSERT_EQ(code.Status(), 0) << code.err;
    const Spawned back = Run("decode", "b", code.out, {"--binary"});
    EXPECT_EQ(back.Status(), 0) << back.err;
    EXPECT_EQ(back.out, file);
  }
  EXPECT_EQ(Run("encode", "b", "plain\r\n", {"--binary"}).out, Run("encode", "b", "plain\n").out);
}

TEST_F(CliToolTest, SuggestsEscapedOnlyForInputThatLooksEscaped) {
  const std::string escaped = Run("encode", "m", "Meet at 7.", {"--escaped"}).out;
  const std::string hint =
      "vantrel-cli: the input looks like a code in the escaped form; if it is one, decode it "
      "with --escaped.\n";
  const std::vector<std::pair<std::string, bool>> cases = {
      {escaped, true}, {"AB\\x", true}, {"abc", false}, {"ab\\qc", false}};
  for (const auto& [input, hinted] : cases) {
    const Spawned result = Run("decode", "m", input);
    EXPECT_NE(result.Status(), 0);
    EXPECT_EQ(result.err.ends_with(hint), hinted) << result.err;
  }
}

// What a folder holds, one line per entry below it, sorted: its path, its
// kind, and for files their permissions, other names, owner when not the
// test's, and bytes.
std::vector<std::string> Listing(const std::filesystem::path& folder) {
  std::vector<std::string> lines;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    struct stat st {};
    ::lstat(entry.path().c_str(), &st);
    char mode[8];
    std::snprintf(mode, sizeof mode, " %04o", static_cast<unsigned>(st.st_mode & 07777));
    std::string line = entry.path().lexically_relative(folder).string();
    if (S_ISLNK(st.st_mode)) {
      line += " link to " + std::filesystem::read_symlink(entry.path()).string();
    } else if (S_ISDIR(st.st_mode)) {
      line += " folder" + std::string(mode);
    } else if (S_ISSOCK(st.st_mode)) {
      line += " socket";
    } else {
      line += S_ISFIFO(st.st_mode) ? " fifo" : S_ISCHR(st.st_mode) ? " device" : " file";
      line += mode;
      if (st.st_nlink > 1)
        line += " x" + std::to_string(st.st_nlink);
      if (st.st_uid != ::geteuid())
        line += " owned by " + std::to_string(st.st_uid);
      if (S_ISREG(st.st_mode)) {
        std::ifstream file(entry.path(), std::ios::binary);
        line += " \"" + std::string(std::istreambuf_iterator<char>(file), {}) + "\"";
      }
    }
    lines.push_back(line);
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

// -o FILE for every kind of FILE: what becomes of it and of everything
// beside it, as "> FILE" would leave them, and no temporary file behind.
TEST_F(CliToolTest, OutputGoesWhereTheShellsRedirectionWould) {
  const std::string code = EncodeUtf8(ModelCode(u"k", u"Hi"));
  const mode_t mask = ::umask(0);
  ::umask(mask);
  char usual[8];
  std::snprintf(usual, sizeof usual, "%04o", static_cast<unsigned>(0666 & ~mask));
  const std::string encoded = std::string(" file ") + usual + " \"" + code + "\"";
  const std::string longName(250, 'n');
  const passwd* nobody = ::getpwnam("nobody");
  ASSERT_NE(nobody, nullptr);

  const std::string other = " owned by " + std::to_string(nobody->pw_uid);
  const std::string shared = "it is a file that belongs to user nobody, in a folder where others";

  // What the folder holds before: f a file (with text), h another name for
  // the file named in text, l a symbolic link to text, d a folder, p a
  // FIFO (in capitals: nobody's), c a null device, s a socket, m the file
  // named in text mounted over the one named; each with its mode.
  struct Thing {
    char kind;
    std::string name;
    mode_t mode = 0644;
    std::string text = {};
  };
  enum Flags : unsigned {
    kFails = 1,       // input the command refuses
    kStrictMask = 2,  // run under umask 0277
    kNobody = 4,      // run as nobody
    kLog = 8,         // standard output appends to the folder's "log"
    kFifoRead = 16,   // the test reads "out", a FIFO, afterwards
  };
  struct Case {
    std::string what, command, target;
    std::vector<Thing> before;
    int status;
    std::vector<std::string> after;  // the folder's listing afterwards
    std::string says = {};           // part of the message
    unsigned flags = 0;
  };
  // One case a row, or two.
  // clang-format off
  const std::vector<Case> cases = {
      {"a new file", "encode", "out", {}, 0, {"out" + encoded}},
      {"a new file, decoded", "decode", "out", {}, 0, {"out file 0600 \"Hi\""}},
      {"a new file, decoded, under a stricter umask", "decode", "out", {}, 0,
       {"out file 0400 \"Hi\""}, "", kStrictMask},
      {"a file", "encode", "out", {{'f', "out", 0640, "old"}}, 0,
       {"out file 0640 \"" + code + "\""}},
      {"a file, decoded", "decode", "out", {{'f', "out", 0644, "old"}}, 0, {"out file 0600 \"Hi\""}},
      {"a file, when decoding fails", "decode", "out", {{'f', "out", 0644, "old"}}, 1,
       {"out file 0644 \"old\""}, "", kFails},
      {"a file with two names", "encode", "out", {{'f', "out", 0644, "old"}, {'h', "other", 0, "out"}},
       0, {"other file 0644 x2 \"" + code + "\"", "out file 0644 x2 \"" + code + "\""}},
      {"a symbolic link", "encode", "out", {{'f', "target", 0644, "old"}, {'l', "out", 0, "target"}},
       0, {"out link to target", "target file 0644 \"" + code + "\""}},
      {"a symbolic link, when encoding fails", "encode", "out",
       {{'f', "target", 0644, "old"}, {'l', "out", 0, "target"}}, 2,
       {"out link to target", "target file 0644 \"old\""}, "", kFails},
      {"a symbolic link to nothing", "decode", "out", {{'l', "out", 0, "target"}}, 0,
       {"out link to target", "target file 0600 \"Hi\""}},
      {"another user's link in a shared folder", "decode", "tmp/out",
       {{'f', "victim", 0644, "old"}, {'d', "tmp", 01777}, {'L', "tmp/out", 0, "../victim"}}, 74,
       {"tmp folder 1777", "tmp/out link to ../victim", "victim file 0644 \"old\""},
       "another user's symbolic link in a shared folder is not followed"},
      {"a FIFO", "decode", "out", {{'p', "out"}}, 0, {"out fifo 0644"}, "", kFifoRead},
      {"a device", "decode", "out", {{'c', "out"}}, 0, {"out device 0644"}},
      {"a socket", "encode", "out", {{'s', "out"}}, 74, {"out socket"},
       "cannot write out: No such device or address"},
      {"standard output, appended to", "encode", "/dev/stdout", {{'f', "log", 0644, "earlier\n"}},
       0, {"log file 0644 \"earlier\n" + code + "\""}, "", kLog},
      {"a read-only folder", "encode", "ro/out", {{'d', "ro", 0555}}, 74, {"ro folder 0555"},
       "cannot write ro/out: no file can be made in its folder ro:", kNobody},
      {"a missing folder", "encode", "none/out", {}, 74, {},
       "cannot write none/out: no file can be made in its folder none:"},
      {"another user's file", "encode", "shared/out",
       {{'d', "shared", 0777}, {'f', "shared/out", 0666, "old"}}, 0,
       {"shared folder 0777", "shared/out file 0666 \"" + code + "\""}, "", kNobody},
      {"another user's file others may read, decoded", "decode", "shared/out",
       {{'d', "shared", 0777}, {'f', "shared/out", 0666, "old"}}, 74,
       {"shared folder 0777", "shared/out file 0666 \"old\""}, "only its owner may make it private",
       kNobody},
      {"a long name", "encode", longName, {}, 0, {longName + encoded}},
      // In a folder that others may write in but only owners delete from,
      // another user's file or FIFO is refused unless it is the folder
      // owner's, as the system protects them at its strictest.
      {"another user's file in a shared folder", "decode", "tmp/out",
       {{'d', "tmp", 01777}, {'F', "tmp/out", 0644, "old"}}, 74,
       {"tmp folder 1777", "tmp/out file 0644" + other + " \"old\""},
       "cannot write tmp/out: " + shared},
      {"another user's FIFO in a shared folder", "decode", "tmp/out",
       {{'d', "tmp", 01777}, {'P', "tmp/out"}}, 74,
       {"tmp folder 1777", "tmp/out fifo 0644" + other},
       "it is a FIFO that belongs to user nobody", kFifoRead},
      {"another user's file in a shared folder only the group may write in", "encode", "tmp/out",
       {{'d', "tmp", 01770}, {'F', "tmp/out", 0666, "old"}}, 74,
       {"tmp folder 1770", "tmp/out file 0666" + other + " \"old\""}, shared},
      {"a link to another user's file in a shared folder", "decode", "out",
       {{'d', "tmp", 01777}, {'F', "tmp/victim", 0644, "old"}, {'l', "out", 0, "tmp/victim"}}, 74,
       {"out link to tmp/victim", "tmp folder 1777", "tmp/victim file 0644" + other + " \"old\""},
       "cannot write out: the link leads to a file that belongs to user nobody"},
      {"another user's file in a shared folder of theirs", "encode", "tmp/out",
       {{'D', "tmp", 01777}, {'F', "tmp/out", 0640, "old"}}, 0,
       {"tmp folder 1777", "tmp/out file 0640" + other + " \"" + code + "\""}},
      {"another user's FIFO in a shared folder of theirs", "decode", "tmp/out",
       {{'D', "tmp", 01777}, {'P', "tmp/out"}}, 0,
       {"tmp folder 1777", "tmp/out fifo 0644" + other}, "", kFifoRead},
      {"one's own file in a shared folder, as its owner", "encode", "tmp/out",
       {{'d', "tmp", 01777}, {'F', "tmp/out", 0666, "old"}}, 0,
       {"tmp folder 1777", "tmp/out file 0666" + other + " \"" + code + "\""}, "", kNobody},
      // A file mounted over another is written, not renamed over: the one
      // under it is untouched.
      {"a file mounted there", "encode", "out",
       {{'f', "out", 0644, "old"}, {'f', "src", 0640, "mounted"}, {'m', "out", 0, "src"}}, 0,
       {"out file 0644 \"old\"", "src file 0640 \"" + code + "\""}},
  };
  // clang-format on

  const std::filesystem::path folder = dir_ / "out";
  std::filesystem::permissions(
      dir_, std::filesystem::perms::group_exec | std::filesystem::perms::others_exec,
      std::filesystem::perm_options::add);
  const std::string password = File("password", "k\n");
  const bool root = ::geteuid() == 0;
  // Mounts stay within the test's own view of the file systems when it can
  // have one; every mount is undone after its row anyway.
  if (root && ::unshare(CLONE_NEWNS) == 0)
    ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
  std::vector<std::string> skipped;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // Devices, mounts, other users' things and other users need root.
    if (!root && ((c.flags & kNobody) != 0 ||
                  std::any_of(c.before.begin(), c.before.end(), [](const Thing& t) {
                    return t.kind == 'c' || t.kind == 'm' || std::isupper(t.kind);
                  }))) {
      skipped.push_back(c.what + " (not run without root)");
      continue;
    }
    std::filesystem::remove_all(folder);
    std::filesystem::create_directory(folder);
    std::string mounted;  // the file mounted over another, or why it could not be
    for (const Thing& t : c.before) {
      const std::filesystem::path path = folder / t.name;
      sockaddr_un address{AF_UNIX, {}};
      const char kind = static_cast<char>(std::tolower(t.kind));
      switch (kind) {
        case 'f':
        case 'd':
          if (kind == 'f')
            std::ofstream(path) << t.text;
          else
            std::filesystem::create_directory(path);
          ::chmod(path.c_str(), t.mode);
          break;
        case 'h':
          std::filesystem::create_hard_link(folder / t.text, path);
          break;
        case 'l':
          std::filesystem::create_symlink(t.text, path);
          break;
        case 'm':
          mounted = ::mount((folder / t.text).c_str(), path.c_str(), nullptr, MS_BIND, nullptr) == 0
                        ? path.string()
                        : "mount --bind not permitted here: " + std::string(std::strerror(errno));
          break;
        case 'p':
          ::mkfifo(path.c_str(), t.mode);
          break;
        case 'c':
          ::mknod(path.c_str(), S_IFCHR | t.mode, makedev(1, 3));
          break;
        case 's':
          path.string().copy(address.sun_path, sizeof address.sun_path - 1);
          const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
          ::bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address);
          ::close(s);
          break;
      }
      if (std::isupper(t.kind))
        ::lchown(path.c_str(), nobody->pw_uid, nobody->pw_gid);
    }
    if (!mounted.empty() && !mounted.starts_with("/")) {
      skipped.push_back(c.what + " (" + mounted + ")");
      continue;
    }
    const bool encode = c.command == "encode";
    SpawnOptions options =
        Tool({c.command, "--password-file", password, "-o", c.target},
             (c.flags & kFails) != 0 ? (encode ? "" : "not a code") : (encode ? "Hi" : code));
    if ((c.flags & kNobody) != 0)
      options.user = {nobody->pw_uid, nobody->pw_gid};
    if ((c.flags & kLog) != 0) {
      options.outputFile = (folder / "log").string();
      options.appendToOutputFile = true;
    }
    // The test holds the FIFO open both ways, so the tool finds a reader,
    // and what it wrote waits there.
    const int fifo =
        (c.flags & kFifoRead) != 0 ? ::open((folder / c.target).c_str(), O_RDWR | O_NONBLOCK) : -1;
    const std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    ::umask((c.flags & kStrictMask) != 0 ? 0277 : mask);
    const Spawned result = Spawn(options);
    // A refusal comes before the password is asked for: without a password
    // file, and no terminal to ask on, it is the same.
    Spawned unasked;
    if (c.status == 74) {
      SpawnOptions bare = options;
      bare.args.erase(bare.args.begin() + 2, bare.args.begin() + 4);
      unasked = Spawn(bare);
    }
    ::umask(mask);
    std::filesystem::current_path(cwd);
    std::string received(64, '\0');
    const ssize_t got = fifo >= 0 ? ::read(fifo, received.data(), received.size()) : 0;
    received.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    if (fifo >= 0)
      ::close(fifo);
    if (!mounted.empty())
      ::umount2(mounted.c_str(), MNT_DETACH);

    EXPECT_EQ(result.Status(), c.status) << result.err;
    EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
    if (c.status == 74) {
      EXPECT_EQ(unasked.err, result.err);
    }
    EXPECT_EQ(Listing(folder), c.after);
    EXPECT_EQ(received, (c.flags & kFifoRead) != 0 && c.status == 0 ? "Hi" : "");
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
      if (entry.is_directory() && !entry.is_symlink())  // so that remove_all can empty it
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all);
    }
  }
  if (!skipped.empty()) {
    std::string names;
    for (const std::string& name : skipped)
      names += (names.empty() ? "" : "; ") + name;
    GTEST_SKIP() << "not run: " << names;
  }
}

// Runs the tool with args, its standard streams on /dev/null and the file
// `three` open on descriptor 3 when one is named, stopped at the entry of
// each system call for atCall; the tool's wait status.
int TracedTool(const std::vector<std::string>& args, const std::string& three,
               const std::function<void(pid_t, const __ptrace_syscall_info&)>& atCall) {
  std::vector<char*> argv = {const_cast<char*>(VANTREL_CLI)};
  for (const std::string& arg : args)
    argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0)
    return -1;
  if (pid == 0) {
    ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
    const int null = ::open("/dev/null", O_RDWR);
    for (int fd = 0; fd < 3; ++fd)
      ::dup2(null, fd);
    if (!three.empty())
      ::dup2(::open(three.c_str(), O_RDONLY), 3);
    // The leak check of a sanitized build stops the process with ptrace,
    // which a traced process cannot: it would abort at the end instead.
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string options = std::string(asan ? asan : "") + ":detect_leaks=0";
    ::setenv("ASAN_OPTIONS", options.c_str(), 1);
    ::raise(SIGSTOP);
    ::execv(VANTREL_CLI, argv.data());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  ::ptrace(PTRACE_SETOPTIONS, pid, nullptr,
           reinterpret_cast<void*>(PTRACE_O_TRACESYSGOOD | PTRACE_O_TRACEEXEC | PTRACE_O_EXITKILL));
  int signal = 0;
  while (::ptrace(PTRACE_SYSCALL, pid, nullptr, reinterpret_cast<void*>(signal)) == 0 &&
         ::waitpid(pid, &status, 0) == pid && WIFSTOPPED(status)) {
    signal =
        WSTOPSIG(status) == (SIGTRAP | 0x80) || WSTOPSIG(status) == SIGTRAP ? 0 : WSTOPSIG(status);
    __ptrace_syscall_info call{};
    if (WSTOPSIG(status) == (SIGTRAP | 0x80) &&
        ::ptrace(PTRACE_GET_SYSCALL_INFO, pid, reinterpret_cast<void*>(sizeof call), &call) > 0 &&
        call.op == PTRACE_SYSCALL_INFO_ENTRY)
      atCall(pid, call);
  }
  if (WIFSTOPPED(status))  // killed at a stop: its end is still to come
    ::waitpid(pid, &status, 0);
  return status;
}

// Killed by SIGKILL, which no handler sees, while it writes the result, the
// tool leaves FILE as it was and no temporary file: the result has no name
// in the folder until it is complete.
TEST_F(CliToolTest, AKilledRunLeavesNoTemporaryFile) {
  const std::filesystem::path folder = dir_ / "out";
  std::filesystem::create_directory(folder);
  const int unnamed = ::open(folder.c_str(), O_TMPFILE | O_WRONLY, 0600);
  if (unnamed < 0)
    GTEST_SKIP() << "no unnamed files in " << folder << ": a killed run leaves its temporary file";
  ::close(unnamed);
  std::ofstream(folder / "result") << "old";
  const std::string pw = File("pw", "k\n");
  const std::string input = File("in", "Hi");
  const std::string result = (folder / "result").string();

  // Stopped at each system call until it syncs the finished result to the
  // disk; there it is killed.
  std::string writing;  // the file the result was written into when killed
  const int status =
      TracedTool({"encode", "--password-file", pw, "-o", result, input}, "",
                 [&](pid_t pid, const __ptrace_syscall_info& call) {
                   if (call.entry.nr != SYS_fsync)
                     return;
                   writing = std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/fd/" +
                                                           std::to_string(call.entry.args[0]));
                   ::kill(pid, SIGKILL);
                 });
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
  EXPECT_TRUE(writing.starts_with(folder.string() + "/") && writing.ends_with(" (deleted)"))
      << writing;
  EXPECT_EQ(Listing(folder), std::vector<std::string>{"result file 0644 \"old\""});
}

// -o FILE is checked before the password is read; a symbolic link put in
// place of FILE (or of the file its link names) while the tool reads the
// password is never followed: what was checked is written, or nothing.
TEST_F(CliToolTest, ALinkSwappedInWhileThePasswordIsReadIsNotFollowed) {
  const std::string code = EncodeUtf8(ModelCode(u"k", u"Hi"));
  const std::filesystem::path folder = dir_ / "out";
  const std::string victim = File("victim", "victim");
  const std::string pw = File("pw", "k\n");
  const std::string input = File("in", "Hi");
  struct Case {
    std::string what;
    // Name, then text, "->name" (another name for it) or "=target" (a link).
    std::vector<std::pair<std::string, std::string>> before;
    std::string swapped;  // the name moved to NAME.moved and made a link to the victim
    int status;
    std::vector<std::string> after;
  };
  const std::string link = "link to " + victim;
  // clang-format off
  const std::vector<Case> cases = {
      {"a file, replaced", {{"out", "old"}}, "out", 74,
       {"out " + link, "out.moved file 0644 \"old\""}},
      {"a file with two names, written in place", {{"out", "old"}, {"other", "->out"}}, "out", 0,
       {"other file 0644 x2 \"" + code + "\"", "out " + link,
        "out.moved file 0644 x2 \"" + code + "\""}},
      {"no file yet", {}, "out", 74, {"out " + link}},
      {"a link to no file yet", {{"out", "=made"}}, "made", 74,
       {"made " + link, "out link to made"}},
      {"a link to a file", {{"out", "=target"}, {"target", "old"}}, "target", 0,
       {"out link to target", "target " + link, "target.moved file 0644 \"" + code + "\""}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directory(folder);
    for (const auto& [name, text] : c.before) {
      if (text.starts_with("->"))
        std::filesystem::create_hard_link(folder / text.substr(2), folder / name);
      else if (text.starts_with("="))
        std::filesystem::create_symlink(text.substr(1), folder / name);
      else
        std::ofstream(folder / name) << text;
      ::chmod((folder / name).c_str(), 0644);
    }
    // The password comes from descriptor 3: its first read is the moment.
    bool swapped = false;
    const int status =
        TracedTool({"encode", "--password-fd", "3", "-o", (folder / "out").string(), input}, pw,
                   [&](pid_t, const __ptrace_syscall_info& call) {
                     if (swapped || call.entry.nr != SYS_read || call.entry.args[0] != 3)
                       return;
                     swapped = true;
                     const std::filesystem::path name = folder / c.swapped;
                     std::error_code absent;
                     std::filesystem::rename(name, name.string() + ".moved", absent);
                     std::filesystem::create_symlink(victim, name);
                   });
    EXPECT_TRUE(swapped);
    EXPECT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), c.status);
    EXPECT_EQ(Slurp(victim), "victim");
    EXPECT_EQ(Listing(folder), c.after);
  }
}

TEST_F(CliToolTest, RefusesAnOutputThatIsOneOfTheInputs) {
  const std::string input = File("in", "Hi");
  const std::string pw = File("pw", "k\n");
  enum Redirect { kNone, kEmptying, kAppending };  // standard output to the input: > in, >> in
  struct Case {
    std::vector<std::string> args;
    Redirect redirect;
    std::string says;
  };
  const std::vector<Case> cases = {
      {{"encode", "--password-file", pw, input},
       kEmptying,
       "standard output is the input file " + input + " itself, which a shell's \"> " + input +
           "\" has already emptied;"},
      {{"encode", "--password-file", pw, input},
       kAppending,
       "standard output is the input file " + input +
           " itself, which the result would be written into;"},
      {{"encode", "--password-file", pw, "-o", input, input},
       kNone,
       "the output file " + input + " is the input file " + input + " itself"},
      {{"decode", "--password-file", pw, "--output=" + pw, input},
       kNone,
       "the output file " + pw + " is the password file " + pw},
      {{"encode", "--password-fd", "3", "-o", pw, input},
       kNone,
       "the output file " + pw + " is the file the password is read from (descriptor 3)"},
      {{"encode", "--password-fd", "3", "-o", "/dev/fd/3", input},
       kNone,
       "the output file /dev/fd/3 is the file the password is read from (descriptor 3)"},
  };
  for (const Case& c : cases) {
    SpawnOptions options = Tool(c.args);
    if (c.redirect != kNone) {
      options.outputFile = input;
      options.appendToOutputFile = c.redirect == kAppending;
    }
    options.readOnlyOn = {{3, pw}};
    const Spawned result = Spawn(options);
    EXPECT_EQ(result.Status(), 64);
    EXPECT_NE(result.err.find("vantrel-cli: " + c.says), std::string::npos) << result.err;
    EXPECT_EQ(Slurp(input), c.redirect == kEmptying ? "" : "Hi");
    File("in", "Hi");
  }
  EXPECT_EQ(Slurp(pw), "k\n");
}

TEST_F(CliToolTest, ErrorsNeverRepeatWhatMayBeAPassword) {
  struct Case {
    std::vector<std::string> args;
    std::string says;
  };
  const std::vector<Case> cases = {
      {{"encode", "-pMySecret"}, "a password is never taken from the command line"},
      {{"encode", "--password-fd=MySecret"}, "--password-fd needs a descriptor number."},
      {{"encode", "-xMySecret"}, "unknown option \"-x\"."},
      {{"encode", "--escaped=MySecret"}, "--escaped takes no value."},
      {{"decode", "--binary=MySecret"}, "--binary takes no value."},
      {{"--help=MySecret"}, "--help takes no value."},
      {{"-VMySecret"}, "-V takes no value."},
  };
  for (const Case& c : cases) {
    const Spawned result = Spawn(Tool(c.args, "text"));
    EXPECT_EQ(result.Status(), 64);
    EXPECT_TRUE(result.err.starts_with("vantrel-cli: " + c.says)) << result.err;
    EXPECT_EQ(result.err.find("MySecret"), std::string::npos) << result.err;
  }
}

TEST_F(CliToolTest, ABrokenPipeIsAWriteErrorAndHugeEscapedInputStopsEarly) {
  SpawnOptions options = Tool({"encode", "--password-file", File("pw", "k")});
  int in = -1, out = -1, err = -1;
  Spawned child = Start(options, in, out, err);
  ::close(out);  // nobody reads the code
  Finish(child, in, -1, err, "Hi");
  EXPECT_EQ(child.Status(), 74);
  EXPECT_EQ(child.err, "vantrel-cli: cannot write the output: Broken pipe\n");

  const Spawned huge = Run("decode", "k", std::string(16 << 20, 'A'), {"--escaped"});
  EXPECT_EQ(huge.Status(), 2);
  EXPECT_EQ(huge.err,
            "vantrel-cli: the code from standard input is too long to decode: a code has at most "
            "32,764 characters.\n");
}

// While the tool waits for the text, the password it has read is in its
// memory once, as the bytes read, and not as the 16-bit text the window
// model is typed in with.
TEST_F(CliToolTest, WhileTheTextIsAwaitedThePasswordIsHeldOnce) {
  const std::string password = "Vq7zXw3Lp";
  std::string wide;
  for (const char c : password)
    wide += {c, '\0'};
  SpawnOptions options = Tool({"encode", "--password-file", File("pw", password + "\n")});
  int in = -1, out = -1, err = -1;
  Spawned child = Start(options, in, out, err);
  const std::string process = "/proc/" + std::to_string(child.pid);
  bool waiting = false;  // in a read of standard input
  for (int i = 0; i < 1000 && !waiting; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream call(process + "/syscall");
    long number = -1;
    std::string fd;
    call >> number >> fd;
    waiting = number == SYS_read && fd == "0x0";
  }
  EXPECT_TRUE(waiting);

  int bytes = 0, texts = 0;
  std::ifstream maps(process + "/maps");
  const int memory = ::open((process + "/mem").c_str(), O_RDONLY | O_CLOEXEC);
  for (std::string line; std::getline(maps, line);) {
    unsigned long long start = 0, end = 0;
    char readable = '-';
    if (std::sscanf(line.c_str(), "%llx-%llx %c", &start, &end, &readable) != 3 ||
        readable != 'r' || end - start > (1ULL << 30))  // not the sanitizers' shadow
      continue;
    std::string region(end - start, '\0');
    if (::pread(memory, region.data(), region.size(), static_cast<off_t>(start)) <= 0)
      continue;
    for (auto at = region.find(password); at != std::string::npos;
         at = region.find(password, at + 1))
      ++bytes;
    for (auto at = region.find(wide); at != std::string::npos; at = region.find(wide, at + 1))
      ++texts;
  }
  ::close(memory);
  Finish(child, in, out, err, "Hi");
  EXPECT_EQ(child.Status(), 0) << child.err;
  EXPECT_EQ(bytes, 1);  // the one copy, which shows the search finds what is there
  EXPECT_EQ(texts, 0);
}

// Terminal sessions: the child's controlling terminal is a pseudo-terminal
// the test types into.

TEST_F(CliToolTest, AsksForThePasswordOnTheTerminalWithEchoOff) {
  Pty pty;
  SpawnOptions options = Tool({"encode"});
  options.terminal = pty.Name();
  int in = -1, out = -1, err = -1;
  Spawned child = Start(options, in, out, err);
  ASSERT_NE(pty.ReadUntil("Password: ").find("Password: "), std::string::npos);
  EXPECT_FALSE(pty.EchoOn());
  pty.Write("k\n");
  pty.ReadUntil("Password again: ");
  pty.Write("k\n");
  // The text comes through the pipe on standard input, the password did not.
  Finish(child, in, out, err, "Hi there");
  EXPECT_EQ(child.Status(), 0) << child.err;
  EXPECT_EQ(child.out, EncodeUtf8(ModelCode(u"k", u"Hi there")));
  EXPECT_EQ(pty.ReadUntil("\n", std::chrono::milliseconds(200)).find('k'), std::string::npos);
  EXPECT_TRUE(pty.EchoOn());
}

TEST_F(CliToolTest, CtrlCAtThePromptPutsTheEchoBack) {
  Pty pty;
  SpawnOptions options = Tool({"decode"});
  options.terminal = pty.Name();
  int in = -1, out = -1, err = -1;
  Spawned child = Start(options, in, out, err);
  pty.ReadUntil("Password: ");
  ASSERT_FALSE(pty.EchoOn());
  pty.Write("se\x03");  // Ctrl+C as the terminal sends it
  Finish(child, in, out, err, "");
  EXPECT_EQ(child.Signal(), SIGINT);
  EXPECT_TRUE(pty.EchoOn());
}

TEST_F(CliToolTest, TerminalsGetTheMailSafeOrEscapedFormAndNoRawControlCharacters) {
  const Text code = ModelCode(u"m", u"Meet at 7.");
  const std::string mailSafe = ModelMailSafe(u"m", u"Meet at 7.") + "\n";
  const std::string escaped = EscapeCode(code, cli::kEscapedLineWidth) + "\n";
  for (const auto& [more, form] :
       {std::pair{std::vector<std::string>{}, mailSafe}, {{"--escaped"}, escaped}}) {
    Pty pty;
    std::vector<std::string> args = {"encode", "--password-file", File("pw", "m")};
    args.insert(args.end(), more.begin(), more.end());
    SpawnOptions encode = Tool(args, "Meet at 7.");
    encode.terminal = pty.Name();
    encode.outputToTerminal = true;
    const Spawned encoded = Spawn(encode);
    ASSERT_EQ(encoded.Status(), 0) << encoded.err;
    std::string shown;
    for (const char c : form)
      shown += c == '\n' ? "\r\n" : std::string(1, c);  // as the terminal shows LF
    EXPECT_EQ(pty.ReadUntil(shown, std::chrono::seconds(5)), shown);

    // Pasted back on a terminal, either form is read.
    Pty input;
    SpawnOptions decode = Tool({"decode", "--password-file", File("pw", "m")});
    decode.terminal = input.Name();
    decode.inputFromTerminal = true;
    int in = -1, out = -1, err = -1;
    Spawned child = Start(decode, in, out, err);
    input.Write(form + "\x04");
    Finish(child, in, out, err, "");
    EXPECT_EQ(child.Status(), 0) << child.err;
    EXPECT_EQ(child.out, "Meet at 7.");
  }

  // A decoded text's ESC is shown, not sent to the terminal.
  Pty screen;
  const std::string ansi = "red \x1B[31m alert";
  SpawnOptions show =
      Tool({"decode", "--password-file", File("pw", "m")}, Run("encode", "m", ansi).out);
  show.terminal = screen.Name();
  show.outputToTerminal = true;
  ASSERT_EQ(Spawn(show).Status(), 0);
  EXPECT_EQ(screen.ReadUntil("alert", std::chrono::seconds(5)), "red \\x1B[31m alert");
}

// Types each line when the terminal shows its prompt; a Ctrl+D ends it
// without Enter.
void Answer(Pty& pty, const std::vector<std::pair<std::string, std::string>>& prompts) {
  for (const auto& [prompt, line] : prompts) {
    pty.ReadUntil(prompt);
    pty.Write(line.ends_with('\x04') ? line : line + "\n");
  }
}

TEST_F(CliToolTest, EncodeAsksForThePasswordTwiceAndDecodeOnce) {
  struct Case {
    std::string command, input;
    std::vector<std::pair<std::string, std::string>> prompts;
    int status;
    std::string out, err;
  };
  const std::string code = EncodeUtf8(ModelCode(u"k", u"Hi"));
  const std::string empty =
      "vantrel-cli: the password is empty (the window says \"Enter Password Frist\").\n";
  const std::vector<Case> cases = {
      {"encode", "Hi", {{"Password: ", "k"}, {"Password again: ", "k"}}, 0, code, ""},
      {"encode",
       "Hi",
       {{"Password: ", "k"}, {"Password again: ", "j"}},
       2,
       "",
       "vantrel-cli: the two passwords typed differ; nothing was encoded.\n"},
      {"decode", code, {{"Password: ", "k"}}, 0, "Hi", ""},
      // Nothing typed, or the input ended at once: refused without asking again.
      {"encode", "Hi", {{"Password: ", ""}}, 2, "", empty},
      {"encode", "Hi", {{"Password: ", "\x04"}}, 2, "", empty},
  };
  for (const Case& c : cases) {
    Pty pty;
    SpawnOptions options = Tool({c.command});
    options.terminal = pty.Name();
    int in = -1, out = -1, err = -1;
    Spawned child = Start(options, in, out, err);
    Answer(pty, c.prompts);
    Finish(child, in, out, err, c.input);
    EXPECT_EQ(child.Status(), c.status) << child.err;
    EXPECT_EQ(child.out, c.out);
    EXPECT_EQ(child.err, c.err);
    EXPECT_EQ(
        pty.ReadUntil("again", std::chrono::milliseconds(100)).find("again") != std::string::npos,
        c.prompts.size() == 2);
  }
}

TEST_F(CliToolTest, APasswordDescriptorThatIsATerminalIsAskedOnWithEchoOff) {
  Pty pty;
  SpawnOptions options = Tool({"encode", "--password-fd", "3"});
  options.readOnlyOn = {{3, pty.Name()}};  // and no controlling terminal at all
  int in = -1, out = -1, err = -1;
  Spawned child = Start(options, in, out, err);
  pty.ReadUntil("Password: ");
  EXPECT_FALSE(pty.EchoOn());
  pty.Write("k\n");
  pty.ReadUntil("Password again: ");
  pty.Write("k\n");
  Finish(child, in, out, err, "Hi");
  EXPECT_EQ(child.Status(), 0) << child.err;
  EXPECT_EQ(child.out, EncodeUtf8(ModelCode(u"k", u"Hi")));
  EXPECT_TRUE(pty.EchoOn());
}

// The state letter of a process in /proc, or 0 when it is gone.
char ProcessState(int pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  const auto close = line.rfind(')');
  return close == std::string::npos || close + 2 >= line.size() ? 0 : line[close + 2];
}

TEST_F(CliToolTest, CtrlZAtThePromptShowsTheEchoUntilTheToolContinues) {
  Pty pty;
  SpawnOptions options = Tool({"encode"});
  options.terminal = pty.Name();
  options.asJob = true;
  int in = -1, out = -1, err = -1;
  Spawned child = Start(options, in, out, err);
  pty.ReadUntil("Password: ");
  ASSERT_FALSE(pty.EchoOn());
  const int job = pty.ForegroundGroup();
  pty.Write("se\x1A");  // Ctrl+Z as the terminal sends it
  for (int i = 0; i < 200 && ProcessState(job) != 'T'; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_EQ(ProcessState(job), 'T');
  EXPECT_TRUE(pty.EchoOn());  // while stopped, the shell's terminal echoes

  ::kill(-job, SIGCONT);  // as fg does
  const std::string prompts = pty.ReadUntil("Password: Password: ");
  EXPECT_NE(prompts.find("Password: Password: "), std::string::npos) << prompts;
  EXPECT_FALSE(pty.EchoOn());
  Answer(pty, {{"", "k"}, {"Password again: ", "k"}});
  Finish(child, in, out, err, "Hi");
  EXPECT_EQ(child.Status(), 0) << child.err;
  EXPECT_EQ(child.out, EncodeUtf8(ModelCode(u"k", u"Hi")));
  EXPECT_TRUE(pty.EchoOn());
}

TEST_F(CliToolTest, EverySignalThatEndsTheToolAtThePromptPutsTheEchoBack) {
  // Allow core files, so that only the tool's own limit can keep them away.
  rlimit before{};
  ::getrlimit(RLIMIT_CORE, &before);
  const rlimit allowed{before.rlim_max, before.rlim_max};
  ::setrlimit(RLIMIT_CORE, &allowed);
  const int signals[] = {SIGINT,  SIGTERM, SIGHUP,    SIGQUIT, SIGALRM, SIGUSR1,  SIGUSR2,
                         SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGABRT, SIGRTMIN, SIGPIPE};
  const std::filesystem::path folder = dir_ / "out";
  std::filesystem::create_directory(folder);
  for (const int signal : signals) {
    SCOPED_TRACE(signal);
    Pty pty;
    SpawnOptions options = Tool({"decode", "-o", (folder / "text").string()});
    options.terminal = pty.Name();
    int in = -1, out = -1, err = -1;
    Spawned child = Start(options, in, out, err);
    pty.ReadUntil("Password: ");
    ASSERT_FALSE(pty.EchoOn());
    std::ifstream limits("/proc/" + std::to_string(child.pid) + "/limits");
    std::string line;
    while (std::getline(limits, line) && !line.starts_with("Max core file size")) {
    }
    std::istringstream fields(line.substr(std::string("Max core file size").size()));
    std::string soft, hard;
    fields >> soft >> hard;
    EXPECT_EQ(soft + " " + hard, "0 0");
    EXPECT_TRUE(std::filesystem::is_empty(folder));  // nothing is made before the result
    ::kill(child.pid, signal);
    if (signal == SIGPIPE) {  // ignored: the tool still asks
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      pty.Write("k\n");
    }
    Finish(child, in, out, err, "");
    EXPECT_EQ(child.Signal(), signal == SIGPIPE ? 0 : signal);
    EXPECT_FALSE(WCOREDUMP(child.waitStatus));
    EXPECT_TRUE(pty.EchoOn());
    EXPECT_TRUE(std::filesystem::is_empty(folder));  // nor is a half-made output left
  }
  ::setrlimit(RLIMIT_CORE, &before);
}

}  // namespace
}  // namespace vantrel::testing
