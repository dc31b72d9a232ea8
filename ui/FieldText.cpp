#include "FieldText.h"

#include <array>

namespace vantrel {
namespace {

constexpr char16_t kControlPictures = 0x2400;  // U+2400 + code for codes 0..31
constexpr char16_t kDeletePicture = 0x2421;
constexpr char16_t kHighControlMarks = 0x2460;
// The C1 control characters the code page keeps, in the order of their marks.
constexpr std::array<char16_t, 5> kHighControls = {0x81, 0x8D, 0x8F, 0x90, 0x9D};
constexpr char16_t kParagraphSeparator = 0x2029;
constexpr char16_t kLineSeparator = 0x2028;
// Characters Qt's documents take for frame boundaries (paragraph breaks),
// and what stands after the literal mark for each.
constexpr char16_t kFrameStart = 0xFDD0;
constexpr char16_t kFrameEnd = 0xFDD1;
constexpr char16_t kFrameStartShown = 0x2426;
constexpr char16_t kFrameEndShown = 0x2425;

// The stand-in of a character that must not reach a widget as itself, or 0.
char16_t StandIn(char16_t unit) {
  if (unit < 0x20)
    return static_cast<char16_t>(kControlPictures + unit);
  if (unit == 0x7F)
    return kDeletePicture;
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == unit)
      return static_cast<char16_t>(kHighControlMarks + i);
  }
  return 0;
}

// The character a stand-in stands for; false for any other unit.
bool FromStandIn(char16_t unit, char16_t& character) {
  if (unit >= kControlPictures && unit < kControlPictures + 0x20) {
    character = static_cast<char16_t>(unit - kControlPictures);
    return true;
  }
  if (unit == kDeletePicture) {
    character = 0x7F;
    return true;
  }
  if (unit >= kHighControlMarks && unit < kHighControlMarks + kHighControls.size()) {
    character = kHighControls[unit - kHighControlMarks];
    return true;
  }
  return false;
}

// What follows the literal mark for a character that needs it, or 0 for a
// character shown as itself.
char16_t AfterLiteralMark(char16_t unit) {
  char16_t ignored = 0;
  if (FromStandIn(unit, ignored) || unit == kLiteralMark || unit == kLineSeparator)
    return unit;
  switch (unit) {
    case kParagraphSeparator:
      return u'\n';
    case kFrameStart:
      return kFrameStartShown;
    case kFrameEnd:
      return kFrameEndShown;
    default:
      return 0;
  }
}

// The character the literal mark and `shown` stand for; false when the
// mark does not apply to `shown`.
bool FromLiteralMark(char16_t shown, char16_t& character) {
  char16_t ignored = 0;
  if (FromStandIn(shown, ignored) || shown == kLiteralMark || shown == kLineSeparator) {
    character = shown;
  } else if (shown == u'\n' || shown == kParagraphSeparator) {
    character = kParagraphSeparator;
  } else if (shown == kFrameStartShown) {
    character = kFrameStart;
  } else if (shown == kFrameEndShown) {
    character = kFrameEnd;
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool IsLineBreak(char16_t unit) {
  return unit == u'\n' || unit == kLineSeparator || unit == kParagraphSeparator;
}

Text ToDisplay(const Text& model) {
  Text display;
  display.reserve(model.size() + model.size() / 8);
  for (std::size_t i = 0; i < model.size(); ++i) {
    const char16_t unit = model[i];
    if (unit == u'\r' && i + 1 < model.size() && model[i + 1] == u'\n') {
      display.push_back(u'\n');
      ++i;
    } else if (unit == u'\n') {
      display.push_back(kLineFeedMark);
      display.push_back(u'\n');
    } else if (const char16_t standIn = StandIn(unit); standIn != 0) {
      display.push_back(standIn);
    } else if (const char16_t shown = AfterLiteralMark(unit); shown != 0) {
      display.push_back(kLiteralMark);
      display.push_back(shown);
    } else {
      display.push_back(unit);
    }
  }
  return display;
}

Text FromDisplay(const Text& display) {
  Text model;
  model.reserve(display.size() + display.size() / 8);
  for (std::size_t i = 0; i < display.size(); ++i) {
    const char16_t unit = display[i];
    char16_t character = 0;
    if (unit == kLineFeedMark) {
      model.push_back(u'\n');
      if (i + 1 < display.size() && IsLineBreak(display[i + 1]))
        ++i;
    } else if (unit == kLiteralMark && i + 1 < display.size() &&
               FromLiteralMark(display[i + 1], character)) {
      model.push_back(character);
      ++i;
    } else if (IsLineBreak(unit)) {
      model.append(u"\r\n");
    } else if (FromStandIn(unit, character)) {
      model.push_back(character);
    } else {
      model.push_back(unit);
    }
  }
  return model;
}

}  // namespace vantrel
