#pragma once

// Asking for the password on a terminal with echo off.

#include <cstddef>
#include <string_view>

#include "Streams.h"

namespace vantrel::cli {

// The process's controlling terminal, whatever standard input and output are.
inline constexpr int kControllingTerminal = -1;

// Asks on a terminal (the controlling one, or descriptor fd when that is a
// terminal) with echo off, and reads one line. The terminal's settings come
// back on every way out: a normal return, an error, and any signal that
// ends the program, which it then still does. Ctrl+Z puts them back while
// the program is stopped; when it continues in the foreground, echo goes off
// again and the prompt is shown again. kNoTerminal when there is no terminal.
ReadResult AskOnTerminal(std::string_view prompt, std::size_t limit, int fd = kControllingTerminal);

}  // namespace vantrel::cli
