#pragma once

// Runs a program as a child process with chosen streams, for tests that
// drive the built vantrel-cli the way a shell or a terminal would.

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vantrel::testing {

struct SpawnOptions {
  std::vector<std::string> args;  // args[0] is the program
  std::string input;              // written to its standard input through a pipe
  // Further descriptors, each the read end of a pipe fed with the given bytes.
  std::vector<std::pair<int, std::string>> extraInputs;
  // Standard output to this file instead of the pipe that Spawned::out reads,
  // emptied first as by ">", or appended to as by ">>".
  std::optional<std::string> outputFile;
  bool appendToOutputFile = false;
  // The child's controlling terminal, by its device name; none by default,
  // so nothing can ever be asked on the terminal that runs the tests.
  std::optional<std::string> terminal;
  bool inputFromTerminal = false;  // standard input is the terminal
  bool outputToTerminal = false;   // standard output is the terminal
  // Runs the program as a shell runs a job: in a process group of its own
  // in the terminal's foreground, under a session leader that waits for it
  // and exits with its status (128 + N after signal N). Only then does
  // Ctrl+Z stop it, as a process group with no such parent is left running.
  bool asJob = false;
  // A file or a terminal, by its name, opened for reading only on the given
  // descriptor (a terminal without becoming the controlling terminal).
  std::optional<std::pair<int, std::string>> readOnlyOn;
  // The user and group the child runs as, with no other groups (the tests
  // run as root, which no permission stops).
  std::optional<std::pair<unsigned, unsigned>> user;
};

struct Spawned {
  int pid = -1;
  int waitStatus = 0;
  std::string out, err;
  // The exit status, or -1 when the child did not exit normally.
  int Status() const;
  // The signal that ended the child, or 0.
  int Signal() const;
};

// Runs the child to its end and collects what it wrote.
Spawned Spawn(const SpawnOptions& options);

// The same, in two halves, for tests that act on a terminal in between.
Spawned Start(const SpawnOptions& options, int& stdinFd, int& stdoutFd, int& stderrFd);
void Finish(Spawned& child, int stdinFd, int stdoutFd, int stderrFd, const std::string& input);

// A pseudo-terminal pair. The test keeps a descriptor of the terminal side
// open, so its settings can be read after the child has gone.
class Pty {
 public:
  Pty();
  ~Pty();
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  const std::string& Name() const { return name_; }
  int Master() const { return master_; }
  bool EchoOn() const;
  // The terminal's foreground process group.
  int ForegroundGroup() const;
  // Reads what the child wrote to the terminal until it contains needle or
  // the time is up; returns everything read so far.
  std::string ReadUntil(const std::string& needle,
                        std::chrono::milliseconds timeout = std::chrono::seconds(20));
  void Write(const std::string& bytes);

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string name_;
  std::string seen_;
};

}  // namespace vantrel::testing
