#pragma once

// What the Windows implementations of Streams, Terminal, Files and Process
// share: the tool's descriptors as Windows handles, and the conversion
// between the UTF-8 the tool works in and the UTF-16 of the wide Windows API.

#include <windows.h>

#include <string>
#include <string_view>

namespace vantrel::cli {

// The handle behind a C runtime descriptor (0, 1 and 2 are the standard
// handles), or INVALID_HANDLE_VALUE when the descriptor is not open.
HANDLE HandleOf(int fd);

// True when the handle is a console (its input or its screen buffer).
bool IsConsole(HANDLE handle);

// Ctrl+C or Ctrl+Break cuts a console read short while the handler that
// ends the process runs on a thread of its own: a read that comes back
// with nothing calls this first, so that the process ends before it
// reports a failure that is none.
void AwaitConsoleInterrupt();

// UTF-8 to UTF-16 and back; an ill-formed sequence becomes U+FFFD.
std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

}  // namespace vantrel::cli
