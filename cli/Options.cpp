#include "Options.h"

#include <charconv>
#include <cstdio>

#include "Sentences.h"

namespace vantrel::cli {
namespace {

// An option that would put the password on the command line.
bool LooksLikePassword(const std::string& name) {
  return name == "-p" || name.find("pass") != std::string::npos;
}

}  // namespace

ParsedOptions ParseOptions(const std::vector<std::string>& args) {
  ParsedOptions parsed;
  Options& options = parsed.options;
  const auto fail = [&](std::string why) {
    if (parsed.error.empty())
      parsed.error = std::move(why);
  };
  bool help = false;
  bool version = false;
  bool optionsEnd = false;
  std::vector<std::string> positional;

  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnd || arg == "-" || arg.empty() || arg[0] != '-') {
      positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnd = true;
      continue;
    }
    std::string name = arg;
    std::optional<std::string> value;
    if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    } else if (!arg.starts_with("--") && arg.size() > 2) {
      name = arg.substr(0, 2);  // a short option with its value glued on
      value = arg.substr(2);
    }
    // Takes the option's value from "=value" or from the next argument.
    const auto takeValue = [&]() -> std::optional<std::string> {
      if (value)
        return value;
      if (i + 1 < args.size())
        return args[++i];
      fail(name + " needs a value.");
      return std::nullopt;
    };

    const bool flag = name == "-h" || name == "--help" || name == "-V" || name == "--version" ||
                      name == "--escaped" || name == "--binary" || name == "-a" ||
                      name == "--armor" || name == "--compatible";
    if (flag && value) {
      fail(name + " takes no value.");
    } else if (name == "-h" || name == "--help") {
      help = true;
    } else if (name == "-V" || name == "--version") {
      version = true;
    } else if (name == "-a" || name == "--armor") {
      options.armor = true;
    } else if (name == "--escaped") {
      options.escaped = true;
    } else if (name == "--binary") {
      options.binary = true;
    } else if (name == "--compatible") {
      options.compatible = true;
    } else if (name == "-o" || name == "--output") {
      const auto file = takeValue();
      if (options.outputFile)
        fail("give the output file only once.");
      else if (file && file->empty())
        fail(name + " needs a file name.");
      else
        options.outputFile = file;
    } else if (name == "--block") {
      const auto text = takeValue();
      std::size_t n = 0;
      if (text) {
        const char* end = text->data() + text->size();
        const auto [ptr, ec] = std::from_chars(text->data(), end, n);
        if (ec != std::errc() || ptr != end || n == 0) {
          fail(
              "--block needs a number from 1: the code's place among the input's mail-safe "
              "codes, counted from the top.");
          continue;
        }
      }
      if (options.block)
        fail("give --block only once.");
      else if (text)
        options.block = n;
    } else if (name == "--password-file") {
      const auto file = takeValue();
      if (options.passwordFile || options.passwordFd)
        fail("give the password's source only once.");
      else if (file && file->empty())
        fail("--password-file needs a file name.");
      else
        options.passwordFile = file;
    } else if (name == "--password-fd") {
      const auto text = takeValue();
      int fd = -1;
      if (text) {
        const char* end = text->data() + text->size();
        const auto [ptr, ec] = std::from_chars(text->data(), end, fd);
        if (ec != std::errc() || ptr != end || fd < 0) {
          fail("--password-fd needs a descriptor number.");
          continue;
        }
      }
      if (options.passwordFile || options.passwordFd)
        fail("give the password's source only once.");
      else if (text)
        options.passwordFd = fd;
    } else if (LooksLikePassword(name)) {
      fail(
          "a password is never taken from the command line, where other users can read it; "
          "use --password-file FILE, --password-fd N, or type it when asked.");
    } else {
      fail("unknown option \"" + Shown(name) + "\".");
    }
  }

  if (help) {
    parsed = {};
    parsed.options.command = Command::Help;
    return parsed;
  }
  if (version) {
    parsed = {};
    parsed.options.command = Command::Version;
    return parsed;
  }
  if (positional.empty()) {
    fail("name a command: encode or decode.");
  } else if (positional[0] == "encode") {
    options.command = Command::Encode;
  } else if (positional[0] == "decode") {
    options.command = Command::Decode;
  } else {
    fail("unknown command \"" + Shown(positional[0]) + "\"; the commands are encode and decode.");
  }
  if (options.block && options.command == Command::Encode) {
    fail("--block chooses a code to decode; encode makes one.");
  }
  if (options.armor && options.escaped) {
    fail("give only one of --armor and --escaped.");
  }
  if (options.compatible && options.command == Command::Decode) {
    fail("--compatible is for encode only: decode reads every form.");
  }
  if (positional.size() > 2) {
    fail("only one input file may be named; a password is never given on the command line.");
  } else if (positional.size() == 2 && positional[1] != "-") {
    options.inputFile = positional[1];
  }
  if (options.outputFile == "-")
    options.outputFile.reset();
  return parsed;
}

