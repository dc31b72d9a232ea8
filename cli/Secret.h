#pragma once

// Wiping the password from memory once it has been typed into the window
// model. Three layers do it together:
// - each buffer the tool itself holds the password in (the bytes read, the
//   16-bit text, the model's password field) is overwritten in place;
// - the tool's heap (WipingHeap.cpp) overwrites every block as it is freed,
//   which reaches the copies the model makes of its field while keys are
//   typed, and every short-lived string besides;
// - WipeStack overwrites the stack that short copies held in passing.
// What no layer reaches: the kernel's terminal, pipe and file buffers, the
// page cache of a password file, registers, and memory swapped out before
// it was wiped. The process is kept non-dumpable (Process.h) for that.

#include <cstddef>
#include <string>

#include "codec/Text.h"

namespace vantrel::cli {

// Overwrites size bytes with zeros in a way the compiler may not drop.
void WipeBytes(void* data, std::size_t size);

// Overwrites a string's whole storage, not only its length, and empties it.
void Wipe(std::string& bytes);
void Wipe(Text& text);

// Overwrites, in place, a text that a non-const object owns but shows only
// through a const reference (the model's password field).
void WipeInPlace(const Text& text);

// Overwrites the stack below the caller's frame, where the frames of the
// calls it made have left short strings.
void WipeStack();

// Wipes a string when the scope ends, however it ends.
template <class String>
class WipeOnExit {
 public:
  explicit WipeOnExit(String& s) : s_(s) {}
  ~WipeOnExit() { Wipe(s_); }
  WipeOnExit(const WipeOnExit&) = delete;
  WipeOnExit& operator=(const WipeOnExit&) = delete;

 private:
  String& s_;
};

}  // namespace vantrel::cli
