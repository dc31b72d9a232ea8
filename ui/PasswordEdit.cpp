#include "PasswordEdit.h"

#include <QKeyEvent>
#include <algorithm>
#include <iterator>
#include <string>
#include <utility>

#include "QtText.h"
#include "app/AnsiCodePage.h"
#include "app/Form1.h"

namespace vantrel {
namespace {

bool Printable(char16_t unit) {
  return unit >= 0x20 && unit != 0x7F;
}

bool IsDeadKey(int key) {
  return key >= Qt::Key_Dead_Grave && key <= Qt::Key_Dead_Longsolidusoverlay;
}

// Alt without Ctrl, or the logo key: keys Windows keeps for the system.
bool SystemChord(Qt::KeyboardModifiers mods) {
  return ((mods & Qt::AltModifier) != 0 && (mods & Qt::ControlModifier) == 0) ||
         (mods & Qt::MetaModifier) != 0;
}

// The Latin letter Windows names a letter key by when the layout types
// another script (a Cyrillic or Greek layout, say): the letter of the US
// layout's key at that place. 0 when there is none.
int LatinLetterKey(const QKeyEvent& event) {
#ifdef Q_OS_WIN
  const quint32 virtualKey = event.nativeVirtualKey();
  return virtualKey >= 'A' && virtualKey <= 'Z' ? Qt::Key_A + static_cast<int>(virtualKey - 'A')
                                                : 0;
#else
  // X11 and Wayland number keys by place (evdev codes + 8).
  static constexpr struct {
    quint32 first;
    const char* letters;
  } rows[] = {{24, "QWERTYUIOP"}, {38, "ASDFGHJKL"}, {52, "ZXCVBNM"}};
  const quint32 code = event.nativeScanCode();
  for (const auto& row : rows) {
    if (code >= row.first && code - row.first < std::char_traits<char>::length(row.letters))
      return Qt::Key_A + (row.letters[code - row.first] - 'A');
  }
  return 0;
#endif
}

// Ctrl (without Alt) with a key: the key as the US layout names it, and
// the characters that gives.
Text ControlCharacter(const QKeyEvent& event, bool shift) {
  int key = event.key();
  if (key < 0x10000 && QChar::isLetter(static_cast<char32_t>(key)) && key > 0x7F)
    key = LatinLetterKey(event);
  switch (key) {
    case Qt::Key_Escape:
      return vantrel::ControlCharacter(u'\x1B', shift);
    case Qt::Key_Backspace:
      return vantrel::ControlCharacter(u'\b', shift);
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return vantrel::ControlCharacter(u'\r', shift);
    default:
      // The keys of printable ASCII characters are numbered by them.
      return key >= 0x20 && key < 0x7F
                 ? vantrel::ControlCharacter(static_cast<char16_t>(key), shift)
                 : Text();
  }
}

}  // namespace

Text TypedCharacters(const QKeyEvent& event) {
  const int key = event.key();
  const Qt::KeyboardModifiers mods = event.modifiers();
  const bool ctrl = (mods & Qt::ControlModifier) != 0;
  const bool alt = (mods & Qt::AltModifier) != 0;
  if (SystemChord(mods) || IsDeadKey(key) || key == Qt::Key_Delete || key == Qt::Key_Tab ||
      key == Qt::Key_Backtab)
    return {};
  // Whatever text the platform attached: X11 sends the control code for some
  // of these keys and the plain character for others.
  if (ctrl && !alt)
    return ControlCharacter(event, (mods & Qt::ShiftModifier) != 0);
  const Text text = FromQString(event.text());
  if (ctrl && alt) {
    // AltGr on Windows: a character if the layout has one on that key.
    for (const char16_t unit : text) {
      if (!Printable(unit))
        return {};
    }
    return text;
  }
  if (text.empty()) {
    switch (key) {
      case Qt::Key_Backspace:
        return u"\b";
      case Qt::Key_Return:
      case Qt::Key_Enter:
        return u"\r";
      case Qt::Key_Escape:
        return u"\x1B";
      default:
        return {};
    }
  }
  Text typed;
  for (const char16_t unit : text) {
    if (unit != 0x7F)  // X11's Delete
      typed.push_back(unit);
  }
  return typed;
}

namespace {

// The dead keys the field composes: the accent each types alone, and the
// combining mark that puts it on a letter.
struct DeadKey {
  int key;
  char16_t accent;
  char16_t mark;
};
constexpr DeadKey kDeadKeys[] = {
    {Qt::Key_Dead_Grave, u'`', 0x0300},          {Qt::Key_Dead_Acute, u'\u00B4', 0x0301},
    {Qt::Key_Dead_Circumflex, u'^', 0x0302},     {Qt::Key_Dead_Tilde, u'~', 0x0303},
    {Qt::Key_Dead_Diaeresis, u'\u00A8', 0x0308}, {Qt::Key_Dead_Cedilla, u'\u00B8', 0x0327},
};

}  // namespace

char16_t DeadKeyAccent(int key) {
  const auto* dead = std::ranges::find(kDeadKeys, key, &DeadKey::key);
  return dead != std::end(kDeadKeys) ? dead->accent : char16_t{0};
}

Text Compose(char16_t accent, char16_t next) {
  if (next == u' ')
    return Text(1, accent);
  const auto* dead = std::ranges::find(kDeadKeys, accent, &DeadKey::accent);
  if (dead != std::end(kDeadKeys) && Printable(next)) {
    const QString pair = QString(QChar(next)) + QChar(dead->mark);
    const QString composed = pair.normalized(QString::NormalizationForm_C);
    if (composed.size() == 1 && InCodePage(composed[0].unicode()))
      return Text(1, composed[0].unicode());
  }
  return Text{accent, next};
}

PasswordEdit::PasswordEdit(QWidget* parent) : QLineEdit(parent) {
  setEchoMode(QLineEdit::Password);
}

QVariant PasswordEdit::inputMethodQuery(Qt::InputMethodQuery query) const {
  if (query == Qt::ImEnabled)
    return false;
  return QLineEdit::inputMethodQuery(query);
}

bool PasswordEdit::report(const Text& characters) {
  for (const char16_t unit : characters) {
    if (sink_ && !sink_(AnsiCode(unit)))
      return false;
  }
  return true;
}

void PasswordEdit::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers mods = event->modifiers();
#ifndef Q_OS_WIN  // Windows composes dead keys before the toolkit sees them.
  const bool plain = (mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) == 0;
  if (const char16_t accent = DeadKeyAccent(event->key()); accent != 0 && plain) {
    event->accept();
    if (pendingAccent_ == 0) {
      pendingAccent_ = accent;  // types nothing yet
      return;
    }
    // A second dead key types both accents.
    const Text both{std::exchange(pendingAccent_, 0), accent};
    if (report(both))
      insert(ToQString(both));
    return;
  }
#endif
  const Text typed = TypedCharacters(*event);
  if (pendingAccent_ != 0 && !typed.empty()) {
    const char16_t accent = std::exchange(pendingAccent_, 0);
    if (Printable(typed.front())) {
      const Text composed = Compose(accent, typed.front()) + typed.substr(1);
      event->accept();
      if (report(composed))
        insert(ToQString(composed));
      return;
    }
    // A control character: the accent first, then the key does its work.
    if (!report(Text(1, accent) + typed)) {
      event->accept();
      return;
    }
    insert(QString(QChar(accent)));
    QLineEdit::keyPressEvent(event);
    return;
  }
  if (!report(typed)) {
    event->accept();
    return;
  }
  if (SystemChord(mods) && !event->text().isEmpty() && event->text().front().isPrint()) {
    event->ignore();  // types nothing, as on Windows
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void PasswordEdit::inputMethodEvent(QInputMethodEvent* event) {
  if (!report(FromQString(event->commitString()))) {
    event->accept();
    return;
  }
  QLineEdit::inputMethodEvent(event);
}

void PasswordEdit::focusOutEvent(QFocusEvent* event) {
  pendingAccent_ = 0;
  QLineEdit::focusOutEvent(event);
}

}  // namespace vantrel
