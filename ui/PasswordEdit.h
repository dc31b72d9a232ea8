#pragma once

// The password field: a single line that shows one "*" per character and
// reports every character event to the program before applying it.

#include <QLineEdit>
#include <cstdint>
#include <functional>
#include <vector>

class QKeyEvent;

namespace vantrel {

// The 8-bit codes of the characters a key event types, in order: its text
// through the code page, or for a key without text the control character it
// stands for (Backspace 8, Enter 13, Escape 27, Ctrl with a letter 1 to 26).
// Keys that type nothing give none: Delete, Tab, arrows, modifiers, function
// keys. Menu access keys (Alt with a letter) are taken by the menu bar before
// the field sees them.
std::vector<std::uint8_t> CharacterCodes(const QKeyEvent& event);

class PasswordEdit : public QLineEdit {
  Q_OBJECT

 public:
  // Called with each character's code before the field applies it. When it
  // returns false the event is dropped: the program is ending.
  using CharacterSink = std::function<bool(std::uint8_t)>;

  explicit PasswordEdit(QWidget* parent = nullptr);
  void setCharacterSink(CharacterSink sink) { sink_ = std::move(sink); }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;

 private:
  bool report(const std::vector<std::uint8_t>& codes);
  // Keeps the field in the code page: what it lacks becomes "?".
  void storeInCodePage();

  CharacterSink sink_;
};

}  // namespace vantrel
