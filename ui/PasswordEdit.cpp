#include "PasswordEdit.h"

#include <QKeyEvent>

#include "QtText.h"
#include "app/AnsiCodePage.h"

namespace vantrel {

std::vector<std::uint8_t> CharacterCodes(const QKeyEvent& event) {
  const int key = event.key();
  const Qt::KeyboardModifiers mods = event.modifiers();
  const bool ctrl = (mods & Qt::ControlModifier) != 0;
  const bool alt = (mods & Qt::AltModifier) != 0;
  if (key == Qt::Key_Delete || key == Qt::Key_Tab || key == Qt::Key_Backtab)
    return {};
  // Ctrl with a letter is the control character of that letter, whatever
  // text the platform attached (some send the letter, X11 the control code).
  // Ctrl+Alt is AltGr on some systems and types the text it carries.
  if (ctrl && !alt && key >= Qt::Key_A && key <= Qt::Key_Z)
    return {static_cast<std::uint8_t>(key - Qt::Key_A + 1)};
  const QString text = event.text();
  if (text.isEmpty()) {
    switch (key) {
      case Qt::Key_Backspace:
        return {8};
      case Qt::Key_Return:
      case Qt::Key_Enter:
        return {13};
      case Qt::Key_Escape:
        return {27};
      default:
        return {};
    }
  }
  std::vector<std::uint8_t> codes;
  for (const QChar unit : text) {
    if (unit.unicode() == 0x7F)
      continue;  // X11's Delete
    codes.push_back(AnsiCode(unit.unicode()));
  }
  return codes;
}

PasswordEdit::PasswordEdit(QWidget* parent) : QLineEdit(parent) {
  setEchoMode(QLineEdit::Password);
  connect(this, &QLineEdit::textChanged, this, &PasswordEdit::storeInCodePage);
}

bool PasswordEdit::report(const std::vector<std::uint8_t>& codes) {
  for (const std::uint8_t code : codes) {
    if (sink_ && !sink_(code))
      return false;
  }
  return true;
}

void PasswordEdit::keyPressEvent(QKeyEvent* event) {
  if (!report(CharacterCodes(*event))) {
    event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void PasswordEdit::inputMethodEvent(QInputMethodEvent* event) {
  std::vector<std::uint8_t> codes;
  for (const QChar unit : event->commitString())
    codes.push_back(AnsiCode(unit.unicode()));
  if (!report(codes)) {
    event->accept();
    return;
  }
  QLineEdit::inputMethodEvent(event);
}

void PasswordEdit::storeInCodePage() {
  const Text typed = FromQString(text());
  const Text stored = ToCodePage(typed);
  if (stored == typed)
    return;
  const int cursor = cursorPosition();
  setText(ToQString(stored));  // same length: the cursor keeps its place
  setCursorPosition(cursor);
}

}  // namespace vantrel
