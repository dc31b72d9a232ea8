#pragma once

// A host that records what the window model asks of it, for tests: every
// message box, the clipboard, the geometry and the end of the program.

#include <algorithm>
#include <functional>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/Form1.h"
#include "app/Host.h"

namespace vantrel {

// Readable failures: the text with units above 127 as \u escapes.
inline void PrintTo(const Message& m, std::ostream* out) {
  *out << "{id " << static_cast<int>(m.id) << ", \"";
  for (const char16_t c : m.text) {
    if (c >= 32 && c < 127) {
      *out << static_cast<char>(c);
    } else {
      *out << "\\u" << std::hex << static_cast<int>(c) << std::dec;
    }
  }
  *out << "\", icon " << static_cast<int>(m.icon) << "}";
}

namespace testing {

struct Geometry {
  float top, left, width, height;
  bool operator==(const Geometry&) const = default;
};

class FakeHost : public Host {
 public:
  void MsgBox(const Message& message) override {
    messages.push_back(message);
    if (onMsgBox)
      onMsgBox();
  }
  void ClipboardClear() override {
    if (failClipboard)
      throw std::runtime_error("clipboard unavailable");
    clipboard.reset();
  }
  void ClipboardSetText(const Text& text) override {
    if (busyClipboard)
      throw ClipboardBusy();
    clipboard = text;
  }

  float Top() override { return geometry.top; }
  float Left() override { return geometry.left; }
  float Width() override { return geometry.width; }
  float Height() override { return geometry.height; }
  void SetTop(float twips) override {
    Move([&] { geometry.top = twips; });
  }
  void SetLeft(float twips) override {
    Move([&] { geometry.left = twips; });
  }
  void SetWidth(float twips) override {
    Move([&] { geometry.width = std::max(twips, minimumWidth); });
  }
  void SetHeight(float twips) override {
    Move([&] { geometry.height = std::max(twips, minimumHeight); });
  }
  float ScreenWidth() override { return screenWidth; }
  float ScreenHeight() override { return screenHeight; }
  double Seconds() override { return seconds; }
  void End() override { ++ends; }

  // Message boxes shown so far; the last one.
  std::vector<Message> messages;
  const Message& Last() const { return messages.back(); }

  std::optional<Text> clipboard;
  bool failClipboard = false;
  bool busyClipboard = false;  // another program holds it: setting the text fails
  std::function<void()> onMsgBox;

  Geometry geometry{2000, 4000, 5400, 4710};
  float screenWidth = 28800;
  float screenHeight = 21600;
  double seconds = 0;         // the clock, which each move request advances
  double secondsPerMove = 0;  // by this much
  float minimumWidth = 1800;
  float minimumHeight = 500;
  bool ignoreMoves = false;     // a window manager that refuses every move
  std::vector<Geometry> moves;  // the geometry after every accepted move
  int moveRequests = 0;         // accepted or not
  int ends = 0;

 private:
  template <typename Apply>
  void Move(Apply apply) {
    ++moveRequests;
    seconds += secondsPerMove;
    if (ignoreMoves)
      return;
    apply();
    moves.push_back(geometry);
  }
};

}  // namespace testing
}  // namespace vantrel
