#include "Spawn.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace vantrel::testing {
namespace {

// Keeps descriptors the child gets out of the low numbers it moves them to.
int High(int fd) {
  const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 100);
  ::close(fd);
  if (moved < 0)
    throw std::runtime_error("fcntl failed");
  return moved;
}

struct Pipe {
  int read = -1, write = -1;
  Pipe() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
      throw std::runtime_error("pipe failed");
    read = High(fds[0]);
    write = High(fds[1]);
  }
};

void WriteAllOrThrow(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      throw std::runtime_error("write failed");
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace

int Spawned::Status() const {
  return WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
}

int Spawned::Signal() const {
  return WIFSIGNALED(waitStatus) ? WTERMSIG(waitStatus) : 0;
}

Spawned Start(const SpawnOptions& options, int& stdinFd, int& stdoutFd, int& stderrFd) {
  std::optional<Pipe> in, out;
  if (!options.inputFromTerminal)
    in.emplace();
  if (!options.outputFile && !options.outputToTerminal)
    out.emplace();
  Pipe err;
  std::vector<Pipe> extras(options.extraInputs.size());

  int outFile = -1;
  if (options.outputFile) {
    outFile = ::open(
        options.outputFile->c_str(),
        O_WRONLY | O_CREAT | O_CLOEXEC | (options.appendToOutputFile ? O_APPEND : O_TRUNC), 0600);
    if (outFile < 0)
      throw std::runtime_error("cannot create " + *options.outputFile);
    outFile = High(outFile);
  }
  std::vector<char*> argv;
  for (const std::string& arg : options.args)
    argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  // A child that exits without reading its input must not take the test
  // down with it; the child itself gets the default action back.
  ::signal(SIGPIPE, SIG_IGN);
  const pid_t pid = ::fork();
  if (pid < 0)
    throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::signal(SIGPIPE, SIG_DFL);
    ::setsid();
    int tty = -1;
    if (options.terminal) {
      tty = ::open(options.terminal->c_str(), O_RDWR);  // becomes the controlling terminal
      if (tty < 0)
        ::_exit(126);
      tty = High(tty);
      if (options.inputFromTerminal)
        ::dup2(tty, STDIN_FILENO);
      if (options.outputToTerminal)
        ::dup2(tty, STDOUT_FILENO);
    }
    if (options.readOnlyOn) {
      const int other = ::open(options.readOnlyOn->second.c_str(), O_RDONLY | O_NOCTTY);
      if (other < 0)
        ::_exit(126);
      ::dup2(other, options.readOnlyOn->first);
      if (other != options.readOnlyOn->first)
        ::close(other);
    }
    if (options.user && (::setgroups(0, nullptr) != 0 || ::setgid(options.user->second) != 0 ||
                         ::setuid(options.user->first) != 0))
      ::_exit(126);
    if (in)
      ::dup2(in->read, STDIN_FILENO);
    if (out)
      ::dup2(out->write, STDOUT_FILENO);
    if (outFile >= 0)
      ::dup2(outFile, STDOUT_FILENO);
    ::dup2(err.write, STDERR_FILENO);
    for (std::size_t i = 0; i < extras.size(); ++i)
      ::dup2(extras[i].read, options.extraInputs[i].first);
    if (options.asJob) {
      const pid_t job = ::fork();
      if (job == 0) {
        ::setpgid(0, 0);
        ::signal(SIGTTOU, SIG_IGN);
        ::tcsetpgrp(tty, ::getpid());
        ::signal(SIGTTOU, SIG_DFL);
        ::close(tty);
        ::execv(argv[0], argv.data());
        ::_exit(127);
      }
      ::setpgid(job, job);
      // Holds no pipe open: the job must see the ends of its streams.
      for (int fd = 0; fd < 1024; ++fd)
        ::close(fd);
      int status = 0;
      while (::waitpid(job, &status, 0) < 0 && errno == EINTR) {
      }
      ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    }
    if (tty >= 0)
      ::close(tty);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }

  if (outFile >= 0)
    ::close(outFile);
  ::close(err.write);
  for (std::size_t i = 0; i < extras.size(); ++i) {
    ::close(extras[i].read);
    WriteAllOrThrow(extras[i].write, options.extraInputs[i].second);  // small: fits the pipe
    ::close(extras[i].write);
  }
  stdinFd = -1;
  stdoutFd = -1;
  if (in) {
    ::close(in->read);
    stdinFd = in->write;
  }
  if (out) {
    ::close(out->write);
    stdoutFd = out->read;
  }
  stderrFd = err.read;
  Spawned child;
  child.pid = pid;
  return child;
}

