// The tool's streams on Windows: straight ReadFile and WriteFile on the
// descriptors' handles, so that no byte is translated on pipes and files;
// a console is read and written in UTF-16 and converted from and to UTF-8.

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <array>

#include "Streams.h"
#include "WinSystem.h"

namespace vantrel::cli {
namespace {

ReadResult Failed(DWORD error) {
  ReadResult result;
  result.outcome = ReadResult::kFailed;
  result.error = static_cast<int>(error);
  return result;
}

// A pipe whose writer has gone, and a file at its end, have simply ended.
bool AtEnd(DWORD error) {
  return error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF;
}

constexpr wchar_t kCtrlZ = 0x1A;

// Text typed or pasted into a console, as UTF-8. Ctrl+Z ends it, as it ends
// typed input for Windows' own console programs (what stands before it on
// its line is kept). A character split across two reads (a surrogate pair)
// waits for its second half.
ReadResult ReadConsolePieces(HANDLE console, const std::function<bool(std::string_view)>& take) {
  std::array<wchar_t, 4096> buffer;
  std::size_t held = 0;  // a high surrogate kept from the previous read
  for (;;) {
    DWORD got = 0;
    const BOOL ok = ReadConsoleW(console, buffer.data() + held,
                                 static_cast<DWORD>(buffer.size() - held), &got, nullptr);
    if (!ok || got == 0) {
      const DWORD error = ok ? ERROR_OPERATION_ABORTED : GetLastError();
      AwaitConsoleInterrupt();
      return Failed(error);
    }
    std::size_t size = held + got;
    const auto end = std::find(buffer.begin(), buffer.begin() + static_cast<long>(size), kCtrlZ);
    const bool last = end != buffer.begin() + static_cast<long>(size);
    size = static_cast<std::size_t>(end - buffer.begin());
    held = !last && size > 0 && IS_HIGH_SURROGATE(buffer[size - 1]) ? 1 : 0;
    const std::string piece = Utf8(std::wstring_view(buffer.data(), size - held));
    if (!piece.empty() && !take(piece)) {
      ReadResult result;
      result.outcome = ReadResult::kTooLong;
      return result;
    }
    if (last)
      return {};
    if (held != 0)
      buffer[0] = buffer[size - 1];
  }
}

}  // namespace

ReadResult ReadPieces(int fd, const std::function<bool(std::string_view)>& take) {
  const HANDLE handle = HandleOf(fd);
  if (handle == INVALID_HANDLE_VALUE)
    return Failed(ERROR_INVALID_HANDLE);
  if (IsConsole(handle))
    return ReadConsolePieces(handle, take);
  std::array<char, 65536> buffer;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(handle, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
      const DWORD error = GetLastError();
      if (AtEnd(error))
        return {};
      return Failed(error);
    }
    if (got == 0)
      return {};
    if (!take(std::string_view(buffer.data(), got))) {
      ReadResult result;
      result.outcome = ReadResult::kTooLong;
      return result;
    }
  }
}

ByteRead ReadByte(int fd, char& c, int& error) {
  const HANDLE handle = HandleOf(fd);
  DWORD got = 0;
  if (handle == INVALID_HANDLE_VALUE) {
    error = ERROR_INVALID_HANDLE;
    return ByteRead::kFailed;
  }
  if (!ReadFile(handle, &c, 1, &got, nullptr)) {
    const DWORD failure = GetLastError();
    if (AtEnd(failure))
      return ByteRead::kEnd;
    error = static_cast<int>(failure);
    return ByteRead::kFailed;
  }
  return got == 0 ? ByteRead::kEnd : ByteRead::kByte;
}

int WriteAll(int fd, std::string_view bytes) {
  const HANDLE handle = HandleOf(fd);
  if (handle == INVALID_HANDLE_VALUE)
    return ERROR_INVALID_HANDLE;
  if (IsConsole(handle)) {
    // The console shows UTF-16; what the tool writes there is whole lines
    // of UTF-8, so no character is split between two calls.
    const std::wstring wide = Wide(bytes);
    std::wstring_view rest = wide;
    while (!rest.empty()) {
      DWORD size = static_cast<DWORD>(std::min<std::size_t>(rest.size(), 8192));
      if (size < rest.size() && IS_HIGH_SURROGATE(rest[size - 1]))
        --size;
      DWORD written = 0;
      if (!WriteConsoleW(handle, rest.data(), size, &written, nullptr))
        return static_cast<int>(GetLastError());
      rest.remove_prefix(written);
    }
    return 0;
  }
  while (!bytes.empty()) {
    const DWORD size = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1U << 30));
    DWORD written = 0;
    if (!WriteFile(handle, bytes.data(), size, &written, nullptr))
      return static_cast<int>(GetLastError());
    bytes.remove_prefix(written);
  }
  return 0;
}

bool IsTerminal(int fd) {
  return IsConsole(HandleOf(fd));
}

bool IsOpen(int fd) {
  return HandleOf(fd) != INVALID_HANDLE_VALUE;
}

int OpenForReading(const std::string& path, int& error) {
  const std::wstring name = Wide(path);
  const HANDLE handle = CreateFileW(name.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = static_cast<int>(GetLastError());  // a folder is "access denied", as in cmd
    return -1;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    error = ERROR_TOO_MANY_OPEN_FILES;
    CloseHandle(handle);
    return -1;
  }
  error = 0;
  return fd;
}

void Close(int fd) {
  _close(fd);
}

std::string ErrorText(int error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message(text != nullptr ? text : L"", length);
  LocalFree(text);
  // One line, without the closing stop, as the tool's messages go on after it.
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                              message.back() == L' ' || message.back() == L'.'))
    message.pop_back();
  if (message.empty())
    return "system error " + std::to_string(error);
  std::replace(message.begin(), message.end(), L'\r', L' ');
  std::replace(message.begin(), message.end(), L'\n', L' ');
  return Utf8(message);
}

}  // namespace vantrel::cli
