#pragma once

// What the tool asks of its own process: no core file, no death by a
// broken pipe, and a chance to put things right when a signal ends it.

namespace vantrel::cli {

// For the whole life of the process: no core file and no debugger of the
// same user can read its memory (non-dumpable, core size limit 0), and a
// write to a closed pipe fails with EPIPE, which the tool reports, instead
// of raising SIGPIPE, which would end it silently. Call first thing.
void ProtectProcess();

// An async-signal-safe function that puts something right before the
// process ends: the terminal's settings, a half-written file.
using Cleanup = void (*)();

// While at least one cleanup is registered, every catchable signal whose
// default action ends the process first runs the registered cleanups, then
// ends the process as that signal would have (same status, same core rule).
// The previous signal actions come back when the last one is removed.
void AddCleanup(Cleanup cleanup);
void RemoveCleanup(Cleanup cleanup);

}  // namespace vantrel::cli