void Finish(Spawned& child, int stdinFd, int stdoutFd, int stderrFd, const std::string& input) {
  // Feeds the input and drains both outputs together, so that no pipe can
  // fill and stall the child.
  std::size_t fed = 0;
  if (stdinFd >= 0) {
    ::fcntl(stdinFd, F_SETFL, O_NONBLOCK);
    if (input.empty()) {
      ::close(stdinFd);
      stdinFd = -1;
    }
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (stdoutFd >= 0 || stderrFd >= 0 || stdinFd >= 0) {
    std::vector<pollfd> fds;
    if (stdinFd >= 0)
      fds.push_back({stdinFd, POLLOUT, 0});
    if (stdoutFd >= 0)
      fds.push_back({stdoutFd, POLLIN, 0});
    if (stderrFd >= 0)
      fds.push_back({stderrFd, POLLIN, 0});
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(child.pid, SIGKILL);
      break;
    }
    if (::poll(fds.data(), fds.size(), 1000) < 0 && errno != EINTR)
      break;
    for (const pollfd& p : fds) {
      if (p.revents == 0)
        continue;
      if (p.fd == stdinFd) {
        const ssize_t n = ::write(stdinFd, input.data() + fed, input.size() - fed);
        if (n > 0)
          fed += static_cast<std::size_t>(n);
        if ((n < 0 && errno != EAGAIN && errno != EINTR) || fed == input.size()) {
          ::close(stdinFd);
          stdinFd = -1;
        }
        continue;
      }
      char buffer[65536];
      const ssize_t n = ::read(p.fd, buffer, sizeof buffer);
      if (n > 0) {
        (p.fd == stdoutFd ? child.out : child.err).append(buffer, static_cast<std::size_t>(n));
      } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
        ::close(p.fd);
        (p.fd == stdoutFd ? stdoutFd : stderrFd) = -1;
      }
    }
  }
  for (const int fd : {stdinFd, stdoutFd, stderrFd}) {
    if (fd >= 0)
      ::close(fd);
  }
  while (::waitpid(child.pid, &child.waitStatus, 0) < 0 && errno == EINTR) {
  }
}

Spawned Spawn(const SpawnOptions& options) {
  int in = -1, out = -1, err = -1;
  Spawned child = Start(options, in, out, err);
  Finish(child, in, out, err, options.input);
  return child;
}

Pty::Pty() {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
    throw std::runtime_error("no pseudo-terminal");
  name_ = ::ptsname(master_);
  slave_ = ::open(name_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave_ < 0)
    throw std::runtime_error("cannot open " + name_);
  ::fcntl(master_, F_SETFL, O_NONBLOCK);
}

Pty::~Pty() {
  ::close(slave_);
  ::close(master_);
}

bool Pty::EchoOn() const {
  termios settings{};
  if (::tcgetattr(slave_, &settings) != 0)
    throw std::runtime_error("tcgetattr failed");
  return (settings.c_lflag & ECHO) != 0;
}

int Pty::ForegroundGroup() const {
  pid_t group = -1;
  if (::ioctl(master_, TIOCGPGRP, &group) != 0)
    return -1;
  return group;
}

std::string Pty::ReadUntil(const std::string& needle, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (seen_.find(needle) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0)
      continue;
    char buffer[4096];
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n > 0)
      seen_.append(buffer, static_cast<std::size_t>(n));
  }
  return seen_;
}

void Pty::Write(const std::string& bytes) {
  WriteAllOrThrow(master_, bytes);
}

}  // namespace vantrel::testing
