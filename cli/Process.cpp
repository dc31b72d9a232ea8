#include "Process.h"

#include <sys/resource.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/prctl.h>
#endif

#include <array>
#include <atomic>
#include <csignal>
#include <vector>

namespace vantrel::cli {
namespace {

// Signals whose default action ends the process and that a handler can
// catch. SIGPIPE is not among them: it is ignored for the whole life.
std::vector<int> EndingSignals() {
  std::vector<int> signals = {SIGHUP,  SIGINT,  SIGQUIT, SIGILL,  SIGTRAP,   SIGABRT,
                              SIGBUS,  SIGFPE,  SIGUSR1, SIGSEGV, SIGUSR2,   SIGALRM,
                              SIGTERM, SIGXCPU, SIGXFSZ, SIGSYS,  SIGVTALRM, SIGPROF};
#ifdef SIGSTKFLT
  signals.push_back(SIGSTKFLT);
#endif
#ifdef SIGIO
  signals.push_back(SIGIO);
#endif
#ifdef SIGPWR
  signals.push_back(SIGPWR);
#endif
#ifdef SIGRTMIN
  for (int s = SIGRTMIN; s <= SIGRTMAX; ++s)
    signals.push_back(s);
#endif
  return signals;
}

constexpr std::size_t kSlots = 4;
std::array<std::atomic<Cleanup>, kSlots> gCleanups{};

struct Installed {
  std::vector<int> signals;
  std::vector<struct sigaction> previous;
};
Installed* gInstalled = nullptr;

extern "C" void RunCleanupsAndEnd(int signal) {
  const int savedErrno = errno;
  for (auto& slot : gCleanups) {
    if (const Cleanup cleanup = slot.load())
      cleanup();
  }
  errno = savedErrno;
  // SA_RESETHAND has put the default action back. The signal is blocked in
  // here, so it takes effect as soon as the handler returns; a fault that
  // raised it faults again and ends the process the same way.
  ::raise(signal);
}

void Install() {
  auto* installed = new Installed{EndingSignals(), {}};
  installed->previous.resize(installed->signals.size());
  struct sigaction action {};
  action.sa_handler = RunCleanupsAndEnd;
  action.sa_flags = static_cast<int>(SA_RESETHAND);
  // Everything blocked while it runs: no second cleanup halfway through the
  // first, and no SIGTTOU for putting a background terminal right.
  sigfillset(&action.sa_mask);
  for (std::size_t i = 0; i < installed->signals.size(); ++i)
    ::sigaction(installed->signals[i], &action, &installed->previous[i]);
  gInstalled = installed;
}

void Uninstall() {
  for (std::size_t i = 0; i < gInstalled->signals.size(); ++i)
    ::sigaction(gInstalled->signals[i], &gInstalled->previous[i], nullptr);
  delete gInstalled;
  gInstalled = nullptr;
}

}  // namespace

void ProtectProcess() {
#if defined(__linux__)
  ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
#endif
  const rlimit none{0, 0};
  ::setrlimit(RLIMIT_CORE, &none);
  ::signal(SIGPIPE, SIG_IGN);
}

void AddCleanup(Cleanup cleanup) {
  for (auto& slot : gCleanups) {
    Cleanup empty = nullptr;
    if (slot.compare_exchange_strong(empty, cleanup))
      break;
  }
  if (gInstalled == nullptr)
    Install();
}

void RemoveCleanup(Cleanup cleanup) {
  bool any = false;
  for (auto& slot : gCleanups) {
    Cleanup mine = cleanup;
    slot.compare_exchange_strong(mine, nullptr);
    any = any || slot.load() != nullptr;
  }
  if (!any && gInstalled != nullptr)
    Uninstall();
}

}  // namespace vantrel::cli
