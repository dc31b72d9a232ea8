#pragma once

// Asking for the password on a terminal with echo off.

#include <cstddef>
#include <string_view>

#include "Streams.h"

namespace vantrel::cli {

// The process's controlling terminal, whatever standard input and output are.
inline constexpr int kControllingTerminal = -1;

// The keys that end typed input on the system's terminals, for the hints
// the tool gives there.
#ifdef _WIN32
inline constexpr std::string_view kEndOfInputKeys = "Ctrl+Z and Enter";
#else
inline constexpr std::string_view kEndOfInputKeys = "Ctrl+D";
#endif

// Asks on a terminal (the controlling one, or descriptor fd when that is a
// terminal) with echo off, and reads one line. The terminal's settings come
// back on every way out: a normal return, an error, and any signal that
// ends the program, which it then still does. Ctrl+Z puts them back while
// the program is stopped; when it continues in the foreground, echo goes off
// again and the prompt is shown again. kNoTerminal when there is no terminal.
//
// On Windows the terminal is the process's console (CONIN$ and CONOUT$),
// read as UTF-16 and handed on as UTF-8; the console events Ctrl+C and
// Ctrl+Break, and the console's closing, give the echo back before the
// process ends. Ctrl+Z there ends the input instead.
ReadResult AskOnTerminal(std::string_view prompt, std::size_t limit, int fd = kControllingTerminal);

}  // namespace vantrel::cli
