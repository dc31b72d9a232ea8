#include "CodeEdit.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

#include "FieldText.h"
#include "QtText.h"

namespace vantrel {
namespace {

// The document's text with every line break as "\n": positions match the
// document's cursor positions one to one.
Text DocumentText(const QTextDocument& document) {
  Text text = FromQString(document.toRawText());
  for (char16_t& unit : text) {
    if (unit == 0x2029)
      unit = u'\n';
  }
  return text;
}

}  // namespace

CodeEdit::CodeEdit(QWidget* parent) : QPlainTextEdit(parent) {
  connect(document(), &QTextDocument::contentsChanged, this, &CodeEdit::onContentsChanged);
}

void CodeEdit::setModelText(const Text& text) {
  replacing_ = true;
  setPlainText(ToQString(ToDisplay(text)));
  replacing_ = false;
  model_ = text;
}

bool CodeEdit::canInsertFromMimeData(const QMimeData* source) const {
  return source != nullptr && source->hasText();
}

void CodeEdit::insertFromMimeData(const QMimeData* source) {
  if (!canInsertFromMimeData(source))
    return;
  // Clipboard text is taken character for character: a lone LF stays a lone
  // LF, a CR a CR.
  textCursor().insertText(ToQString(ToDisplay(FromQString(source->text()))));
  ensureCursorVisible();
}

QMimeData* CodeEdit::createMimeDataFromSelection() const {
  const QTextCursor cursor = textCursor();
  if (!cursor.hasSelection())
    return nullptr;
  auto* mime = new QMimeData;
  mime->setText(ToQString(FromDisplay(FromQString(cursor.selectedText()))));
  return mime;
}

void CodeEdit::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers mods = event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
  const int key = event->key();
  if ((key == Qt::Key_Return || key == Qt::Key_Enter) && mods == Qt::NoModifier) {
    // Shift+Enter too: a field has one kind of typed line break, CR LF.
    textCursor().insertText(QStringLiteral("\n"));
    ensureCursorVisible();
    event->accept();
    return;
  }
  if ((key == Qt::Key_Backspace || key == Qt::Key_Delete) && mods == Qt::NoModifier &&
      deleteLineFeed(key == Qt::Key_Backspace)) {
    event->accept();
    return;
  }
  const Text typed = FromQString(event->text());
  // Control characters are the widget's to ignore; a printable character
  // that would read back as a stand-in or a line break is typed in its
  // display form.
  const bool printable =
      std::ranges::none_of(typed, [](char16_t unit) { return unit < 0x20 || unit == 0x7F; });
  if (const Text shown = ToDisplay(typed); printable && shown != typed) {
    QKeyEvent replaced(event->type(), key, event->modifiers(), event->nativeScanCode(),
                       event->nativeVirtualKey(), event->nativeModifiers(), ToQString(shown),
                       event->isAutoRepeat(), static_cast<quint16>(event->count()));
    QPlainTextEdit::keyPressEvent(&replaced);
    event->setAccepted(replaced.isAccepted());
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}

void CodeEdit::inputMethodEvent(QInputMethodEvent* event) {
  if (!event->commitString().isEmpty()) {
    const Text committed = FromQString(event->commitString());
    event->setCommitString(ToQString(ToDisplay(committed)), event->replacementStart(),
                           event->replacementLength());
  }
  QPlainTextEdit::inputMethodEvent(event);
}

bool CodeEdit::deleteLineFeed(bool backwards) {
  QTextCursor cursor = textCursor();
  if (cursor.hasSelection())
    return false;
  const QTextDocument& doc = *document();
  const int pos = cursor.position();
  const auto at = [&](int p) { return p >= 0 ? doc.characterAt(p).unicode() : char16_t{0}; };
  const auto isBreak = [&](int p) { return at(p) == 0x2029; };
  const auto isMark = [&](int p) { return at(p) == kLineFeedMark; };
  int from = -1;
  if (backwards) {
    if (isBreak(pos - 1) && isMark(pos - 2))
      from = pos - 2;  // just after the line break
    else if (isMark(pos - 1) && isBreak(pos))
      from = pos - 1;  // between the mark and its line break
  } else {
    if (isMark(pos) && isBreak(pos + 1))
      from = pos;
    else if (isBreak(pos) && isMark(pos - 1))
      from = pos - 1;
  }
  if (from < 0)
    return false;
  cursor.setPosition(from);
  cursor.setPosition(from + 2, QTextCursor::KeepAnchor);
  cursor.removeSelectedText();
  setTextCursor(cursor);
  return true;
}

void CodeEdit::onContentsChanged() {
  if (replacing_)
    return;
  const Text shown = DocumentText(*document());
  model_ = FromDisplay(shown);
  const Text canonical = ToDisplay(model_);
  if (canonical != shown) {
    // An edit left a form that is not the display of any text, such as a
    // mark without its line break: replace just the part that differs.
    std::size_t head = 0;
    while (head < shown.size() && head < canonical.size() && shown[head] == canonical[head])
      ++head;
    std::size_t tail = 0;
    while (tail < shown.size() - head && tail < canonical.size() - head &&
           shown[shown.size() - 1 - tail] == canonical[canonical.size() - 1 - tail])
      ++tail;
    QTextCursor cursor(document());
    cursor.joinPreviousEditBlock();
    cursor.setPosition(static_cast<int>(head));
    cursor.setPosition(static_cast<int>(shown.size() - tail), QTextCursor::KeepAnchor);
    replacing_ = true;
    cursor.insertText(ToQString(canonical.substr(head, canonical.size() - head - tail)));
    replacing_ = false;
    cursor.endEditBlock();
  }
  emit modelTextEdited();
}

}  // namespace vantrel
