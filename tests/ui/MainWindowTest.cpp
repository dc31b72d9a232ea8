// The window as a user meets it, driven through its widgets under the
// offscreen platform: geometry, properties, menu, keystrokes, lossless
// fields, message boxes, clipboard (a busy one too), mail-safe codes, close
// requests and the closing animation.

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "app/AnsiCodePage.h"
#include "codec/MailSafe.h"
#include "tests/app/FakeHost.h"
#include "ui/CodeEdit.h"
#include "ui/FieldText.h"
#include "ui/MainWindow.h"
#include "ui/PasswordEdit.h"
#include "ui/QtText.h"

using namespace vantrel;

Q_DECLARE_METATYPE(vantrel::Text)

namespace {

// Answers every message box as soon as it shows, recording what it showed;
// beforeOk runs while the box is still open.
class BoxAnswerer : public QObject {
 public:
  struct Box {
    QString title, text;
    QMessageBox::Icon icon;
    int buttons;
    bool okOnly, modal;
  };
  BoxAnswerer() {
    connect(&timer_, &QTimer::timeout, this, &BoxAnswerer::answer);
    timer_.start(5);
  }
  QList<Box> boxes;
  std::function<void()> beforeOk;

 private:
  void answer() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr)
      return;
    const auto buttons = box->buttons();
    boxes.append({box->windowTitle(), box->text(), box->icon(), static_cast<int>(buttons.size()),
                  box->standardButtons() == QMessageBox::Ok, box->isModal()});
    if (beforeOk)
      beforeOk();
    box->button(QMessageBox::Ok)->click();
  }
  QTimer timer_;
};

// Another program that takes the clipboard back whenever this one puts
// something on it, for as long as it lives.
class ClipboardThief : public QObject {
 public:
  ClipboardThief() {
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] {
      if (std::exchange(stealing_, true))
        return;
      QGuiApplication::clipboard()->setText(QStringLiteral("the other program's"));
      stealing_ = false;
    });
  }

 private:
  bool stealing_ = false;
};

QString Shown(const Message& message) {
  return ToQString(message.text).replace("\r\n", "\n");
}

ByteArray CodeBytes(const Text& code) {
  ByteArray bytes;
  for (const char16_t unit : code)
    bytes.push_back(static_cast<std::uint8_t>(AnsiCode(unit)));
  return bytes;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void windowProperties();
  void fields_data();
  void fields();
  void fieldKinds();
  void menu();
  void keystrokes_data();
  void keystrokes();
  void keysOfOtherLayouts();
  void ctrlVAddsOnlyItsOwnCode();
  void inputMethodCommits();
  void codesSurviveEncodeCopyPasteDecode_data();
  void codesSurviveEncodeCopyPasteDecode();
  void everyCharacterSurvivesAField();
  void editingKeepsTheDisplayExact();
  void messageBoxes();
  void copyPutsTheExactCodeOnTheClipboard();
  void aCodeInAMailDecodes_data();
  void aCodeInAMailDecodes();
  void copyWaitsForABusyClipboard_data();
  void copyWaitsForABusyClipboard();
  void closeDuringAMessageBoxWaitsForIt();
  void closingAnimation();

 private:
  CodeEdit* text1() { return window_->findChild<CodeEdit*>("Text1"); }
  CodeEdit* text2() { return window_->findChild<CodeEdit*>("Text2"); }
  PasswordEdit* text3() { return window_->findChild<PasswordEdit*>("Text3"); }
  QAction* action(const char* name) { return window_->findChild<QAction*>(name); }
  void pasteInto(QWidget* field, const Text& text) {
    QGuiApplication::clipboard()->setText(ToQString(text));
    field->setFocus();
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
  }
  void copyAllFrom(QWidget* field) {
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_C, Qt::ControlModifier);
  }

  std::unique_ptr<MainWindow> window_;
  int ends_ = 0;
};

void MainWindowTest::init() {
  QGuiApplication::clipboard()->clear();
  window_ = std::make_unique<MainWindow>();
  ends_ = 0;
  window_->setEnd([this] { ++ends_; });
  window_->show();
  QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
}

void MainWindowTest::cleanup() {
  window_.reset();
  QVERIFY(QApplication::topLevelWidgets().isEmpty() ||
          std::none_of(QApplication::topLevelWidgets().cbegin(),
                       QApplication::topLevelWidgets().cend(),
                       [](QWidget* w) { return w->isVisible(); }));
}

