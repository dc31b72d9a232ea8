#include "WinSystem.h"

#include <io.h>

#include <climits>

namespace vantrel::cli {

HANDLE HandleOf(int fd) {
  if (fd < 0)
    return INVALID_HANDLE_VALUE;
  // -2 stands for a standard stream the process was started without.
  const intptr_t handle = _get_osfhandle(fd);
  if (handle == -1 || handle == -2 || handle == 0)
    return INVALID_HANDLE_VALUE;
  return reinterpret_cast<HANDLE>(handle);
}

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

void AwaitConsoleInterrupt() {
  Sleep(1000);
}

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty() || utf8.size() > INT_MAX)
    return {};
  const int size = static_cast<int>(utf8.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
  return wide;
}

std::string Utf8(std::wstring_view wide) {
  if (wide.empty() || wide.size() > INT_MAX)
    return {};
  const int size = static_cast<int>(wide.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

}  // namespace vantrel::cli
