#include "Terminal.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>

#include "Process.h"

namespace vantrel::cli {
namespace {

// The terminal whose settings the signal handlers put back, those settings,
// the quiet ones, and the prompt. Set only while the echo is off.
int gTerminal = -1;
termios gSaved{};
termios gQuiet{};
int gPromptFd = -1;
std::string_view gPrompt;

constexpr std::array kStopSignals{SIGTSTP, SIGTTIN, SIGTTOU};

void RestoreTerminal() {
  ::tcsetattr(gTerminal, TCSANOW, &gSaved);
  const char newline = '\n';
  [[maybe_unused]] const ssize_t ignored = ::write(gPromptFd, &newline, 1);
}

// Echo off again, unless the program now runs in the background, where the
// terminal belongs to someone else; it will be stopped again when it reads
// and come back here when brought to the foreground.
void QuietIfForeground() {
  const pid_t foreground = ::tcgetpgrp(gTerminal);
  if (foreground < 0 || foreground == ::getpgrp())
    ::tcsetattr(gTerminal, TCSANOW, &gQuiet);
}

extern "C" void QuietOnContinue(int) {
  const int savedErrno = errno;
  QuietIfForeground();
  errno = savedErrno;
}

extern "C" void StopWithEchoOn(int signal) {
  const int savedErrno = errno;
  // The stop signals are blocked in here, so this works from the background
  // too, without a SIGTTOU.
  ::tcsetattr(gTerminal, TCSANOW, &gSaved);
  struct sigaction stop {};
  stop.sa_handler = SIG_DFL;
  sigemptyset(&stop.sa_mask);
  struct sigaction mine {};
  ::sigaction(signal, &stop, &mine);
  sigset_t just{};
  sigemptyset(&just);
  sigaddset(&just, signal);
  ::sigprocmask(SIG_UNBLOCK, &just, nullptr);
  ::raise(signal);  // stopped here until continued
  ::sigprocmask(SIG_BLOCK, &just, nullptr);
  ::sigaction(signal, &mine, nullptr);
  QuietIfForeground();
  [[maybe_unused]] const ssize_t ignored = ::write(gPromptFd, gPrompt.data(), gPrompt.size());
  errno = savedErrno;
}

// Echo off for the life of the object, with the handlers that keep it
// right; everything comes back in the destructor.
class EchoOff {
 public:
  EchoOff(int terminal, int promptFd, std::string_view prompt, const termios& saved) {
    gSaved = saved;
    gQuiet = saved;
    gQuiet.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL);
    gTerminal = terminal;
    gPromptFd = promptFd;
    gPrompt = prompt;
    AddCleanup(RestoreTerminal);
    struct sigaction action {};
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (const int s : kStopSignals)
      sigaddset(&action.sa_mask, s);
    sigaddset(&action.sa_mask, SIGCONT);
    action.sa_handler = StopWithEchoOn;
    for (std::size_t i = 0; i < kStopSignals.size(); ++i)
      ::sigaction(kStopSignals[i], &action, &previousStop_[i]);
    action.sa_handler = QuietOnContinue;
    ::sigaction(SIGCONT, &action, &previousContinue_);
    ::tcsetattr(terminal, TCSANOW, &gQuiet);
  }
  ~EchoOff() {
    ::tcsetattr(gTerminal, TCSANOW, &gSaved);
    for (std::size_t i = 0; i < kStopSignals.size(); ++i)
      ::sigaction(kStopSignals[i], &previousStop_[i], nullptr);
    ::sigaction(SIGCONT, &previousContinue_, nullptr);
    RemoveCleanup(RestoreTerminal);
    gTerminal = -1;
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  std::array<struct sigaction, kStopSignals.size()> previousStop_{};
  struct sigaction previousContinue_ {};
};

class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0)
      ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return fd_; }
  void Reset(int fd) { fd_ = fd; }

 private:
  int fd_;
};

// Where the prompt goes for a terminal given by descriptor: the descriptor
// itself when it was opened for writing, else the same terminal opened anew.
int PromptDescriptor(int fd, Descriptor& opened) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0 && (flags & O_ACCMODE) != O_RDONLY)
    return fd;
  if (const char* name = ::ttyname(fd))
    opened.Reset(::open(name, O_WRONLY | O_NOCTTY | O_CLOEXEC));
  return opened.Get();  // -1: no prompt, still no echo
}

}  // namespace

ReadResult AskOnTerminal(std::string_view prompt, std::size_t limit, int fd) {
  Descriptor controlling;
  Descriptor promptOpened;
  int terminal = fd;
  int promptFd = fd;
  if (fd == kControllingTerminal) {
    controlling.Reset(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC));
    terminal = promptFd = controlling.Get();
  } else {
    promptFd = PromptDescriptor(fd, promptOpened);
  }
  termios saved{};
  if (terminal < 0 || ::tcgetattr(terminal, &saved) != 0) {
    ReadResult none;
    none.outcome = ReadResult::kNoTerminal;
    return none;
  }
  ReadResult result;
  {
    EchoOff echoOff(terminal, promptFd, prompt, saved);
    if (promptFd >= 0) {
      if (const int error = WriteAll(promptFd, prompt); error != 0) {
        result.outcome = ReadResult::kFailed;
        result.error = error;
        return result;
      }
    }
    result = ReadFirstLine(terminal, limit);
  }
  // The user's Enter was not echoed; end the prompt's line for them.
  if (promptFd >= 0)
    WriteAll(promptFd, "\n");
  return result;
}

}  // namespace vantrel::cli
