#pragma once

// A multi-line field that holds a model text losslessly.
//
// The widget's document holds the display form of the text (FieldText.h);
// modelText() is always the text that form stands for. Text entering the
// field (typed, pasted, dropped, committed by an input method) is kept as it
// is, any character of any script, in display form. Text leaving it (copy,
// cut, drag) is converted back, so a selection copies exactly the characters
// the model holds. Enter inserts CR LF, and
// Backspace and Delete remove a lone LF's mark and line break together.

#include <QPlainTextEdit>

#include "codec/Text.h"

class QMimeData;

namespace vantrel {

class CodeEdit : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit CodeEdit(QWidget* parent = nullptr);

  const Text& modelText() const { return model_; }
  // Replaces the whole text, as a program's write to the field does.
  void setModelText(const Text& text);

 signals:
  // The user changed the text; modelText() holds the new text.
  void modelTextEdited();

 protected:
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;
  QMimeData* createMimeDataFromSelection() const override;
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;

 private:
  void onContentsChanged();
  // Deletes the lone LF (mark and line break) that Backspace or Delete would
  // cut in half; false when the key does not touch one.
  bool deleteLineFeed(bool backwards);

  Text model_;
  bool replacing_ = false;
};

}  // namespace vantrel
