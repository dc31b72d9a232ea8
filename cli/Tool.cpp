#include "Tool.h"

#include <algorithm>
#include <exception>
#include <new>
#include <optional>
#include <string_view>

#include "CliHost.h"
#include "Convert.h"
#include "Escape.h"
#include "Files.h"
#include "Options.h"
#include "Process.h"
#include "Secret.h"
#include "Sentences.h"
#include "Streams.h"
#include "Terminal.h"
#include "Utf8.h"
#include "app/Messages.h"
#include "codec/AnyText.h"
#include "codec/MailSafe.h"

namespace vantrel::cli {
namespace {

// The tool's own messages, named after the tool like the window's.
int Complain(ExitStatus status, const std::string& why) {
  WriteAll(kStandardError, "vantrel-cli: " + why + "\n");
  return status;
}

std::string Grouped(std::size_t value) {
  return EncodeUtf8(vantrel::Grouped(static_cast<long long>(value)));
}

std::string NotUtf8(std::string_view bytes, std::size_t offset) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const auto byte = static_cast<unsigned char>(bytes[offset]);
  return std::string("is not valid UTF-8 (byte 0x") + kHex[byte >> 4] + kHex[byte & 0xF] +
         " at offset " + std::to_string(offset) + ")";
}

// Bytes as the characters U+0000 to U+00FF of the same numbers.
Text Widened(std::string_view bytes) {
  Text text(bytes.size(), u'\0');
  std::ranges::transform(bytes, text.begin(),
                         [](char byte) { return static_cast<unsigned char>(byte); });
  return text;
}

// Where the text or code comes from.
struct Source {
  int fd = kStandardInput;
  std::string name = "standard input";
  bool owned = false;
  Source() = default;
  Source(const Source&) = delete;
  Source& operator=(const Source&) = delete;
  ~Source() {
    if (owned)
      Close(fd);
  }
};

// A run that writes over one of its own inputs would destroy it: with
// "> f" the shell has emptied f before the tool even starts.
int RefuseInputAsOutput(const Options& options, const Source& source) {
  const std::optional<FileId> output =
      options.outputFile ? RegularFileId(*options.outputFile) : RegularFileId(kStandardOutput);
  if (!output)
    return kSuccess;
  const std::string advice = "; write the result to another file.";
  const std::string outputShown =
      options.outputFile ? "the output file " + Shown(*options.outputFile) : "standard output";
  if (RegularFileId(source.fd) == output) {
    if (options.outputFile) {
      return Complain(kUsage, outputShown + " is the input " +
                                  (source.owned ? "file " + source.name : source.name) +
                                  " itself, which it would replace" + advice);
    }
    // With ">> f" the input is still whole, but the result would go into it.
    const bool emptied = EmptiedForWriting(kStandardOutput);
    return Complain(
        kUsage,
        (source.owned ? "standard output is the input file " + source.name + " itself"
                      : std::string("standard output is the same file as standard "
                                    "input")) +
            (!emptied       ? ", which the result would be written into"
             : source.owned ? ", which a shell's \"> " + source.name + "\" has already emptied"
                            : ", which a shell's \">\" has already emptied") +
            advice);
  }
  if (options.passwordFile && RegularFileId(*options.passwordFile) == output) {
    return Complain(kUsage,
                    outputShown + " is the password file " + Shown(*options.passwordFile) + advice);
  }
  if (options.passwordFd && RegularFileId(*options.passwordFd) == output) {
    return Complain(kUsage, outputShown + " is the file the password is read from (descriptor " +
                                std::to_string(*options.passwordFd) + ")" + advice);
  }
  return kSuccess;
}

struct Password {
  int status = kSuccess;
  std::string bytes;  // the caller wipes them
};

// The password's bytes from where the options say. On a terminal, encode
// asks twice: a typo would make a code that nobody can open.
Password GetPassword(const Options& options, bool confirm) {
  ReadResult read;
  std::string source = "the terminal";
  int terminal = kControllingTerminal;
  bool ask = true;
  if (options.passwordFile) {
    source = Shown(*options.passwordFile);
    int error = 0;
    const int fd = OpenForReading(*options.passwordFile, error);
    if (fd < 0)
      return {Complain(kNoInput, "cannot read " + source + ": " + ErrorText(error)), {}};
    read = ReadFirstLine(fd, kMaxPasswordBytes);
    Close(fd);
    if (read.outcome == ReadResult::kFailed) {
      Wipe(read.bytes);
      return {Complain(kNoInput, "cannot read " + source + ": " + ErrorText(read.error)), {}};
    }
    ask = false;
  } else if (options.passwordFd) {
    source = "descriptor " + std::to_string(*options.passwordFd);
    if (!IsOpen(*options.passwordFd))
      return {Complain(kUsage, "--password-fd: " + source + " is not open."), {}};
    if (IsTerminal(*options.passwordFd)) {
      terminal = *options.passwordFd;
    } else {
      read = ReadFirstLine(*options.passwordFd, kMaxPasswordBytes);
      ask = false;
    }
  }
  if (ask) {
    read = AskOnTerminal("Password: ", kMaxPasswordBytes, terminal);
    if (read.outcome == ReadResult::kNoTerminal) {
      return {Complain(kUsage,
                       "there is no terminal to ask for the password on; use --password-file "
                       "FILE or --password-fd N."),
              {}};
    }
    // An empty password (Enter, or Ctrl+D ending the input) is refused as
    // it stands: there is nothing to confirm.
    if (confirm && read.outcome == ReadResult::kOk && !read.bytes.empty()) {
      ReadResult again = AskOnTerminal("Password again: ", kMaxPasswordBytes, terminal);
      const bool same = again.outcome == ReadResult::kOk && again.bytes == read.bytes;
      Wipe(again.bytes);
      if (again.outcome != ReadResult::kOk) {
        Wipe(read.bytes);
        read = std::move(again);
      } else if (!same) {
        Wipe(read.bytes);
        return {Complain(kRefused, "the two passwords typed differ; nothing was encoded."), {}};
      }
    }
  }
  if (read.outcome == ReadResult::kFailed) {
    Wipe(read.bytes);
    return {Complain(kIoError,
                     "cannot read the password from " + source + ": " + ErrorText(read.error)),
            {}};
  }
  if (read.outcome == ReadResult::kTooLong) {
    Wipe(read.bytes);
    return {Complain(kRefused, "the password from " + source + " is longer than " +
                                   Grouped(kMaxPasswordBytes) + " bytes."),
            {}};
  }
  return {kSuccess, std::move(read.bytes)};
}

// Whether the password can be typed, known before the text is read.
int CheckPassword(const Password& password) {
  Utf8Text text = DecodeUtf8(WithoutByteOrderMark(password.bytes));
  Wipe(text.text);
  if (text.badOffset) {
    return Complain(kRefused,
                    "the password is not valid UTF-8; it must be UTF-8, as the key depends on "
                    "every character.");
  }
  return kSuccess;
}

// Types the password into the model's password field, just before the
// command that uses it, and wipes the copies the tool holds; until then
// its bytes are its only copy.
void TypeThePassword(Password& password, Form1& form) {
  WipeOnExit wipeBytes(password.bytes);
  Utf8Text text = DecodeUtf8(WithoutByteOrderMark(password.bytes));
  WipeOnExit wipeText(text.text);
  // A character beyond 16 bits is one keystroke, which the code page has
  // as "?", as the windows count it: one "?" for its surrogate pair.
  std::size_t kept = 0;
  for (std::size_t i = 0; i < text.text.size(); ++i) {
    const char16_t unit = text.text[i];
    const bool pair = unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.text.size();
    text.text[kept++] = pair ? u'?' : unit;
    i += pair;
  }
  std::fill(text.text.begin() + static_cast<std::ptrdiff_t>(kept), text.text.end(), u'\0');
  text.text.resize(kept);
  TypePassword(form, text.text);
}

int TooLong(const Source& source, bool encode) {
  return Complain(kRefused, encode ? "the text from " + source.name +
                                         " is too long to encode: Vantrel encodes at most " +
                                         Grouped(kMaxPlainLength) + " characters."
                                   : "the code from " + source.name +
                                         " is too long to decode: a code has at most " +
                                         Grouped(kLongestCode) + " characters.");
}

int ReadFailed(const Source& source, int error) {
  return Complain(source.owned ? kNoInput : kIoError,
                  "cannot read " + source.name + ": " + ErrorText(error));
}

// added: the CRs put before lone LFs, which count towards the limit.
int ReadText(Form1& form, const Options& options, const Source& source, std::size_t& added) {
  ReadResult read = ReadAll(source.fd, kMaxTextBytes);
  if (read.outcome == ReadResult::kFailed)
    return ReadFailed(source, read.error);
  if (read.outcome == ReadResult::kTooLong)
    return TooLong(source, true);
  if (options.binary) {
    // Bytes, not text: every byte comes back, a byte order mark too.
    if (options.compatible && NeedsAnyBytesForm(read.bytes))
      return Complain(kRefused, NeedsAnyTextForm(*FirstNeedingAnyTextForm(Widened(read.bytes))));
    form.SetText1Bytes(read.bytes);
    return kSuccess;
  }
  const std::string_view bytes = WithoutByteOrderMark(read.bytes);
  Utf8Text text = DecodeUtf8(bytes);
  if (text.badOffset)
    return Complain(kRefused,
                    "the text " + NotUtf8(bytes, *text.badOffset) + "; convert it to UTF-8.");
  if (options.compatible) {
    if (const auto outside = FirstNeedingAnyTextForm(text.text))
      return Complain(kRefused, NeedsAnyTextForm(*outside));
  }
  const std::size_t length = text.text.size();
  form.SetText1(WithWindowsLineEnds(std::move(text.text)));
  added = form.Text1().size() - length;
  return kSuccess;
}

// What decode does with the mail-safe blocks of its input. An intact one
// goes into the code field in its own form, which the window model reads
// back; any other finding is said, and ends the run. `taken` tells whether
// the input was a block, so that it is not read as a code too.
int TakeBlock(Form1& form, CliHost& host, const Options& options, const Source& source,
              const MailSafeRead& block, bool empty, bool& taken) {
  taken = block.found != MailSafeFind::None;
  if (options.block && block.blocks == 0) {
    taken = true;
    return Complain(kRejected, "the input from " + source.name +
                                   " holds no mail-safe code for --block to choose.");
  }
  if (options.block && *options.block > block.blocks) {
    taken = true;
    const bool one = block.blocks == 1;
    return Complain(kSeveral, "--block " + std::to_string(*options.block) +
                                  ": the input holds only " +
                                  (one ? std::string("one") : std::to_string(block.blocks)) +
                                  (one ? " mail-safe code." : " different mail-safe codes."));
  }
  if (!taken && options.armor && !empty) {
    taken = true;
    return Complain(kRejected,
                    "the input holds no mail-safe code; without --armor, decode reads any code.");
  }
  switch (block.found) {
    case MailSafeFind::Intact:
      form.SetText2(MailSafeForm(block.code, u"\n"));
      return kSuccess;
    case MailSafeFind::Damaged:
      host.MsgBox(messages::Damaged());
      break;
    case MailSafeFind::Newer:
      host.MsgBox(messages::NewerForm());
      break;
    case MailSafeFind::Several:
      host.MsgBox(messages::SeveralCodes(block.blocks, false));
      break;
    case MailSafeFind::None:
      return kSuccess;
  }
  return host.Status();
}

// Reads an input in pieces: every byte, up to kMailSafeMaxInput, goes to
// the reader of mail-safe blocks, and `wanted` says whether the caller
// still needs the rest.
template <typename Wanted>
ReadResult ReadLookingForBlocks(const Source& source, MailSafeReader& blocks, bool& tooLong,
                                Wanted wanted) {
  std::size_t total = 0;
  tooLong = false;
  return ReadPieces(source.fd, [&](std::string_view piece) {
    if (piece.size() > kMailSafeMaxInput - total) {
      tooLong = true;
      return false;
    }
    total += piece.size();
    blocks.Feed(piece);
    return wanted(piece);
  });
}

int TooLongForBlocks(const Source& source) {
  return Complain(kRefused, "the input from " + source.name + " is longer than " +
                                Grouped(kMailSafeMaxInput >> 20) +
                                " MiB, the most decode reads when it looks for a mail-safe code.");
}

// An escaped code, taken as it is read: only the code is kept, and the
// escaped reading stops as soon as it holds more characters than a code
// can. The input is also read for a mail-safe block (a mail pasted on the
// terminal), which is not escaped.
int ReadEscapedCode(Form1& form, CliHost& host, const Options& options, const Source& source) {
  Unescaper reader;
  MailSafeReader blocks;
  std::string head;  // the first bytes, until it is known whether they are a byte order mark
  bool started = false;
  bool escaped = true;  // no byte so far says the input is not escaped
  bool tooLong = false;
  const ReadResult read =
      ReadLookingForBlocks(source, blocks, tooLong, [&](std::string_view piece) {
        if (escaped && !started) {
          const std::size_t take = std::min<std::size_t>(3 - head.size(), piece.size());
          head.append(piece.substr(0, take));
          piece.remove_prefix(take);
          if (head.size() < 3)
            return true;
          started = true;
          escaped = reader.Feed(WithoutByteOrderMark(head));
        }
        if (escaped)
          escaped = reader.Feed(piece) && reader.Size() <= static_cast<std::size_t>(kMaxCodeLength);
        return true;
      });
  if (read.outcome == ReadResult::kFailed)
    return ReadFailed(source, read.error);
  if (tooLong)
    return TooLongForBlocks(source);
  bool taken = false;
  const int status =
      TakeBlock(form, host, options, source, blocks.Finish(options.block.value_or(0)),
                !started && head.empty(), taken);
  if (taken)
    return status;
  if (escaped && !started)
    reader.Feed(head);
  Unescaped code = reader.Finish();
  if (!code.error.empty())
    return Complain(kRejected, code.error);
  if (code.code.size() > static_cast<std::size_t>(kMaxCodeLength))
    return TooLong(source, false);
  form.SetText2(std::move(code.code));
  return kSuccess;
}

int ReadRawCode(Form1& form, CliHost& host, const Options& options, const Source& source,
                std::string& raw) {
  MailSafeReader blocks;
  bool whole = true;  // raw holds the whole input
  bool tooLong = false;
  const ReadResult read =
      ReadLookingForBlocks(source, blocks, tooLong, [&](std::string_view piece) {
        if (whole && piece.size() <= kMaxCodeBytes - raw.size()) {
          raw.append(piece);
        } else {
          whole = false;
          raw.clear();
        }
        return true;
      });
  if (read.outcome == ReadResult::kFailed)
    return ReadFailed(source, read.error);
  if (tooLong)
    return TooLongForBlocks(source);
  const MailSafeRead block = blocks.Finish(options.block.value_or(0));
  bool taken = false;
  const int status = TakeBlock(form, host, options, source, block, whole && raw.empty(), taken);
  if (taken) {
    raw.clear();
    return status;
  }
  if (!whole) {
    if (block.cutOpening) {
      host.MsgBox(messages::Damaged());
      return host.Status();
    }
    return TooLong(source, false);
  }
  const std::string_view bytes = WithoutByteOrderMark(raw);
  Utf8Text code = DecodeUtf8(bytes);
  if (code.badOffset) {
    return Complain(kRejected,
                    "the code " + NotUtf8(bytes, *code.badOffset) + "; a code is ASCII only.");
  }
  form.SetText2(std::move(code.text));
  return kSuccess;
}

int WriteOut(OutputFile* file, const std::string& name, std::string_view bytes) {
  int error = 0;
  if (file == nullptr) {
    error = WriteAll(kStandardOutput, bytes);
  } else {
    error = file->Write(bytes);
    if (error == 0)
      error = file->Commit();
  }
  if (error != 0)
    return Complain(kIoError,
                    "cannot write " + name + ": " + (file ? file->Why(error) : ErrorText(error)));
  return kSuccess;
}

int Run(const Options& options) {
  const bool encode = options.command == Command::Encode;
  // The input and the output come first, so that neither a missing file
  // nor an output that would destroy the input costs a password typed.
  Source source;
  if (options.inputFile) {
    int error = 0;
    source.fd = OpenForReading(*options.inputFile, error);
    source.name = Shown(*options.inputFile);
    if (source.fd < 0)
      return Complain(kNoInput, "cannot read " + source.name + ": " + ErrorText(error));
    source.owned = true;
  }
  if (const int status = RefuseInputAsOutput(options, source); status != kSuccess)
    return status;
  std::optional<OutputFile> file;
  const std::string outputName = options.outputFile ? Shown(*options.outputFile) : "the output";
  if (options.outputFile) {
    file.emplace();
    if (const int error = file->Open(*options.outputFile, !encode); error != 0)
      return Complain(kIoError, "cannot write " + outputName + ": " + file->Why(error));
  }
  const bool toTerminal = file ? file->IsTerminal() : IsTerminal(kStandardOutput);

  CliHost host;
  Form1 form(host);
  struct WipeField {
    const Form1& form;
    ~WipeField() { WipeInPlace(form.Text3()); }
  } wipeField{form};
  const auto command = [&] {
    if (encode)
      form.Encode_Click();
    else
      form.Decode_Click();
  };
  std::string raw;  // a raw code as read, to tell whether it looks escaped
  const bool escapedInput = !encode && !options.armor && (options.escaped || IsTerminal(source.fd));
  int status = kSuccess;
  std::size_t added = 0;
  try {
    Password password = GetPassword(options, encode);
    WipeOnExit wipePassword(password.bytes);
    if (password.status != kSuccess)
      return password.status;
    if (WithoutByteOrderMark(password.bytes).empty()) {
      command();  // the window's own refusal of an empty password
      return host.Status();
    }
    status = CheckPassword(password);
    WipeStack();
    if (status != kSuccess)
      return status;

    if (IsTerminal(source.fd)) {
      WriteAll(kStandardError, std::string("vantrel-cli: ") +
                                   (encode ? "type the text" : "paste the code") + ", then press " +
                                   std::string(kEndOfInputKeys) + " on a line of its own.\n");
    }
    status = encode         ? ReadText(form, options, source, added)
             : escapedInput ? ReadEscapedCode(form, host, options, source)
                            : ReadRawCode(form, host, options, source, raw);
    if (status == kSuccess) {
      TypeThePassword(password, form);
      WipeStack();
      command();
      status = host.Status();
    }
  } catch (const EndRequested&) {
    return kInternal;
  }
  if (status != kSuccess) {
    if (added > 0 && form.Text1().size() > static_cast<std::size_t>(kMaxPlainLength)) {
      Complain(kRefused, "line breaks count twice: the window types each as CR LF, which adds " +
                             Grouped(added) + " characters to this text.");
    }
    if (!encode && !escapedInput && LooksEscaped(WithoutByteOrderMark(raw))) {
      Complain(kRejected,
               "the input looks like a code in the escaped form; if it is one, decode it with "
               "--escaped.");
    }
    return status;
  }

  OutputFile* out = file ? &*file : nullptr;
  if (encode) {
    if (options.escaped)
      return WriteOut(out, outputName, EscapeCode(form.Text2(), kEscapedLineWidth) + "\n");
    if (options.armor || toTerminal)
      return WriteOut(out, outputName, EncodeUtf8(MailSafeFormOf(form.Text2(), u"\n")) + "\n");
    return WriteOut(out, outputName, EncodeUtf8(form.Text2()));
  }
  // A file's bytes, from encode --binary, are written as they are.
  if (form.Text1().starts_with(kAnyBytesMarker)) {
    AnyTextRead bytesForm = ReadAnyTextForm(form.Text1());
    if (bytesForm.kind == AnyTextRead::Kind::Bytes) {
      if (toTerminal)
        return WriteOut(out, outputName, TerminalSafe(Widened(bytesForm.bytes)));
      return WriteOut(out, outputName, bytesForm.bytes);
    }
  }
  const Text text = options.binary ? form.Text1() : WithUnixLineEnds(form.Text1());
  return WriteOut(out, outputName, toTerminal ? TerminalSafe(text) : EncodeUtf8(text));
}

int Write(std::string_view bytes) {
  if (const int error = WriteAll(kStandardOutput, bytes); error != 0)
    return Complain(kIoError, "cannot write the output: " + ErrorText(error));
  return kSuccess;
}

}  // namespace

int RunTool(const std::vector<std::string>& args) {
  ProtectProcess();
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
