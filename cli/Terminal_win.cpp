// Asking for the password on the Windows console: its input with echo off,
// read as UTF-16 and handed on as UTF-8; the prompt on its screen.

#include <atomic>
#include <string>

#include "Process.h"
#include "Secret.h"
#include "Terminal.h"
#include "WinSystem.h"

namespace vantrel::cli {
namespace {

// The console input whose mode the cleanup puts back, that mode, and the
// screen where the prompt's line is ended. Set only while the echo is off.
std::atomic<HANDLE> gConsole{INVALID_HANDLE_VALUE};
DWORD gSaved = 0;
HANDLE gScreen = INVALID_HANDLE_VALUE;

void Show(HANDLE screen, std::wstring_view text) {
  DWORD written = 0;
  if (screen != INVALID_HANDLE_VALUE)
    WriteConsoleW(screen, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// Ctrl+C or Ctrl+Break at the prompt: the echo comes back before the
// process ends.
void RestoreConsole() {
  const HANDLE console = gConsole.exchange(INVALID_HANDLE_VALUE);
  if (console == INVALID_HANDLE_VALUE)
    return;
  SetConsoleMode(console, gSaved);
  Show(gScreen, L"\n");
}

// Echo off for the life of the object; the mode comes back in the
// destructor, and from the cleanup when a console event ends the process.
class EchoOff {
 public:
  EchoOff(HANDLE console, HANDLE screen, DWORD saved) {
    gSaved = saved;
    gScreen = screen;
    gConsole.store(console);
    AddCleanup(RestoreConsole);
    // Line input, so that the console edits the line; processed input, so
    // that Ctrl+C comes as an event rather than a character.
    constexpr DWORD kEcho = ENABLE_ECHO_INPUT;
    SetConsoleMode(console, (saved | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT) & ~kEcho);
  }
  ~EchoOff() {
    if (const HANDLE console = gConsole.exchange(INVALID_HANDLE_VALUE);
        console != INVALID_HANDLE_VALUE)
      SetConsoleMode(console, gSaved);
    RemoveCleanup(RestoreConsole);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;
};

// Wipes a wide string's whole storage when the scope ends.
struct WipeWide {
  std::wstring& text;
  ~WipeWide() {
    text.resize(text.capacity());
    WipeBytes(text.data(), text.size() * sizeof(wchar_t));
  }
};

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (handle_ != INVALID_HANDLE_VALUE)
      CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

HANDLE OpenConsole(const wchar_t* name) {
  return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     nullptr, OPEN_EXISTING, 0, nullptr);
}

// One line typed on the console, without its line ending, as UTF-8. The
// whole line is taken, however long, so that none of it is left for the
// shell to read as a command. Ctrl+Z ends the input, as it does for Windows'
// own console programs.
ReadResult ReadLine(HANDLE console, std::size_t limit) {
  ReadResult result;
  std::wstring line;
  line.reserve(limit + 2);
  const WipeWide wipeLine{line};
  wchar_t buffer[256];
  bool tooLong = false;
  for (bool done = false; !done;) {
    DWORD got = 0;
    if (!ReadConsoleW(console, buffer, static_cast<DWORD>(std::size(buffer)), &got, nullptr) ||
        got == 0) {
      const DWORD error = got == 0 ? ERROR_OPERATION_ABORTED : GetLastError();
      WipeBytes(buffer, sizeof buffer);
      AwaitConsoleInterrupt();
      result.outcome = ReadResult::kFailed;
      result.error = static_cast<int>(error);
      return result;
    }
    for (DWORD i = 0; i < got && !done; ++i) {
      if (buffer[i] == L'\n' || buffer[i] == 0x1A)
        done = true;
      else if (line.size() < limit + 1)
        line.push_back(buffer[i]);
      else
        tooLong = true;
    }
  }
  WipeBytes(buffer, sizeof buffer);
  if (!line.empty() && line.back() == L'\r')
    line.pop_back();
  if (tooLong) {
    result.outcome = ReadResult::kTooLong;
    return result;
  }
  result.bytes = Utf8(line);
  if (result.bytes.size() > limit)
    result.outcome = ReadResult::kTooLong;
  return result;
}

}  // namespace

// A process has one console: whichever descriptor names it (--password-fd
// 1 may name its screen), the password is read from its input.
ReadResult AskOnTerminal(std::string_view prompt, std::size_t limit, int) {
  const Handle input(OpenConsole(L"CONIN$"));
  const HANDLE console = input.Get();
  const Handle screen(OpenConsole(L"CONOUT$"));
  DWORD saved = 0;
  // A console without a window (a program started with CREATE_NO_WINDOW)
  // has nobody to type into it: there the prompt would wait for ever.
  if (console == INVALID_HANDLE_VALUE || !GetConsoleMode(console, &saved) ||
      GetConsoleWindow() == nullptr) {
    ReadResult none;
    none.outcome = ReadResult::kNoTerminal;
    return none;
  }
  ReadResult result;
  {
    EchoOff echoOff(console, screen.Get(), saved);
    Show(screen.Get(), Wide(prompt));
    result = ReadLine(console, limit);
  }
  // The user's Enter was not echoed; end the prompt's line for them.
  Show(screen.Get(), L"\n");
  return result;
}

}  // namespace vantrel::cli
