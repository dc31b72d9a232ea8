#pragma once

// vantrel-cli from its arguments to its exit status.
//
// Flow: parse the command line; get the password (terminal, file or
// descriptor) and type it into a fresh window model's password field key by
// key (TypePassword), so the key is what a fresh window gives for the same
// keystrokes; read the text or code; put it into
// its field; run Encode or Decode through a CliHost. The model's messages go
// to standard error and choose the exit status; on success the code or text
// goes to standard output.

#include <cstddef>
#include <string>
#include <vector>

namespace vantrel::cli {

// Longest password line taken, in bytes: far beyond any password typed.
inline constexpr std::size_t kMaxPasswordBytes = 4096;
// Longest input read. The commands take far less (24,572 characters of text,
// 32,766 of code) and say so themselves; this only keeps an endless stream
// from filling memory.
inline constexpr std::size_t kMaxInputBytes = 16 * 1024 * 1024;

// Runs the tool on the arguments after the program's name and returns the
// exit status (ExitStatus in CliHost.h). Uses descriptors 0, 1 and 2 and the
// controlling terminal.
int RunTool(const std::vector<std::string>& args);

}  // namespace vantrel::cli
