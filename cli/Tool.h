#pragma once

// vantrel-cli from its arguments to its exit status.
//
// Flow: parse the command line; open the input and the output, and refuse an
// output that is one of the inputs; get the password (terminal, file or
// descriptor; asked twice on a terminal for encode) and type it into a fresh
// window model's password field key by key (TypePassword), so the key is
// what a fresh window gives for the same keystrokes, then wipe it; read the
// text or code and put it into its field, with the window's line endings;
// run Encode or Decode through a CliHost. The model's messages go to
// standard error and choose the exit status; on success the code or text
// goes to standard output or the output file.
//
// Everything that speaks to the system goes through Streams.h, Terminal.h,
// Files.h and Process.h.

#include <cstddef>
#include <string>
#include <vector>

#include "app/Form1.h"

namespace vantrel::cli {

// Longest password line taken, in bytes: far beyond any password typed.
inline constexpr std::size_t kMaxPasswordBytes = 4096;
// Longest inputs read, in bytes. A character takes at most 4 bytes of UTF-8
// (and a byte order mark 3 more), so past these no text or code could be
// short enough for the commands, and the input is refused without reading
// on. Shorter inputs that are still too long get the window's own refusal,
// which counts their characters. An escaped code is counted as it is read.
// Decode reads on, up to kMailSafeMaxInput (codec/MailSafe.h), looking for
// a mail-safe block, and keeps only the first kMaxCodeBytes for a code.
inline constexpr std::size_t kMaxTextBytes = 4 * kMaxPlainLength + 3;
inline constexpr std::size_t kMaxCodeBytes = 4 * kMaxCodeLength + 3;

// Runs the tool on the arguments after the program's name and returns the
// exit status (ExitStatus in CliHost.h). Uses descriptors 0, 1 and 2 and the
// controlling terminal.
int RunTool(const std::vector<std::string>& args);

}  // namespace vantrel::cli
