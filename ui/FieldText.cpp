#include "FieldText.h"

#include <array>

#include "app/AnsiCodePage.h"

namespace vantrel {
namespace {

constexpr char16_t kControlPictures = 0x2400;  // U+2400 + code for codes 0..31
constexpr char16_t kDeletePicture = 0x2421;
constexpr char16_t kHighControlMarks = 0x2460;
// The C1 control characters the code page keeps, in the order of their marks.
constexpr std::array<char16_t, 5> kHighControls = {0x81, 0x8D, 0x8F, 0x90, 0x9D};

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

}  // namespace

bool IsLineBreak(char16_t unit) {
  return unit == u'\n' || unit == 0x2028 || unit == 0x2029;
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
    } else {
      display.push_back(InCodePage(unit) ? unit : u'?');
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
    } else if (IsLineBreak(unit)) {
      model.append(u"\r\n");
    } else if (FromStandIn(unit, character)) {
      model.push_back(character);
    } else {
      model.push_back(InCodePage(unit) ? unit : u'?');
    }
  }
  return model;
}

}  // namespace vantrel
