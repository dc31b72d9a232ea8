// Runs the built vantrel-cli as a shell or a terminal would and compares its
// codes with those of the window model driven directly.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Spawn.h"
#include "cli/Escape.h"
#include "cli/Utf8.h"
#include "tests/app/FakeHost.h"

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

    const Spawned encoded = Run("encode", c.password, EncodeUtf8(text));
    ASSERT_EQ(encoded.Status(), 0) << encoded.err;
    EXPECT_EQ(encoded.out, EncodeUtf8(code));
    EXPECT_EQ(encoded.err, "");

    const Spawned decoded = Run("decode", c.password, encoded.out);
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
  EXPECT_EQ(decoded.out, text);

  const Spawned escaped = Run("encode", "m", text, {"--escaped"});
  ASSERT_EQ(escaped.Status(), 0) << escaped.err;
  EXPECT_EQ(escaped.out,
            EscapeCode(cli::DecodeUtf8(Slurp(code)).text, cli::kEscapedLineWidth) + "\n");
  const Spawned back = Run("decode", "m", escaped.out, {"--escaped"});
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

TEST_F(CliToolTest, RefusedInputShowsTheWindowsMessageAndStatusTwo) {
  struct Case {
    std::string command, password, input, message;
  };
  const std::vector<Case> cases = {
      {"encode", "", "text", "Enter Password Frist\n"},
      {"decode", "", "code", "Enter Password Frist\n"},
      {"encode", "k", "", "Enter Txt Frist\n"},
      {"decode", "k", "", "Enter Code Frist\n"},
      {"encode", "k", std::string(24573, 'a'),
       "The text is too long to encode.\n\nVantrel encodes at most 24,572 characters; this text "
       "has 24,573.\n"},
      {"decode", "k", std::string(32767, 'a'),
       "The code is too long to decode.\n\nA code has at most 32,766 characters; this one has "
       "32,767.\n"},
      {"encode", "k", "ok\nso~",
       "The character \"~\" at line 2, column 3 cannot be encoded.\n\nVantrel encodes only "
       "characters with codes 10 to 125: letters A to Z and a to z, digits, spaces, line breaks "
       "and punctuation other than \"~\".\n"},
      {"encode", "k", "caf\xC3\xA9",
       "The character \"\xC3\xA9\" at line 1, column 4 cannot be encoded.\n\nVantrel encodes "
       "only characters with codes 10 to 125: letters A to Z and a to z, digits, spaces, line "
       "breaks and punctuation other than \"~\".\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const Spawned result = Run(c.command, c.password, c.input);
    EXPECT_EQ(result.Status(), 2);
    EXPECT_EQ(result.err, c.message);
    EXPECT_EQ(result.out, "");
  }
  // The longest text the window takes goes through.
  EXPECT_EQ(Run("encode", "k", std::string(24572, 'a')).Status(), 0);

  const Spawned latin1 = Run("encode", "k", "caf\xE9");
  EXPECT_EQ(latin1.Status(), 2);
  EXPECT_NE(latin1.err.find("not valid UTF-8 (byte 0xE9 at offset 3)"), std::string::npos);
  const Spawned badPassword = Run("encode", "caf\xE9", "text");
  EXPECT_EQ(badPassword.Status(), 2);
  EXPECT_NE(badPassword.err.find("password is not valid UTF-8"), std::string::npos);
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
    EXPECT_EQ(result.err, EncodeUtf8(host.Last().text) + "\n");
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
      {"abc", "Length Of Encoded Input String Is Not A Multiple of 4.\n", {}},
      {"\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF",
       "Illegal Character In Encoded data Or Wrong Password\n",
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
  EXPECT_NE(Spawn(Tool({"encode", "--password", "x"})).err.find("never takes a password"),
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

TEST_F(CliToolTest, TerminalsGetTheEscapedFormAndNoRawControlCharacters) {
  Pty pty;
  const Text code = ModelCode(u"m", u"Meet at 7.");
  SpawnOptions encode = Tool({"encode", "--password-file", File("pw", "m")}, "Meet at 7.");
  encode.terminal = pty.Name();
  encode.outputToTerminal = true;
  const Spawned encoded = Spawn(encode);
  ASSERT_EQ(encoded.Status(), 0) << encoded.err;
  std::string shown;
  for (const char c : EscapeCode(code, cli::kEscapedLineWidth) + "\n")
    shown += c == '\n' ? "\r\n" : std::string(1, c);  // as the terminal shows LF
  EXPECT_EQ(pty.ReadUntil(shown, std::chrono::seconds(5)), shown);

  // Pasted back on a terminal, the escaped form is what is read.
  Pty input;
  SpawnOptions decode = Tool({"decode", "--password-file", File("pw", "m")});
  decode.terminal = input.Name();
  decode.inputFromTerminal = true;
  int in = -1, out = -1, err = -1;
  Spawned child = Start(decode, in, out, err);
  input.Write(EscapeCode(code, cli::kEscapedLineWidth) + "\n\x04");
  Finish(child, in, out, err, "");
  EXPECT_EQ(child.Status(), 0) << child.err;
  EXPECT_EQ(child.out, "Meet at 7.");

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

}  // namespace
}  // namespace vantrel::testing