void MainWindowTest::windowProperties() {
  QCOMPARE(window_->windowTitle(), QString("Vantrel"));
  const int menuHeight = window_->menuBar()->height();
  QVERIFY(menuHeight > 0);
  // 5310 x 3990 twips below the menu bar, 15 twips to a pixel; not resizable.
  QCOMPARE(window_->size(), QSize(354, 266 + menuHeight));
  QCOMPARE(window_->minimumSize(), window_->size());
  QCOMPARE(window_->maximumSize(), window_->size());
  QWidget* client = window_->centralWidget();
  QCOMPARE(client->geometry(), QRect(0, menuHeight, 354, 266));
  QCOMPARE(client->palette().color(QPalette::Window), QColor(192, 192, 192));
  QVERIFY(client->autoFillBackground());
  const QRect screen = window_->screen()->geometry();
  QCOMPARE(window_->frameGeometry().center(), screen.center());
}

void MainWindowTest::fields_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QRect>("geometry");
  QTest::addColumn<QString>("toolTip");
  QTest::addColumn<QString>("accessibleName");
  QTest::addColumn<QString>("description");
  QTest::newRow("Text1") << "Text1" << QRect(8, 40, 337, 105) << " Enter Your Txt To Encode Hear"
                         << "Text to encode"
                         << "Enter Your Txt To Encode Hear";
  QTest::newRow("Text2") << "Text2" << QRect(8, 152, 337, 105)
                         << "  Enter Your Encoded Txt Hear To DeEncode "
                         << "Code"
                         << "Enter Your Encoded Txt Hear To DeEncode";
  QTest::newRow("Text3") << "Text3" << QRect(88, 8, 161, 20) << " Enter PassWord"
                         << "Password"
                         << "Enter PassWord";
}

void MainWindowTest::fields() {
  QFETCH(QString, name);
  QFETCH(QRect, geometry);
  QFETCH(QString, toolTip);
  QFETCH(QString, accessibleName);
  QFETCH(QString, description);
  auto* field = window_->findChild<QWidget*>(name);
  QVERIFY(field != nullptr);
  QCOMPARE(field->parentWidget(), window_->centralWidget());
  QCOMPARE(field->geometry(), geometry);
  QCOMPARE(field->toolTip(), toolTip);
  QVERIFY(field->isVisible());
  // What a screen reader says of the field.
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(field);
  QVERIFY(accessible != nullptr);
  QCOMPARE(accessible->role(), QAccessible::EditableText);
  QCOMPARE(accessible->text(QAccessible::Name), accessibleName);
  QCOMPARE(accessible->text(QAccessible::Description), description);
}

void MainWindowTest::fieldKinds() {
  for (CodeEdit* field : {text1(), text2()}) {
    QVERIFY(field->modelText().empty());
    QCOMPARE(field->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    QCOMPARE(field->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QVERIFY(field->tabChangesFocus());
  }
  PasswordEdit* password = text3();
  QVERIFY(password->text().isEmpty());
  QCOMPARE(password->echoMode(), QLineEdit::Password);
  QStyleOptionFrame option;
  option.initFrom(password);
  QCOMPARE(password->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, &option, password),
           int('*'));
  QCOMPARE(password->font().family(), QString("MS Sans Serif"));
  QCOMPARE(password->font().pointSize(), 18);
  QCOMPARE(password->font().styleHint(), QFont::SansSerif);

  // Tab order: Text1, Text2, Text3.
  window_->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(window_.get()));
  text1()->setFocus();
  QTest::keyClick(text1(), Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget(), text2());
  QTest::keyClick(text2(), Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget(), text3());
  QVERIFY(text1()->modelText().empty());  // Tab moved the focus, typed nothing
}

void MainWindowTest::menu() {
  const QList<QAction*> bar = window_->menuBar()->actions();
  QCOMPARE(bar.size(), 1);
  QCOMPARE(bar[0]->text(), QString("&Tools"));
  QMenu* tools = bar[0]->menu();
  QVERIFY(tools != nullptr);
  const QList<QAction*> items = tools->actions();
  const QStringList names = {"Space",  "Encode", "Space1", "Decode",
                             "Space2", "CToC",   "Space3", "CopyForMail"};
  const QStringList captions = {
      "", "&Encode", "", "&Decode", "", "&Copy Encoded Txt To Clipboard ", "", "Copy For &Mail"};
  QCOMPARE(items.size(), names.size());
  for (int i = 0; i < items.size(); ++i) {
    QCOMPARE(items[i]->objectName(), names[i]);
    QCOMPARE(items[i]->isSeparator(), captions[i].isEmpty());
    QCOMPARE(items[i]->text(), captions[i]);
    QVERIFY(items[i]->shortcut().isEmpty());
  }
  // The first and last separators are laid out and drawn inside the frame.
  QVERIFY(!tools->separatorsCollapsible());
  tools->popup(window_->mapToGlobal(QPoint(0, 0)));
  QVERIFY(QTest::qWaitForWindowExposed(tools));
  const QRect first = tools->actionGeometry(items.first());
  const QRect last = tools->actionGeometry(items.last());
  QVERIFY(!first.isEmpty());
  QVERIFY(!last.isEmpty());
  QVERIFY(first.top() > 0);
  QVERIFY(last.bottom() < tools->height() - 1);
  tools->hide();
}

