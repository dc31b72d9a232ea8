#pragma once

// The host through which vantrel-cli drives the window model: each message
// box becomes a line on standard error, and its identity decides the tool's
// exit status. There is no window, so geometry is fixed and ignored,
// and there is no clipboard.

#include <functional>
#include <string>
#include <string_view>

#include "app/Host.h"

namespace vantrel::cli {

// The tool's exit statuses; --help lists them.
enum ExitStatus : int {
  kSuccess = 0,
  kRejected = 1,   // wrong password, or not a code
  kRefused = 2,    // input the commands will not take: empty, too long, not encodable
  kSeveral = 3,    // several different mail-safe codes, and none chosen
  kUsage = 64,     // bad command line, or no way to ask for the password
  kDamaged = 65,   // a mail-safe code was changed on its way
  kNoInput = 66,   // a named file cannot be read
  kInternal = 70,  // the window model's error report
  kIoError = 74,   // reading or writing a stream failed
};

// The exit status a message stands for.
ExitStatus StatusOf(MsgId id);

// The message as the tool shows it on standard error: its name, the
// message's sentence (Sentences.h) and a newline.
std::string MessageLine(const Message& message);

// Thrown by End() to leave the command at once; the tool catches it and
// exits with kInternal.
struct EndRequested {};

class CliHost : public WindowlessHost {
 public:
  // writeError receives every message line; by default it goes to standard error.
  explicit CliHost(std::function<void(std::string_view)> writeError = {});

  void MsgBox(const Message& message) override;
  void ClipboardClear() override;
  void ClipboardSetText(const Text& text) override;
  // Marks the run as an internal error and throws EndRequested.
  void End() override;

  // The status the messages shown so far call for: the gravest of them, or
  // kSuccess when none was shown.
  ExitStatus Status() const { return status_; }

 private:
  void Raise(ExitStatus status);

  std::function<void(std::string_view)> writeError_;
  ExitStatus status_ = kSuccess;
};

}  // namespace vantrel::cli
