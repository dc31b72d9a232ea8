// The fields' display mapping, alone and through the real widget: whatever a
// field is given or pasted must come back as exactly the characters it holds.
//
// Input: one byte choosing how the rest is read, then code units (FuzzInput.h).
// The first half of the units is a text a program or a paste puts into the
// field; the rest is a display form as a user's editing may leave it.

#include <QApplication>
#include <QClipboard>
#include <QTextCursor>

#include <cstdint>
#include <memory>

#include "FuzzInput.h"
#include "ui/CodeEdit.h"
#include "ui/FieldText.h"
#include "ui/QtText.h"

namespace vantrel {
namespace {

using fuzz::ByteReader;
using fuzz::Require;

// One widget for the whole run: making a QApplication per input would cost
// more than everything else.
CodeEdit& Field() {
  static std::unique_ptr<QApplication> app = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
      qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_field_mapping";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QApplication>(argc, argv);
  }();
  static CodeEdit field;
  return field;
}

void CheckMapping(const Text& given, const Text& edited) {
  // A field keeps what it is given: any text, half of a surrogate pair too,
  // reads back exactly from its display form.
  Require(FromDisplay(ToDisplay(given)) == given, "a text survives its display form");
  // Whatever editing leaves in the widget stands for some text, and showing
  // that again is stable.
  const Text read = FromDisplay(edited);
  Require(FromDisplay(ToDisplay(read)) == read, "a read text survives being shown again");
  Require(ToDisplay(FromDisplay(ToDisplay(read))) == ToDisplay(read),
          "a display form reads back to itself");
}

void CheckWidget(const Text& given) {
  CodeEdit& field = Field();

  field.setModelText(given);
  Require(field.modelText() == given, "a program's write reads back unchanged");
  Require(FromDisplay(FromQString(field.document()->toRawText())) == given,
          "the widget shows the text it was given");

  // Select everything and copy: the clipboard gets the model's characters
  // (nothing is copied from an empty field, so the clipboard stays empty).
  QApplication::clipboard()->clear();
  field.selectAll();
  field.copy();
  Require(FromQString(QApplication::clipboard()->text()) == given,
          "copying gives the field's characters");

  // Paste into the emptied field through the widget's own paste path.
  field.setModelText(Text());
  QApplication::clipboard()->setText(ToQString(given));
  field.paste();
  Require(field.modelText() == given, "a paste keeps the text as it is");

  // Deliver the events these changes posted, as the window's event loop
  // would: with no loop running they piled up, and every input took more
  // time and memory than the one before.
  QCoreApplication::sendPostedEvents();
}

}  // namespace
}  // namespace vantrel

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vantrel::fuzz::ByteReader input(data, size);
  const bool widget = (input.Byte() & 1) != 0;
  const vantrel::Text units = input.Units();
  const vantrel::Text given = units.substr(0, units.size() / 2);
  const vantrel::Text edited = units.substr(units.size() / 2);
  vantrel::CheckMapping(given, edited);
  if (widget)
    vantrel::CheckWidget(given);
  return 0;
}
