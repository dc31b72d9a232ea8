// Runs a program on this process's console and says afterwards how it ended
// and whether the console echoes typed input again:
//
//   console_probe.exe PROGRAM [ARGUMENTS...]
//   -> "exit XXXXXXXX echo on|off"
//
// Ctrl+C and Ctrl+Break reach every process on the console; the probe
// outlives them. (It cannot send Ctrl+Break itself: Wine's
// GenerateConsoleCtrlEvent fails.)

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

BOOL WINAPI Outlive(DWORD) {
  return TRUE;
}

DWORD ConsoleMode() {
  const HANDLE input =
      CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  DWORD mode = 0;
  GetConsoleMode(input, &mode);
  CloseHandle(input);
  return mode;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  SetConsoleCtrlHandler(Outlive, TRUE);
  std::wstring line;
  for (int i = 1; i < argc; ++i)
    line += (line.empty() ? L"" : L" ") + std::wstring(argv[i]);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &child)) {
    std::printf("cannot start: error %lu\n", GetLastError());
    return 1;
  }
  WaitForSingleObject(child.hProcess, INFINITE);
  DWORD status = 0;
  GetExitCodeProcess(child.hProcess, &status);
  std::printf("exit %08lx echo %s\n", status,
              (ConsoleMode() & ENABLE_ECHO_INPUT) != 0 ? "on" : "off");
  return 0;
}