namespace {

// The sentences that differ between systems: what a descriptor is, and who
// may read a new output file.
#ifdef _WIN32
constexpr const char* kTerminalNote = R"(
descriptor; it is never taken from the command line itself. On Windows the
terminal is the console.
)";
constexpr const char* kDescriptorNote = R"(
                        password is asked for there as on the terminal. On
                        Windows N is a C runtime descriptor: 0, 1 and 2 are
                        the standard handles; cmd and PowerShell pass no
                        others.
)";
constexpr const char* kOutputNote = R"(
                        leaves it as it was. On Windows FILE gets the access
                        rights its folder gives new files.
)";
#else
constexpr const char* kTerminalNote = R"(
descriptor; it is never taken from the command line itself.
)";
constexpr const char* kDescriptorNote = R"(
                        password is asked for there as on the terminal.
)";
constexpr const char* kOutputNote = R"(
                        leaves it as it was. A FIFO, a device, a symbolic
                        link, a mounted file, and a file with other names
                        or another owner are written in place, as "> FILE"
                        writes them; /dev/stdout and /dev/fd/N are the open
                        descriptors. Decoded text is readable by its owner
                        only. Another user's file or FIFO in a shared
                        folder like /tmp is refused, as the system does.
)";
#endif

// A note without the line break that opens it in the source.
std::string Note(const char* note) {
  return note + 1;
}

}  // namespace

std::string HelpText() {
  return R"(Usage: vantrel-cli encode [OPTIONS] [FILE]
  or:  vantrel-cli decode [OPTIONS] [FILE]

Turns a text into a password-keyed code and back, giving the same codes as
the Vantrel window. The input is read from FILE, or from standard input when
FILE is absent or "-"; the result goes to standard output, messages to
standard error.

  encode   Reads a text (UTF-8) and writes its code. To a pipe or a file the
           code is written exactly, with no newline added; with --armor, or
           to a terminal, it is written in its mail-safe form, followed by a
           newline; with --escaped, in the escaped form. Any text encodes: a
           text with characters outside ASCII, or with tabs or "~", goes
           through the any-text form, which older copies of Vantrel show as
           a notice (see --compatible).
  decode   Reads a code and writes its text (UTF-8). A mail-safe code is
           found wherever it stands in the input (a whole mail, quoted or
           re-wrapped, saved in any charset, UTF-16, quoted-printable, HTML
           or base64; up to 64 MiB); any other code is read exactly, or
           with --escaped, or when it comes from a terminal, in the escaped
           form. On a terminal, control characters in the text are shown
           as \xHH.

The mail-safe form holds only letters, digits and "+/=~", in lines of at
most 76 characters between "Vantrel1~" and "~~end", with a checksum: mail
and chat pass it on unchanged, and a block changed on its way is reported
as such, not as a wrong password. Blanks of every kind and ">" are ignored
in it. In a reply, blocks with the same code count once, and a block on a
line quoted with ">" is older than one that is not: with one block, or one
unquoted among several, decode reads that one; otherwise it reads none
and says how many different codes the input holds.

Line endings: the window types a line break as CR LF. By default encode
turns each lone LF into CR LF, so that a text with Unix line endings gives
the same code as the same lines typed into the window (each line break then
counts as two characters towards the limit of 24,572), and decode turns each
CR LF back into LF.

The password is asked for on the terminal with echo off (twice for encode,
which refuses to go on when the two differ), or read from a file or a
)" + Note(kTerminalNote) +
         R"(
Options:
  --password-file FILE  read the password from the first line of FILE,
                        without its line ending
  --password-fd N       read the password from the first line of descriptor
                        N; with N = 0 the text or code follows the password's
                        line on standard input. When N is a terminal, the
)" + Note(kDescriptorNote) +
         R"(  -o, --output FILE     write the result to FILE instead of standard output.
                        FILE is replaced only once the result is complete
                        (through a temporary file beside it), so a failure
)" + Note(kOutputNote) +
         R"(  --binary              encode: take the input as bytes, not text, and
                        keep every byte (any file comes back exactly);
                        decode: write the text's or the file's bytes exactly,
                        line endings included
  --compatible          encode: refuse a text that needs the any-text form,
                        naming its first such character, for a receiver who
                        runs an older copy of Vantrel
  -a, --armor           encode: write the mail-safe form of the code, for mail
                        and chat, followed by a newline (the default on a
                        terminal); decode: take only a mail-safe code
  --block N             decode: read the Nth of the different mail-safe codes
                        in the input, counted from the top (a code repeated
                        counts where it first stands)
  --escaped             use the escaped form of the code: printable ASCII
                        only, with \\ for a backslash, \n \r \t for line
                        feed, carriage return and tab, and \xHH for any other
                        character; blanks and line breaks in it are ignored
                        when reading. When decode fails on input that looks
                        escaped, it suggests this option.
  -h, --help            show this help
  -V, --version         show the version

The input may not be the output: "vantrel-cli encode f > f" is refused, as
the shell has emptied f before the tool starts.

Exit status:
   0  success
   1  wrong password, or the input is not a code
   2  input refused: empty, too long, not UTF-8, a broken character, a
      character that --compatible refuses, two different passwords typed, or
      a mail-safe code of a newer version of Vantrel
   3  the input holds several different mail-safe codes and none stands out
      as the newest (keep only the one you want, or choose it with --block
      N), or --block N names a code past the last
  64  usage error, the input is the output, or no terminal to ask for the
      password on
  65  the mail-safe code was changed or cut on its way: ask for it again
  66  a named file cannot be read
  70  internal error
  74  reading or writing a stream or the output file failed
)";
}

std::string VersionText() {
  char version[64];
  std::snprintf(version, sizeof version, "vantrel-cli %d.%02d", VANTREL_VERSION_MAJOR,
                VANTREL_VERSION_MINOR);
  return std::string(version) + "\n";
}

}  // namespace vantrel::cli
