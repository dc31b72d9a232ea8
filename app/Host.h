#pragma once

// What the window model asks of whatever shows it: the Qt window, the
// Windows window, the command-line tool, or a test's fake. Every call is
// made from inside a handler, on the one thread that runs them.

#include <exception>

#include "Messages.h"

namespace vantrel {

class Host {
 public:
  virtual ~Host() = default;

  // A modal message box with one OK button, the message's text and icon and
  // the window's caption as its title. Returns when the user has dismissed it.
  virtual void MsgBox(const Message& message) = 0;

  // The text clipboard. Either may throw ClipboardBusy.
  virtual void ClipboardClear() = 0;
  virtual void ClipboardSetText(const Text& text) = 0;

  // The window's outer geometry and the screen's size, in twips. Any of
  // these may throw when the toolkit refuses a value; callers that can
  // carry on without it do.
  virtual float Top() = 0;
  virtual float Left() = 0;
  virtual float Width() = 0;
  virtual float Height() = 0;
  virtual void SetTop(float twips) = 0;
  virtual void SetLeft(float twips) = 0;
  virtual void SetWidth(float twips) = 0;
  virtual void SetHeight(float twips) = 0;
  virtual float ScreenWidth() = 0;
  virtual float ScreenHeight() = 0;
  // The whole geometry in one step, so that nobody sees the window moved
  // but not yet resized. By default the four setters one after the other,
  // each that fails skipped; a host that can do better does.
  virtual void Place(float top, float left, float width, float height);

  // A clock that only moves forward, in seconds from any start: the closing
  // animation paces its steps by it.
  virtual double Seconds();

  // Ends the program at once: no further handler runs and nothing is saved.
  // A host that cannot stop the caller (a test's fake) records the request;
  // the model returns straight after calling it.
  virtual void End() = 0;
};

// Another program held the clipboard open for as long as the host waited
// for it (about a second). The copy commands say so and carry on: nothing
// the user typed is lost to a busy clipboard.
class ClipboardBusy : public std::exception {
 public:
  const char* what() const noexcept override { return "the clipboard is in use"; }
};

// A host with no window, for running the model where nothing is shown: a
// command-line tool, a benchmark, a test helper. It has no geometry: reads
// give 0 and moves do nothing. The rest is each host's own.
class WindowlessHost : public Host {
 public:
  float Top() override { return 0; }
  float Left() override { return 0; }
  float Width() override { return 0; }
  float Height() override { return 0; }
  void SetTop(float) override {}
  void SetLeft(float) override {}
  void SetWidth(float) override {}
  void SetHeight(float) override {}
  float ScreenWidth() override { return 0; }
  float ScreenHeight() override { return 0; }
};

}  // namespace vantrel
