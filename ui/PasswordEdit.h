#pragma once

// The password field: a single line that shows one "*" per character and
// reports every character event to the program before applying it.
//
// The key is the sum of those characters' codes, so a code made on one
// desktop decodes on another only when the same keys give the same
// characters. The field therefore reports what Windows reports for a key
// (with the US layout where the layouts differ), not what this desktop's
// toolkit types: Ctrl+Backspace is 127, Ctrl+Enter 10, Alt with a key types
// nothing, and dead keys compose as Windows composes them, without any
// input method.

#include <QLineEdit>
#include <cstdint>
#include <functional>

#include "codec/Text.h"

class QKeyEvent;

namespace vantrel {

// The characters a key event types, in order, as Windows reports them:
// - plain and shifted keys: their text (Backspace 8, Enter 13, Escape 27);
// - Ctrl with a letter 1 to 26 (Shift or not; on a layout of another script,
//   by the US letter at the key's place); Ctrl with Backspace 127, with
//   Enter 10, with Space 32, with Escape 27; Ctrl with "[", "\", "]", "^" and
//   "_" 27 to 31; Ctrl with any other key, and Ctrl+Shift with Backspace,
//   Enter or Space, nothing;
// - Alt with any key nothing: Windows reports it as a system key (a menu
//   access key or nothing);
// - Ctrl+Alt, which is AltGr on Windows, the printable text it carries;
// - Delete, Tab, arrows, function keys, modifiers and dead keys nothing.
Text TypedCharacters(const QKeyEvent& event);

// The accent a dead key stands for, as the character it types before a space
// ("^" for a dead circumflex), or 0 for a key that is no dead key or one
// this field does not know.
char16_t DeadKeyAccent(int key);

// What a dead key's accent and the next typed character give: the accented
// character when the code page has it, the accent alone for a space, and
// otherwise the accent followed by the character.
Text Compose(char16_t accent, char16_t next);

class PasswordEdit : public QLineEdit {
  Q_OBJECT

 public:
  // Called with each character's code before the field applies it. When it
  // returns false the event is dropped: the program is ending.
  using CharacterSink = std::function<bool(std::uint8_t)>;

  explicit PasswordEdit(QWidget* parent = nullptr);
  void setCharacterSink(CharacterSink sink) { sink_ = std::move(sink); }

  // No input method composes for this field: the field composes dead keys
  // itself, so that they give what they give on Windows.
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  bool report(const Text& characters);

  CharacterSink sink_;
  char16_t pendingAccent_ = 0;  // a dead key waiting for the next character
};

}  // namespace vantrel