void MainWindowTest::keystrokes_data() {
  QTest::addColumn<QTestEventList>("keys");
  QTest::addColumn<int>("keySum");
  QTest::addColumn<QString>("text");

  QTestEventList letters;
  letters.addKeyClicks("abc");
  QTest::newRow("letters") << letters << 97 + 98 + 99 << "abc";

  QTestEventList backspace;
  backspace.addKeyClicks("ab");
  backspace.addKeyClick(Qt::Key_Backspace);
  backspace.addKeyClicks("b");
  QTest::newRow("typed, deleted, typed again") << backspace << 97 + 98 + 8 + 98 << "ab";

  QTestEventList del;
  del.addKeyClicks("ab");
  del.addKeyClick(Qt::Key_Left);
  del.addKeyClick(Qt::Key_Delete);
  QTest::newRow("Delete adds nothing") << del << 97 + 98 << "a";

  QTestEventList controls;
  controls.addKeyClick(Qt::Key_Return);
  controls.addKeyClick(Qt::Key_Enter, Qt::KeypadModifier);
  controls.addKeyClick(Qt::Key_Escape);
  QTest::newRow("Enter and Escape") << controls << 13 + 13 + 27 << "";

  QTestEventList ctrl;
  ctrl.addKeyClick(Qt::Key_A, Qt::ControlModifier);
  ctrl.addKeyClick(Qt::Key_G, Qt::ControlModifier);
  ctrl.addKeyClick(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  QTest::newRow("Ctrl with a letter") << ctrl << 1 + 7 + 26 << "";

  // The field still applies the key as it always has: Ctrl+Backspace
  // deletes, while the key counts what Windows reports.
  QTestEventList ctrlKeys;
  ctrlKeys.addKeyClicks("ab");
  ctrlKeys.addKeyClick(Qt::Key_Backspace, Qt::ControlModifier);
  ctrlKeys.addKeyClick(Qt::Key_Return, Qt::ControlModifier);
  ctrlKeys.addKeyClick(Qt::Key_BracketLeft, Qt::ControlModifier);
  ctrlKeys.addKeyClick(Qt::Key_6, Qt::ControlModifier);
  QTest::newRow("Ctrl+Backspace, Ctrl+Enter, Ctrl+[, Ctrl+6")
      << ctrlKeys << 97 + 98 + 127 + 10 + 27 << "";

  // Alt with a key is a system key on Windows: no character, nothing typed.
  QTestEventList alt;
  alt.addKeyClick(Qt::Key_X, Qt::AltModifier);
  alt.addKeyClick(Qt::Key_1, Qt::AltModifier | Qt::ShiftModifier);
  QTest::newRow("Alt with a key") << alt << 0 << "";

  QTestEventList shifted;
  shifted.addKeyClicks("A~");
  QTest::newRow("shifted") << shifted << 65 + 126 << "A~";

  QTestEventList tab;
  tab.addKeyClicks("q");
  tab.addKeyClick(Qt::Key_Tab);
  QTest::newRow("Tab adds nothing") << tab << int('q') << "q";
}

void MainWindowTest::keystrokes() {
  QFETCH(QTestEventList, keys);
  QFETCH(int, keySum);
  QFETCH(QString, text);
  keys.simulate(text3());
  QCOMPARE(int(window_->model().KeySum()), keySum);
  QCOMPARE(ToQString(window_->model().Text3()), text);
  QCOMPARE(text3()->text(), text);
}

void MainWindowTest::keysOfOtherLayouts() {
  // A dead key types nothing until the next key: then the accented
  // character, the accent alone before a space, the accent and the character
  // when they make none, both accents after a second dead key. Before a
  // control key the accent is typed and the key does its work.
  const struct {
    int key;
    Qt::KeyboardModifiers mods;
    const char16_t* text;
  } keys[] = {{Qt::Key_Dead_Circumflex, {}, u""},   {Qt::Key_A, {}, u"a"},
              {Qt::Key_Dead_Circumflex, {}, u""},   {Qt::Key_X, {}, u"x"},
              {Qt::Key_Dead_Acute, {}, u""},        {Qt::Key_Space, {}, u" "},
              {Qt::Key_Dead_Grave, {}, u""},        {Qt::Key_Dead_Grave, {}, u""},
              {Qt::Key_Dead_Acute, {}, u""},        {Qt::Key_Shift, Qt::ShiftModifier, u""},
              {Qt::Key_E, Qt::ShiftModifier, u"E"}, {Qt::Key_Dead_Diaeresis, {}, u""},
              {Qt::Key_Backspace, {}, u"\b"}};
  for (const auto& key : keys) {
    QKeyEvent press(QEvent::KeyPress, key.key, key.mods, QString::fromUtf16(key.text));
    QApplication::sendEvent(text3(), &press);
  }
  const int sum = 226 + 94 + 120 + 180 + 96 + 96 + 201 + 168 + 8;
  QCOMPARE(int(window_->model().KeySum()), sum);
  QCOMPARE(window_->model().Text3(), Text(u"\u00E2^x\u00B4``\u00C9"));

  // On a Cyrillic layout Ctrl with the key at the place of A is Ctrl+A, as
  // the key is named on Windows (X11 numbers that place 38).
  QKeyEvent ctrlEf(QEvent::KeyPress, 0x0424, Qt::ControlModifier, 38, 'A', 0,
                   QString::fromUtf16(u"\u0444"));
  QApplication::sendEvent(text3(), &ctrlEf);
  QCOMPARE(int(window_->model().KeySum()), sum + 1);
}

void MainWindowTest::ctrlVAddsOnlyItsOwnCode() {
  pasteInto(text3(), u"xyz");
  QCOMPARE(int(window_->model().KeySum()), 22);
  QCOMPARE(window_->model().Text3(), Text(u"xyz"));
  // Pasting without a keystroke (the context menu, the mouse) adds nothing.
  text3()->clear();
  text3()->paste();
  QCOMPARE(int(window_->model().KeySum()), 22);
  QCOMPARE(window_->model().Text3(), Text(u"xyz"));
}

void MainWindowTest::inputMethodCommits() {
  // A key that types a Latin-1 letter, as a dead key or compose sequence ends.
  QKeyEvent key(QEvent::KeyPress, Qt::Key_Eacute, Qt::NoModifier, QString::fromUtf16(u"\u00E9"));
  QApplication::sendEvent(text3(), &key);
  QCOMPARE(int(window_->model().KeySum()), 233);
  text3()->clear();
  // A composed character and one the code page lacks: each counts by its
  // code, "?" for the one the page lacks; the field keeps both.
  QInputMethodEvent commit;
  commit.setCommitString(QString::fromUtf16(u"\u00E9\u0101"));
  QApplication::sendEvent(text3(), &commit);
  QCOMPARE(int(window_->model().KeySum()), 233 + 233 + 63);
  QCOMPARE(window_->model().Text3(), Text(u"\u00E9\u0101"));
  QCOMPARE(text3()->text(), QString::fromUtf16(u"\u00E9\u0101"));
  // Text still being composed is no character yet.
  QInputMethodEvent preedit(QStringLiteral("a"), {});
  QApplication::sendEvent(text3(), &preedit);
  QCOMPARE(int(window_->model().KeySum()), 233 + 233 + 63);

  // The multi-line fields keep a commit as it is, a picture as itself.
  QInputMethodEvent lines;
  lines.setCommitString(QString::fromUtf16(u"x\u0101\u00A0\u2409\U0001F600"));
  QApplication::sendEvent(text1(), &lines);
  QCOMPARE(window_->model().Text1(), Text(u"x\u0101\u00A0\u2409\U0001F600"));
}

void MainWindowTest::codesSurviveEncodeCopyPasteDecode_data() {
  QTest::addColumn<QTestEventList>("password");
  QTest::addColumn<Text>("passwordChars");
  QTest::addColumn<Text>("plain");

  struct Key {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    Text chars;
  };
  const Key keys[] = {{"key 0", Qt::Key_D, Qt::NoModifier, u"d"},  // 100
                      {"key 7", Qt::Key_G, Qt::ControlModifier,
                       u"\x07"
                       u"d"},  // 107
                      {"key 36", Qt::Key_Dollar, Qt::NoModifier, u"$"},
                      {"key 99", Qt::Key_C, Qt::NoModifier, u"c"}};
  Text controls;
  for (char16_t c = 10; c <= 31; ++c)
    controls.push_back(c);
  const std::pair<const char*, Text> texts[] = {
      {"CR LF", u"one\r\ntwo\r\n"},
      {"lone LF", u"one\ntwo\n\n"},
      {"lone CR", u"one\rtwo\r"},
      {"controls 10 to 31", controls + u"|" + controls},
      {"mixed", u"A\r\n\nB\r\r\n}{ ;\x1F\x0B"},
      // Any other text goes through its any-text form and comes back exactly.
      {"accents", u"caf\u00E9 M\u00FCller S\u00E3o Paulo \u0141\u00F3d\u017A"},
      {"curly quotes, dash, tab", u"\u201CI\u2019m\u201D \u2014 a\tb\u2026 ~"},
      {"CJK and Hangul", u"\u4E2D\u6587\u65E5\u672C\u8A9E \uD55C\uAD6D\uC5B4"},
      {"emoji with ZWJ and skin tone",
       u"\U0001F469\U0001F3FD\u200D\U0001F4BB \U0001F468\u200D\U0001F469\u200D\U0001F467"},
      {"right to left", u"\u05E9\u05DC\u05D5\u05DD \u0645\u0631\u062D\u0628\u0627 123"},
      {"combining marks", u"e\u0301 a\u0308\u0323 \u0915\u094D\u0937"},
      {"above U+FFFF", u"\U00010348\U0001D11E\U0010FFFF"},
      {"pictures, separators, frame characters",
       u"\u2409\u240A\u2460\u2060\u2028\u2029\uFDD0\uFDD1\t\n"},
  };
  for (const Key& key : keys) {
    for (const auto& [name, text] : texts) {
      QTestEventList password;
      if (key.chars == u"$")
        password.addKeyClicks("$");
      else
        password.addKeyClick(key.key, key.mods);
      if (key.mods == Qt::ControlModifier)
        password.addKeyClicks("d");  // Ctrl+G types no character into the field
      QTest::addRow("%s, %s", key.name, name) << password << key.chars << text;
    }
  }
}

void MainWindowTest::codesSurviveEncodeCopyPasteDecode() {
  QFETCH(QTestEventList, password);
  QFETCH(Text, passwordChars);
  QFETCH(Text, plain);
  BoxAnswerer answerer;
  password.simulate(text3());
  pasteInto(text1(), plain);
  QCOMPARE(window_->model().Text1(), plain);
  QCOMPARE(text1()->modelText(), plain);

  action("Encode")->trigger();
  QVERIFY2(answerer.boxes.isEmpty(), qPrintable(answerer.boxes.value(0).text));
  // The same keystrokes and text give the model's code.
  testing::FakeHost host;
  Form1 expected(host);
  TypePassword(expected, passwordChars);
  expected.SetText1(plain);
  expected.Encode_Click();
  const Text code = window_->model().Text2();
  QCOMPARE(code, expected.Text2());
  QCOMPARE(text2()->modelText(), code);
  QVERIFY(text1()->modelText().empty());
  QCOMPARE(FromQString(text2()->document()->toRawText()).size(),
           ToDisplay(code).size());  // shown in display form, nothing dropped

  // Selecting and copying gives the code's characters.
  QGuiApplication::clipboard()->clear();
  copyAllFrom(text2());
  QCOMPARE(FromQString(QGuiApplication::clipboard()->text()), code);

  // Cleared and pasted back through the field's own paste path.
  QTest::keyClick(text2(), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(text2(), Qt::Key_Delete);
  QVERIFY(window_->model().Text2().empty());
  QTest::keyClick(text2(), Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(window_->model().Text2(), code);

  action("Decode")->trigger();
  QVERIFY2(answerer.boxes.isEmpty(), qPrintable(answerer.boxes.value(0).text));
  QCOMPARE(window_->model().Text1(), plain);
  QCOMPARE(text1()->modelText(), plain);
  QVERIFY(text2()->modelText().empty());
}

void MainWindowTest::everyCharacterSurvivesAField() {
  Text all;
  for (int code = 0; code < 256; ++code)
    all.push_back(AnsiChar(static_cast<std::uint8_t>(code)));
  const Text text = all + u"\r\n\n\r\r\n\u00A0\u00A0 \u00A0" + all;
  for (CodeEdit* field : {text1(), text2()}) {
    pasteInto(field, text);
    QCOMPARE(field->modelText(), text);
    const QString shown = field->document()->toRawText();
    for (const QChar unit : shown) {
      QVERIFY(unit.unicode() >= 0x20 || unit.unicode() == 0);
      QVERIFY(unit.unicode() != 0x7F);
    }
    QVERIFY(!shown.contains(QChar(0)));
    QVERIFY(shown.contains(QChar(0x00A0)));
    QGuiApplication::clipboard()->clear();
    copyAllFrom(field);
    QCOMPARE(FromQString(QGuiApplication::clipboard()->text()), text);
  }
  QCOMPARE(window_->model().Text1(), text);
  QCOMPARE(window_->model().Text2(), text);

  // Part of the text copies just its characters: here a control character
  // and a CR LF, without the letters before them.
  pasteInto(text2(), u"ab\x01\r\n");  // replaces the whole text, still selected
  QCOMPARE(window_->model().Text2(), Text(u"ab\x01\r\n"));
  QTextCursor cursor = text2()->textCursor();
  cursor.setPosition(2);
  cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
  text2()->setTextCursor(cursor);
  QTest::keyClick(text2(), Qt::Key_C, Qt::ControlModifier);
  QCOMPARE(FromQString(QGuiApplication::clipboard()->text()), Text(u"\x01\r\n"));

  // Characters outside the code page, and the pictures themselves, are kept.
  text1()->clear();
  const Text unicode = u"\u0101\u20AC\u4E2D\U0001F600\u2409\u2029\xD800";
  pasteInto(text1(), unicode);
  QCOMPARE(window_->model().Text1(), unicode);
  QGuiApplication::clipboard()->clear();
  copyAllFrom(text1());
  QCOMPARE(FromQString(QGuiApplication::clipboard()->text()), unicode);
}

void MainWindowTest::editingKeepsTheDisplayExact() {
  CodeEdit* field = text1();
  field->setFocus();
  QTest::keyClicks(field, "ab");
  QTest::keyClick(field, Qt::Key_Return);
  QTest::keyClick(field, Qt::Key_Return, Qt::ShiftModifier);
  QTest::keyClicks(field, "c");
  QCOMPARE(window_->model().Text1(), Text(u"ab\r\n\r\nc"));
  QTest::keyClick(field, Qt::Key_Backspace);
  QTest::keyClick(field, Qt::Key_Backspace);
  QCOMPARE(window_->model().Text1(), Text(u"ab\r\n"));

  // A lone LF goes with one Backspace, mark and line break together.
  field->clear();
  pasteInto(field, u"ab\n");
  QCOMPARE(window_->model().Text1(), Text(u"ab\n"));
  QTest::keyClick(field, Qt::Key_Backspace);
  QCOMPARE(window_->model().Text1(), Text(u"ab"));
  // ... and with one Delete from in front of it.
  pasteInto(field, u"\ncd");
  QTextCursor cursor = field->textCursor();
  cursor.setPosition(2);
  field->setTextCursor(cursor);
  QTest::keyClick(field, Qt::Key_Delete);
  QCOMPARE(window_->model().Text1(), Text(u"abcd"));

  // Deleting only the line break of a lone LF leaves the LF, still shown as one.
  field->clear();
  pasteInto(field, u"a\nb");
  cursor = field->textCursor();
  cursor.setPosition(2);
  cursor.setPosition(3, QTextCursor::KeepAnchor);
  field->setTextCursor(cursor);
  field->cut();
  QCOMPARE(window_->model().Text1(), Text(u"a\nb"));
  QCOMPARE(FromQString(field->document()->toRawText()), Text(u"a\u240A\u2029b"));
  QCOMPARE(FromQString(QGuiApplication::clipboard()->text()), Text(u"\r\n"));

  // Typed characters are kept as they are: one the code page lacks, one
  // above U+FFFF, and the pictures that stand in for control characters.
  field->clear();
  for (const char16_t* key : {u"\u0101", u"\U0001F600", u"\u2409", u"\u2060", u"\u2460"}) {
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf16(key));
    QApplication::sendEvent(field, &typed);
  }
  QCOMPARE(window_->model().Text1(), Text(u"\u0101\U0001F600\u2409\u2060\u2460"));
  QCOMPARE(field->toPlainText(),
           QString::fromUtf16(u"\u0101\U0001F600\u2060\u2409\u2060\u2060\u2060\u2460"));

  // Undo brings back exactly the earlier text.
  field->clear();
  pasteInto(field, u"x\ry");
  QTest::keyClick(field, Qt::Key_Backspace);
  field->undo();
  QCOMPARE(window_->model().Text1(), Text(u"x\ry"));
}

void MainWindowTest::messageBoxes() {
  BoxAnswerer answerer;
  action("Encode")->trigger();
  QCOMPARE(answerer.boxes.size(), 1);
  const BoxAnswerer::Box box = answerer.boxes[0];
  QCOMPARE(box.title, QString("Vantrel"));
  QCOMPARE(box.text, QString("Enter Password Frist"));
  QCOMPARE(box.icon, QMessageBox::Critical);
  QCOMPARE(box.buttons, 1);
  QVERIFY(box.okOnly);
  QVERIFY(box.modal);

  action("CToC")->trigger();
  QCOMPARE(answerer.boxes.size(), 2);
  QCOMPARE(answerer.boxes[1].text, QString(" Nothing To Copy  "));
  QCOMPARE(answerer.boxes[1].icon, QMessageBox::Warning);

  // A failing Decode shows the model's message, with its icon, and leaves the
  // code where it was in model and widget alike.
  testing::FakeHost host;
  Form1 expected(host);
  TypePassword(expected, u"pw");
  expected.SetText1(u"hello");
  expected.Encode_Click();
  TypePassword(expected, u"x");
  const Text code = expected.Text2();
  expected.Decode_Click();
  QCOMPARE(host.messages.size(), std::size_t{1});

  QTest::keyClicks(text3(), "pw");
  pasteInto(text1(), u"hello");
  action("Encode")->trigger();
  QCOMPARE(window_->model().Text2(), code);
  QTest::keyClicks(text3(), "x");
  action("Decode")->trigger();
  QCOMPARE(answerer.boxes.size(), 3);
  QString shown = ToQString(host.Last().text);
  shown.replace("\r\n", "\n");
  QCOMPARE(answerer.boxes[2].text, shown);
  QCOMPARE(int(answerer.boxes[2].icon),
           int(host.Last().icon == MsgIcon::None       ? QMessageBox::NoIcon
               : host.Last().icon == MsgIcon::Critical ? QMessageBox::Critical
                                                       : QMessageBox::Warning));
  QCOMPARE(window_->model().Text2(), code);
  QCOMPARE(text2()->modelText(), code);
  QCOMPARE(window_->model().Text1(), expected.Text1());
}

void MainWindowTest::copyPutsTheExactCodeOnTheClipboard() {
  BoxAnswerer answerer;
  const Text code = u"  ab\r\n\x0B\x1F\ncd\r ";
  pasteInto(text2(), code);
  QGuiApplication::clipboard()->setText("old");
  action("CToC")->trigger();
  QCOMPARE(FromQString(QGuiApplication::clipboard()->text()), code);
  QCOMPARE(answerer.boxes.size(), 1);
  QCOMPARE(answerer.boxes[0].text, QString(" Your Encoded Txt \n\n Has Been Copyed To Clipboard "));
  QCOMPARE(answerer.boxes[0].icon, QMessageBox::Information);
}

void MainWindowTest::aCodeInAMailDecodes_data() {
  QTest::addColumn<int>("changedAt");  // a character of the block changed on the way, or -1
  QTest::newRow("as it came") << -1;
  QTest::newRow("changed on its way") << 30;
}

void MainWindowTest::aCodeInAMailDecodes() {
  QFETCH(int, changedAt);
  BoxAnswerer answerer;
  const Text plain = u"Meet me at noon.\r\nBring the map.";
  testing::FakeHost host;
  Form1 sender(host);
  TypePassword(sender, u"pw");
  sender.SetText1(plain);
  sender.Encode_Click();
  // As a mail brings it: re-wrapped at 40, quoted, LF line ends, with a
  // greeting and a signature around it.
  Text block = MailSafeForm(CodeBytes(sender.Text2()), u"");
  if (changedAt >= 0)
    block[static_cast<std::size_t>(changedAt)] ^= 1;
  Text mail = u"Hi Sam,\n\nhere it is:\n\n";
  for (std::size_t at = 0; at < block.size(); at += 40)
    mail += u"> " + block.substr(at, 40) + u"\n";
  mail += u"\n-- \nAlex\n";

  QTest::keyClicks(text3(), "pw");
  pasteInto(text1(), u"kept");
  pasteInto(text2(), mail);  // through the field's own paste path
  QCOMPARE(window_->model().Text2(), mail);
  action("Decode")->trigger();
  if (changedAt < 0) {
    QVERIFY2(answerer.boxes.isEmpty(), qPrintable(answerer.boxes.value(0).text));
    QCOMPARE(window_->model().Text1(), plain);
    QCOMPARE(text1()->modelText(), plain);
    QVERIFY(text2()->modelText().empty());
  } else {
    QCOMPARE(answerer.boxes.size(), 1);
    QCOMPARE(answerer.boxes[0].text, Shown(messages::Damaged()));
    QCOMPARE(answerer.boxes[0].icon, QMessageBox::Warning);
    QCOMPARE(window_->model().Text1(), Text(u"kept"));
    QCOMPARE(text1()->modelText(), Text(u"kept"));
    QCOMPARE(window_->model().Text2(), mail);
    QCOMPARE(text2()->modelText(), mail);
  }
}

void MainWindowTest::copyWaitsForABusyClipboard_data() {
  QTest::addColumn<QString>("command");
  QTest::addColumn<bool>("forMail");
  QTest::newRow("Copy") << "CToC" << false;
  QTest::newRow("Copy For Mail") << "CopyForMail" << true;
}

void MainWindowTest::copyWaitsForABusyClipboard() {
  QFETCH(QString, command);
  QFETCH(bool, forMail);
  BoxAnswerer answerer;
  const Text code = u"ab\r\ncd";
  pasteInto(text1(), u"typed");
  pasteInto(text2(), code);
  {
    ClipboardThief thief;
    QElapsedTimer waited;
    waited.start();
    action(qPrintable(command))->trigger();
    // Tried again for about a second, then said so; nothing else changed.
    QVERIFY2(waited.elapsed() >= 900 && waited.elapsed() < 5000,
             qPrintable(QString::number(waited.elapsed())));
    QCOMPARE(answerer.boxes.size(), 1);
    QCOMPARE(answerer.boxes[0].text, Shown(messages::ClipboardBusy(forMail)));
    QCOMPARE(answerer.boxes[0].icon, QMessageBox::Warning);
    QVERIFY(!window_->ended());
    QCOMPARE(window_->model().Text1(), Text(u"typed"));
    QCOMPARE(window_->model().Text2(), code);
    QCOMPARE(text2()->modelText(), code);
  }
  // Once the clipboard is free, the same command copies and says so.
  action(qPrintable(command))->trigger();
  QCOMPARE(answerer.boxes.size(), 2);
  QCOMPARE(answerer.boxes[1].text, Shown(forMail ? messages::CopiedForMail() : messages::Copied()));
  QCOMPARE(answerer.boxes[1].icon, QMessageBox::Information);
  QCOMPARE(FromQString(QGuiApplication::clipboard()->text()),
           forMail ? MailSafeForm(CodeBytes(code), u"\r\n") : code);
}

void MainWindowTest::closeDuringAMessageBoxWaitsForIt() {
  BoxAnswerer answerer;
  bool closedAtOnce = true;
  answerer.beforeOk = [&] { closedAtOnce = window_->close() || ends_ != 0 || window_->ended(); };
  action("Encode")->trigger();  // no password: a message box
  QCOMPARE(answerer.boxes.size(), 1);
  QVERIFY(!closedAtOnce);
  // Carried out once the box has gone: the window slides away and the
  // program ends.
  QTRY_COMPARE(ends_, 1);
  QVERIFY(window_->frameGeometry().top() > window_->screen()->geometry().height());
}

void MainWindowTest::closingAnimation() {
  // Records each geometry; at the first, the user asks to close again, which
  // must change nothing.
  struct Recorder : QObject {
    QList<QRect> frames;
    int secondAccepted = -1;
    bool eventFilter(QObject* watched, QEvent* event) override {
      if (event->type() != QEvent::Move && event->type() != QEvent::Resize)
        return false;
      auto* window = static_cast<QWidget*>(watched);
      frames.append(window->frameGeometry());
      if (secondAccepted < 0) {
        QCloseEvent again;
        QApplication::sendEvent(window->windowHandle(), &again);
        secondAccepted = again.isAccepted() ? 1 : 0;
      }
      return false;
    }
  } recorder;
  const QRect start = window_->frameGeometry();
  window_->installEventFilter(&recorder);
  window_->close();
  QTRY_COMPARE(ends_, 1);
  window_->removeEventFilter(&recorder);

  QCOMPARE(recorder.secondAccepted, 0);
  QVERIFY(window_->windowHandle() != nullptr && window_->windowHandle()->handle() != nullptr);
  QVERIFY(window_->ended());
  // Each step moves the window 60 twips (4 px) down and right and takes
  // 4 px off every side at once, so its centre stays put while it shrinks.
  QVERIFY(recorder.frames.size() >= 8);
  QCOMPARE(recorder.frames[0], start.adjusted(4, 4, -4, -4));
  QCOMPARE(recorder.frames.last().size(), window_->frameGeometry().size());
  // Until the window is off the screen: its top edge below the bottom.
  const QRect end = window_->frameGeometry();
  QVERIFY(end.top() > window_->screen()->geometry().height());
  QVERIFY(end.top() - start.top() == end.left() - start.left());
  // The fixed size was lifted so that it could shrink, down to the smallest
  // captioned window (116 x 27 at 96 dots per inch), where it stops and
  // slides on whole.
  const double scale = window_->screen()->logicalDotsPerInch() / 96.0;
  const QSize smallest(qRound(116 * scale), qRound(27 * scale));
  QCOMPARE(end.size(), smallest);
  int stopped = 0;
  for (int i = 1; i < recorder.frames.size(); ++i) {
    const QRect& frame = recorder.frames[i];
    QVERIFY(frame.width() <= recorder.frames[i - 1].width());
    QVERIFY(frame.width() >= smallest.width());
    QVERIFY(frame.height() >= smallest.height());
    QVERIFY(frame.top() >= recorder.frames[i - 1].top());
    if (frame.width() > smallest.width() && frame.height() > smallest.height())
      QCOMPARE(frame.center(), start.center());
    if (frame.size() == smallest)
      ++stopped;
  }
  QVERIFY(stopped > 10);  // steps at the smallest size

  // The program has ended: no handler runs any more.
  BoxAnswerer answerer;
  action("Encode")->trigger();
  QTest::keyClicks(text3(), "abc");
  QCoreApplication::processEvents();
  QVERIFY(answerer.boxes.isEmpty());
  QCOMPARE(int(window_->model().KeySum()), 0);
  window_->close();
  QCOMPARE(ends_, 1);
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
