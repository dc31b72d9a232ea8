#include "Tool.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string_view>

#include "CliHost.h"
#include "Escape.h"
#include "Options.h"
#include "Streams.h"
#include "Utf8.h"
#include "app/Form1.h"

namespace vantrel::cli {
namespace {

// The tool's own messages, as opposed to the window's: named after the tool.
int Complain(ExitStatus status, const std::string& why) {
  WriteAll(STDERR_FILENO, "vantrel-cli: " + why + "\n");
  return status;
}

std::string Grouped(std::size_t value) {
  std::string digits = std::to_string(value);
  for (auto at = static_cast<long>(digits.size()) - 3; at > 0; at -= 3)
    digits.insert(static_cast<std::size_t>(at), 1, ',');
  return digits;
}

std::string NotUtf8(std::string_view bytes, std::size_t offset) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned char>(bytes[offset]));
  return std::string("is not valid UTF-8 (byte ") + hex + " at offset " + std::to_string(offset) +
         ")";
}

struct Password {
  int status = kSuccess;
  std::string bytes;
};

Password GetPassword(const Options& options) {
  ReadResult read;
  std::string source;
  if (options.passwordFile) {
    source = *options.passwordFile;
    const int fd = ::open(options.passwordFile->c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
      return {Complain(kNoInput, "cannot read " + source + ": " + std::strerror(errno)), {}};
    read = ReadFirstLine(fd, kMaxPasswordBytes);
    ::close(fd);
    if (read.outcome == ReadResult::kFailed)
      return {Complain(kNoInput, "cannot read " + source + ": " + std::strerror(read.error)), {}};
  } else if (options.passwordFd) {
    source = "descriptor " + std::to_string(*options.passwordFd);
    if (::fcntl(*options.passwordFd, F_GETFD) < 0)
      return {Complain(kUsage, "--password-fd: " + source + " is not open."), {}};
    read = ReadFirstLine(*options.passwordFd, kMaxPasswordBytes);
  } else {
    source = "the terminal";
    read = AskOnTerminal("Password: ", kMaxPasswordBytes);
    if (read.outcome == ReadResult::kNoTerminal) {
      return {Complain(kUsage,
                       "there is no terminal to ask for the password on; use --password-file "
                       "FILE or --password-fd N."),
              {}};
    }
  }
  if (read.outcome == ReadResult::kFailed) {
    return {Complain(kIoError,
                     "cannot read the password from " + source + ": " + std::strerror(read.error)),
            {}};
  }
  if (read.outcome == ReadResult::kTooLong) {
    return {Complain(kRefused, "the password from " + source + " is longer than " +
                                   Grouped(kMaxPasswordBytes) + " bytes."),
            {}};
  }
  return {kSuccess, std::move(read.bytes)};
}

struct Input {
  int status = kSuccess;
  std::string bytes;
  bool fromTerminal = false;
};

Input GetInput(const Options& options) {
  const bool encode = options.command == Command::Encode;
  int fd = STDIN_FILENO;
  std::string source = "standard input";
  if (options.inputFile) {
    source = *options.inputFile;
    fd = ::open(options.inputFile->c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
      return {Complain(kNoInput, "cannot read " + source + ": " + std::strerror(errno)), {}};
  }
  Input input;
  input.fromTerminal = ::isatty(fd) == 1;
  if (input.fromTerminal) {
    WriteAll(STDERR_FILENO, encode ? "Type the text, then press Ctrl+D on a line of its own.\n"
                                   : "Paste the code, then press Ctrl+D on a line of its own.\n");
  }
  ReadResult read = ReadAll(fd, kMaxInputBytes);
  if (options.inputFile)
    ::close(fd);
  if (read.outcome == ReadResult::kFailed) {
    const std::string why = "cannot read " + source + ": " + std::strerror(read.error);
    return {Complain(options.inputFile ? kNoInput : kIoError, why), {}};
  }
  if (read.outcome == ReadResult::kTooLong) {
    return {Complain(kRefused, "the input from " + source + " is longer than " +
                                   Grouped(kMaxInputBytes) + " bytes; " +
                                   (encode ? "a text has at most " + Grouped(kMaxPlainLength)
                                           : "a code has at most " + Grouped(kMaxCodeLength)) +
                                   " characters."),
            {}};
  }
  input.bytes = std::move(read.bytes);
  return input;
}

int Write(std::string_view bytes) {
  if (const int error = WriteAll(STDOUT_FILENO, bytes); error != 0)
    return Complain(kIoError, std::string("cannot write the output: ") + std::strerror(error));
  return kSuccess;
}

int Run(const Options& options) {
  const bool encode = options.command == Command::Encode;
  const Password password = GetPassword(options);
  if (password.status != kSuccess)
    return password.status;
  const Utf8Text passwordText = DecodeUtf8(WithoutByteOrderMark(password.bytes));
  if (passwordText.badOffset) {
    return Complain(kRefused,
                    "the password " +
                        NotUtf8(WithoutByteOrderMark(password.bytes), *passwordText.badOffset) +
                        "; it must be UTF-8, as the key depends on every character.");
  }

  CliHost host;
  Form1 form(host);
  const auto command = [&] {
    if (encode)
      form.Encode_Click();
    else
      form.Decode_Click();
  };
  try {
    TypePassword(form, passwordText.text);
    if (form.Text3().empty()) {
      command();  // the window's own refusal of an empty password
      return host.Status();
    }

    const Input input = GetInput(options);
    if (input.status != kSuccess)
      return input.status;
    const std::string_view bytes = WithoutByteOrderMark(input.bytes);
    if (encode) {
      const Utf8Text text = DecodeUtf8(bytes);
      if (text.badOffset) {
        return Complain(kRefused,
                        "the text " + NotUtf8(bytes, *text.badOffset) + "; convert it to UTF-8.");
      }
      form.SetText1(text.text);
    } else if (options.escaped || input.fromTerminal) {
      Unescaped code = UnescapeCode(bytes);
      if (!code.error.empty())
        return Complain(kRejected, code.error);
      form.SetText2(std::move(code.code));
    } else {
      const Utf8Text code = DecodeUtf8(bytes);
      if (code.badOffset) {
        return Complain(kRejected,
                        "the code " + NotUtf8(bytes, *code.badOffset) + "; a code is ASCII only.");
      }
      form.SetText2(code.text);
    }
    command();
  } catch (const EndRequested&) {
    return kInternal;
  }
  if (host.Status() != kSuccess)
    return host.Status();

  if (encode) {
    if (options.escaped || ::isatty(STDOUT_FILENO) == 1)
      return Write(EscapeCode(form.Text2(), kEscapedLineWidth) + "\n");
    return Write(EncodeUtf8(form.Text2()));
  }
  if (::isatty(STDOUT_FILENO) == 1)
    return Write(TerminalSafe(form.Text1()));
  return Write(EncodeUtf8(form.Text1()));
}

}  // namespace

int RunTool(const std::vector<std::string>& args) {
  try {
    const ParsedOptions parsed = ParseOptions(args);
    if (!parsed.error.empty())
      return Complain(kUsage, parsed.error + "\nTry 'vantrel-cli --help'.");
    switch (parsed.options.command) {
      case Command::Help:
        return Write(HelpText());
      case Command::Version:
        return Write(VersionText());
      case Command::Encode:
      case Command::Decode:
        return Run(parsed.options);
      case Command::None:
        break;
    }
    return Complain(kInternal, "no command to run.");
  } catch (const std::bad_alloc&) {
    return Complain(kInternal, "out of memory.");
  } catch (const std::exception& error) {
    return Complain(kInternal, std::string("internal error: ") + error.what());
  }
}

}  // namespace vantrel::cli
