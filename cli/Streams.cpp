#include "Streams.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>

namespace vantrel::cli {
namespace {

// The terminal whose settings a signal handler must put back, and those
// settings. Set only while the echo is off.
int gTerminal = -1;
termios gSaved{};

constexpr std::array kEndingSignals{SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void RestoreTerminalAndDie(int signal) {
  // Only async-signal-safe calls here. SA_RESETHAND has put back the default
  // action, which runs as soon as this handler returns and unblocks the signal.
  ::tcsetattr(gTerminal, TCSANOW, &gSaved);
  const char newline = '\n';
  [[maybe_unused]] const ssize_t ignored = ::write(gTerminal, &newline, 1);
  ::raise(signal);
}

// Echo off for the life of the object; the previous settings and signal
// actions come back in the destructor.
class EchoOff {
 public:
  EchoOff(int terminal, const termios& saved) {
    gSaved = saved;
    gTerminal = terminal;
    struct sigaction action {};
    action.sa_handler = RestoreTerminalAndDie;
    action.sa_flags = static_cast<int>(SA_RESETHAND);
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < kEndingSignals.size(); ++i)
      ::sigaction(kEndingSignals[i], &action, &previous_[i]);
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL);
    ::tcsetattr(terminal, TCSANOW, &quiet);
  }
  ~EchoOff() {
    ::tcsetattr(gTerminal, TCSANOW, &gSaved);
    for (std::size_t i = 0; i < kEndingSignals.size(); ++i)
      ::sigaction(kEndingSignals[i], &previous_[i], nullptr);
    gTerminal = -1;
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  std::array<struct sigaction, kEndingSignals.size()> previous_{};
};

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0)
      ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

// read(2), tried again when a signal interrupts it.
ssize_t ReadRetrying(int fd, void* buffer, std::size_t size) {
  for (;;) {
    const ssize_t got = ::read(fd, buffer, size);
    if (got >= 0 || errno != EINTR)
      return got;
  }
}

}  // namespace

ReadResult ReadAll(int fd, std::size_t limit) {
  ReadResult result;
  std::array<char, 65536> buffer;
  for (;;) {
    const ssize_t got = ReadRetrying(fd, buffer.data(), buffer.size());
    if (got < 0) {
      result.outcome = ReadResult::kFailed;
      result.error = errno;
      return result;
    }
    if (got == 0)
      return result;
    result.bytes.append(buffer.data(), static_cast<std::size_t>(got));
    if (result.bytes.size() > limit) {
      result.outcome = ReadResult::kTooLong;
      return result;
    }
  }
}

ReadResult ReadFirstLine(int fd, std::size_t limit) {
  ReadResult result;
  for (;;) {
    char c = 0;
    const ssize_t got = ReadRetrying(fd, &c, 1);
    if (got < 0) {
      result.outcome = ReadResult::kFailed;
      result.error = errno;
      return result;
    }
    if (got == 0 || c == '\n')
      break;
    result.bytes.push_back(c);
    if (result.bytes.size() > limit + 1) {  // one more for a CR before the LF
      result.outcome = ReadResult::kTooLong;
      return result;
    }
  }
  if (!result.bytes.empty() && result.bytes.back() == '\r')
    result.bytes.pop_back();
  if (result.bytes.size() > limit)
    result.outcome = ReadResult::kTooLong;
  return result;
}

ReadResult AskOnTerminal(std::string_view prompt, std::size_t limit) {
  Descriptor terminal(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC));
  termios saved{};
  if (terminal.Get() < 0 || ::tcgetattr(terminal.Get(), &saved) != 0) {
    ReadResult none;
    none.outcome = ReadResult::kNoTerminal;
    return none;
  }
  ReadResult result;
  {
    EchoOff echoOff(terminal.Get(), saved);
    if (const int error = WriteAll(terminal.Get(), prompt); error != 0) {
      result.outcome = ReadResult::kFailed;
      result.error = error;
      return result;
    }
    result = ReadFirstLine(terminal.Get(), limit);
  }
  // The user's Enter was not echoed; end the prompt's line for them.
  WriteAll(terminal.Get(), "\n");
  return result;
}

int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR)
      continue;
    if (written < 0)
      return errno;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return 0;
}

}  // namespace vantrel::cli
