#include "MainWindow.h"

#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "CodeEdit.h"
#include "PasswordEdit.h"
#include "QtText.h"
#include "codec/Error.h"

namespace vantrel {
namespace {

constexpr int kTwipsPerPixel = 15;

// Twips to logical pixels. A value no screen could hold is refused, as the
// toolkit would refuse it; the closing animation skips a refused step.
int Pixels(float twips) {
  const double pixels = std::round(static_cast<double>(twips) / kTwipsPerPixel);
  if (!std::isfinite(pixels) || std::fabs(pixels) > 1'000'000)
    throw InvalidPropertyValue();
  return static_cast<int>(pixels);
}

float Twips(int pixels) {
  return static_cast<float>(pixels * kTwipsPerPixel);
}

struct Place {
  int left, top, width, height;  // twips
};
constexpr int kClientWidth = 5310;
constexpr int kClientHeight = 3990;
constexpr Place kText1{120, 600, 5055, 1575};
constexpr Place kText2{120, 2280, 5055, 1575};
constexpr Place kText3{1320, 120, 2415, 300};

void Put(QWidget& widget, Place place) {
  widget.setGeometry(place.left / kTwipsPerPixel, place.top / kTwipsPerPixel,
                     place.width / kTwipsPerPixel, place.height / kTwipsPerPixel);
}

QMessageBox::Icon BoxIcon(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Critical:
      return QMessageBox::Critical;
    case MsgIcon::Exclamation:
      return QMessageBox::Warning;
    case MsgIcon::Information:
      return QMessageBox::Information;
    case MsgIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

// The smallest frame of a captioned window on Windows, 116 x 27 pixels at 96
// dots per inch, at this screen's resolution.
QSize MinimumFrame(const QWidget& window) {
  const QScreen* screen = window.screen();
  const double scale = screen != nullptr ? screen->logicalDotsPerInch() / 96.0 : 1.0;
  return QSize(static_cast<int>(std::lround(116 * scale)),
               static_cast<int>(std::lround(27 * scale)));
}

// How long Copy waits for a clipboard that another program keeps, and how
// often it tries again meanwhile.
constexpr int kClipboardPatienceMs = 1000;
constexpr int kClipboardRetryMs = 50;

// An X atom by name; 0 when the server does not answer.
std::uint32_t Atom(xcb_connection_t* connection, std::string_view name) {
  const xcb_intern_atom_cookie_t cookie =
      xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.data());
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
  const std::uint32_t atom = reply != nullptr ? reply->atom : 0;
  std::free(reply);
  return atom;
}

bool CanPlaceWindows() {
  // Wayland compositors place windows themselves and ignore a program's moves.
  return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), form_(*this) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(ToQString(kCaption));
  QIcon icon;
  for (const char* path :
       {":/icons/vantrel-48.png", ":/icons/vantrel-128.png", ":/icons/vantrel-256.png"}) {
    if (QFile::exists(QLatin1String(path)))
      icon.addFile(QLatin1String(path));
  }
  if (!icon.isNull())
    setWindowIcon(icon);
  createFields();
  createMenus();
  setFixedSize(kClientWidth / kTwipsPerPixel,
               kClientHeight / kTwipsPerPixel + menuBar()->sizeHint().height());
  centre();
  const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (QGuiApplication::platformName() == QLatin1String("xcb") && x11 != nullptr &&
      x11->connection() != nullptr) {
    wmProtocols_ = Atom(x11->connection(), "WM_PROTOCOLS");
    wmDeleteWindow_ = Atom(x11->connection(), "WM_DELETE_WINDOW");
    if (wmProtocols_ != 0 && wmDeleteWindow_ != 0)
      QCoreApplication::instance()->installNativeEventFilter(this);
  }
}

MainWindow::~MainWindow() = default;

void MainWindow::createFields() {
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("Client"));
  QPalette palette = client->palette();
  palette.setColor(QPalette::Window, QColor(192, 192, 192));
  client->setPalette(palette);
  client->setAutoFillBackground(true);
  setCentralWidget(client);

  text1_ = new CodeEdit(client);
  text2_ = new CodeEdit(client);
  text3_ = new PasswordEdit(client);
  text1_->setObjectName(QStringLiteral("Text1"));
  text2_->setObjectName(QStringLiteral("Text2"));
  text3_->setObjectName(QStringLiteral("Text3"));
  Put(*text1_, kText1);
  Put(*text2_, kText2);
  Put(*text3_, kText3);
  // A screen reader names each field by its meaning and reads its tooltip,
  // without the tooltip's odd spacing, as the description.
  const auto describe = [](QWidget* field, const char* name, const QString& toolTip) {
    field->setToolTip(toolTip);
    field->setAccessibleName(QLatin1String(name));
    field->setAccessibleDescription(toolTip.simplified());
  };
  describe(text1_, "Text to encode", QStringLiteral(" Enter Your Txt To Encode Hear"));
  describe(text2_, "Code", QStringLiteral("  Enter Your Encoded Txt Hear To DeEncode "));
  describe(text3_, "Password", QStringLiteral(" Enter PassWord"));

