// The tool's process on Windows. There is no core file to forbid: what
// comes nearest is the crash report, with its dialog and its dump, which
// the error mode turns off. A write to a closed pipe already fails with an
// error (ERROR_NO_DATA) and raises nothing. What ends the process with a
// chance to put things right are the console's events: Ctrl+C, Ctrl+Break,
// the console closed, the user logging off, the system shutting down.

#include <stdlib.h>

#include <array>
#include <atomic>

#include "Process.h"
#include "WinSystem.h"

namespace vantrel::cli {
namespace {

constexpr std::size_t kSlots = 4;
std::array<std::atomic<Cleanup>, kSlots> gCleanups{};
std::atomic<bool> gInstalled{false};

// Runs on a thread of its own that the system starts for the event. Ctrl+C
// and Ctrl+Break then end the process as the system's own handler does,
// with STATUS_CONTROL_C_EXIT (which Wine's does not give); the other events
// go on to that handler.
BOOL WINAPI RunCleanupsAndEnd(DWORD event) {
  for (auto& slot : gCleanups) {
    if (const Cleanup cleanup = slot.exchange(nullptr))
      cleanup();
  }
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT)
    ExitProcess(STATUS_CONTROL_C_EXIT);
  return FALSE;
}

// A bad descriptor given to the C runtime (--password-fd 7) is reported by
// the call that got it; the runtime must not end the process for it.
void IgnoreInvalidParameter(const wchar_t*, const wchar_t*, const wchar_t*, unsigned, uintptr_t) {}

}  // namespace

void ProtectProcess() {
  // No crash dialog and no Windows Error Reporting, whose report would
  // carry the process's memory; no dialog for a drive without a disk.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  _set_invalid_parameter_handler(IgnoreInvalidParameter);
}

void AddCleanup(Cleanup cleanup) {
  for (auto& slot : gCleanups) {
    Cleanup empty = nullptr;
    if (slot.compare_exchange_strong(empty, cleanup))
      break;
  }
  if (!gInstalled.exchange(true))
    SetConsoleCtrlHandler(RunCleanupsAndEnd, TRUE);
}

void RemoveCleanup(Cleanup cleanup) {
  bool any = false;
  for (auto& slot : gCleanups) {
    Cleanup mine = cleanup;
    slot.compare_exchange_strong(mine, nullptr);
    any = any || slot.load() != nullptr;
  }
  if (!any && gInstalled.exchange(false))
    SetConsoleCtrlHandler(RunCleanupsAndEnd, FALSE);
}

}  // namespace vantrel::cli
