#pragma once

// Reading and writing the tool's streams through plain descriptors, so that
// every byte goes through exactly as it stands, and asking for the password
// on the terminal.

#include <cstddef>
#include <string>
#include <string_view>

namespace vantrel::cli {

struct ReadResult {
  enum Outcome { kOk, kTooLong, kFailed, kNoTerminal } outcome = kOk;
  int error = 0;  // errno for kFailed
  std::string bytes;
};

// Everything up to the end of the stream, or kTooLong as soon as it holds
// more than limit bytes.
ReadResult ReadAll(int fd, std::size_t limit);

// The first line, without its line ending (LF or CR LF; a CR left at the end
// of the stream goes too). Reads one byte at a time, so the rest of the
// stream stays unread for whoever reads it next. kTooLong when the line
// holds more than limit bytes.
ReadResult ReadFirstLine(int fd, std::size_t limit);

// Asks on the controlling terminal (/dev/tty, whatever standard input and
// output are) with echo off, and reads one line. The terminal's settings
// come back on every way out: a normal return, an error, and SIGINT,
// SIGTERM, SIGHUP or SIGQUIT, which then still end the program as they
// would have. kNoTerminal when the process has no terminal.
ReadResult AskOnTerminal(std::string_view prompt, std::size_t limit);

// Writes all of bytes; returns 0, or the errno of the write that failed.
int WriteAll(int fd, std::string_view bytes);

}  // namespace vantrel::cli