  for (CodeEdit* field : {text1_, text2_}) {
    field->setTabChangesFocus(true);
    field->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    field->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    field->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  }
  // Qt's own password character differs by style; this field shows "*".
  text3_->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSize(18);
  text3_->setFont(font);

  setTabOrder(text1_, text2_);
  setTabOrder(text2_, text3_);
  text1_->setFocus();

  connect(text1_, &CodeEdit::modelTextEdited, this,
          [this] { form_.SetText1(text1_->modelText()); });
  connect(text2_, &CodeEdit::modelTextEdited, this,
          [this] { form_.SetText2(text2_->modelText()); });
  connect(text3_, &QLineEdit::textChanged, this,
          [this](const QString& text) { form_.SetText3(FromQString(text)); });
  text3_->setCharacterSink([this](std::uint8_t code) {
    forward([&] { form_.Text3_KeyPress(static_cast<std::int16_t>(code)); });
    return !ended_;
  });
}

void MainWindow::createMenus() {
  QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
  tools->setObjectName(QStringLiteral("Tools"));
  // The separators at the top and bottom are part of the menu's look.
  tools->setSeparatorsCollapsible(false);
  // Without a margin the top and bottom lines fall on the menu's own frame.
  tools->setContentsMargins(0, 3, 0, 3);
  const auto separator = [tools](const char* name) {
    tools->addSeparator()->setObjectName(QLatin1String(name));
  };
  const auto item = [this, tools](const char* name, const char* caption, void (Form1::*click)()) {
    QAction* action = tools->addAction(QString::fromLatin1(caption));
    action->setObjectName(QLatin1String(name));
    connect(action, &QAction::triggered, this,
            [this, click] { forward([&] { (form_.*click)(); }); });
  };
  separator("Space");
  item("Encode", "&Encode", &Form1::Encode_Click);
  separator("Space1");
  item("Decode", "&Decode", &Form1::Decode_Click);
  separator("Space2");
  item("CToC", "&Copy Encoded Txt To Clipboard ", &Form1::CToC_Click);
  separator("Space3");
  item("CopyForMail", "Copy For &Mail", &Form1::CopyForMail_Click);
}

void MainWindow::centre() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr)
    return;
  // The frame is known once the window exists; before that, the client area.
  // On a screen smaller than the window the top-left corner stays on the
  // screen, so that the menu bar can be reached.
  const QRect area = screen->geometry();
  const QRect usable = screen->availableGeometry();
  const QSize outer = frameGeometry().size();
  move(std::max(usable.left(), area.x() + (area.width() - outer.width()) / 2),
       std::max(usable.top(), area.y() + (area.height() - outer.height()) / 2));
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!shown_) {
    shown_ = true;
    centre();
  }
}

template <typename Handler>
void MainWindow::forward(Handler handler) {
  if (ended_)
    return;
  const bool outermost = !std::exchange(running_, true);
  handler();
  if (outermost)
    running_ = false;
  if (ended_)
    return;
  showModel();
  if (outermost && std::exchange(closeRequested_, false))
    requestClose();
}

void MainWindow::showModel() {
  if (text1_->modelText() != form_.Text1())
    text1_->setModelText(form_.Text1());
  if (text2_->modelText() != form_.Text2())
    text2_->setModelText(form_.Text2());
  if (FromQString(text3_->text()) != form_.Text3())
    text3_->setText(ToQString(form_.Text3()));
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // Closing is never cancelled, but it is the handler's to carry out: until
  // then the toolkit leaves the window as it is.
  if (ended_) {
    event->accept();
    return;
  }
  event->ignore();
  requestClose();
}

void MainWindow::requestClose() {
  if (ended_ || unloading_)
    return;
  if (running_) {
    closeRequested_ = true;
    return;
  }
  // Not from inside the close event: there the toolkit would take a second
  // request during the animation as leave to destroy the window at once.
  QMetaObject::invokeMethod(this, &MainWindow::unload, Qt::QueuedConnection);
}

void MainWindow::unload() {
  if (ended_ || unloading_)
    return;
  unloading_ = true;
  // The fixed size would keep the window from shrinking.
  setMinimumSize(0, 0);
  setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  forward([this] { form_.Form_Unload(); });
}

bool MainWindow::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != "xcb_generic_event_t")
    return false;
  if ((static_cast<const xcb_generic_event_t*>(message)->response_type & 0x7F) !=
      XCB_CLIENT_MESSAGE)
    return false;
  const auto* request = static_cast<const xcb_client_message_event_t*>(message);
  if (request->format != 32 || request->type != wmProtocols_ ||
      request->data.data32[0] != wmDeleteWindow_ || request->window != internalWinId())
    return false;
  // While nothing runs, the toolkit hands the request to closeEvent.
  if (!running_)
    return false;
  requestClose();
  return true;
}

void MainWindow::MsgBox(const Message& message) {
  showModel();
  QString text = ToQString(message.text);
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  QMessageBox box(BoxIcon(message.icon), ToQString(kCaption), text, QMessageBox::Ok, this);
  box.setTextFormat(Qt::PlainText);
  box.exec();
  // Without a window manager nobody hands the keyboard back to the window.
  if (isVisible())
    activateWindow();
}

void MainWindow::ClipboardClear() {
  // Whether the clipboard took it shows when the text is put on it.
  QGuiApplication::clipboard()->clear();
}

void MainWindow::ClipboardSetText(const Text& text) {
  QClipboard& clipboard = *QGuiApplication::clipboard();
  QElapsedTimer waited;
  waited.start();
  for (;;) {
    // The clipboard gives back what was offered only if the window system
    // took it. X11 refuses it when another program took the clipboard after
    // the time the toolkit stamps its claim with, and says so only in a
    // warning on the terminal.
    QPointer<QMimeData> offered = new QMimeData;
    offered->setText(ToQString(text));
    clipboard.setMimeData(offered);
    if (offered != nullptr && clipboard.mimeData() == offered.data())
      return;
    if (waited.elapsed() >= kClipboardPatienceMs)
      throw ClipboardBusy();
    // The window system's news come in meanwhile (on X11 the time of the
    // other program's claim, which the next attempt needs to be heard); the
    // user's input waits.
    QEventLoop pause;
    QTimer::singleShot(kClipboardRetryMs, &pause, &QEventLoop::quit);
    pause.exec(QEventLoop::ExcludeUserInputEvents);
  }
}

float MainWindow::Top() {
  return Twips(frameGeometry().top());
}
float MainWindow::Left() {
  return Twips(frameGeometry().left());
}
float MainWindow::Width() {
  return Twips(frameGeometry().width());
}
float MainWindow::Height() {
  return Twips(frameGeometry().height());
}

void MainWindow::SetTop(float twips) {
  setFrame(twips, [](QRect& frame, int pixels) { frame.moveTop(pixels); });
}
void MainWindow::SetLeft(float twips) {
  setFrame(twips, [](QRect& frame, int pixels) { frame.moveLeft(pixels); });
}
void MainWindow::SetWidth(float twips) {
  setFrame(twips, [](QRect& frame, int pixels) { frame.setWidth(pixels); });
}
void MainWindow::SetHeight(float twips) {
  setFrame(twips, [](QRect& frame, int pixels) { frame.setHeight(pixels); });
}

void MainWindow::Place(float top, float left, float width, float height) {
  placeFrame(QRect(Pixels(left), Pixels(top), Pixels(width), Pixels(height)));
}

void MainWindow::setFrame(float twips, void (*change)(QRect& frame, int pixels)) {
  const int pixels = Pixels(twips);
  QRect after = frameGeometry();
  change(after, pixels);
  placeFrame(after);
}

void MainWindow::placeFrame(QRect after) {
  if (!CanPlaceWindows())
    throw InvalidPropertyValue();
  const QRect before = frameGeometry();
  // Like a captioned window on Windows, the frame keeps a minimum size: the
  // closing window stops shrinking there and slides away whole.
  after.setSize(after.size().expandedTo(MinimumFrame(*this)));
  if (after.size() == before.size()) {
    if (after.topLeft() != before.topLeft())
      move(after.topLeft());
  } else {
    // The frame (title bar and borders) keeps its size; the rest is the
    // window's. Moved and resized in one request, so that the window is
    // never seen moved but not yet resized.
    const QSize frame = before.size() - size();
    const QPoint inset = geometry().topLeft() - before.topLeft();
    setGeometry(QRect(after.topLeft() + inset, (after.size() - frame).expandedTo(QSize(0, 0))));
  }
  settle();
}

float MainWindow::ScreenWidth() {
  const QScreen* shown = screen();
  if (shown == nullptr)
    throw InvalidPropertyValue();
  return Twips(shown->geometry().width());
}

float MainWindow::ScreenHeight() {
  const QScreen* shown = screen();
  if (shown == nullptr)
    throw InvalidPropertyValue();
  return Twips(shown->geometry().height());
}

void MainWindow::settle() {
  // Each change reaches the window system and is drawn before the next one;
  // user input waits until the program has ended.
  QGuiApplication::sync();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void MainWindow::End() {
  ended_ = true;
  if (end_) {
    end_();
    return;
  }
  hide();
  QCoreApplication::exit(0);
}

}  // namespace vantrel
