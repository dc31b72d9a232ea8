#pragma once

// The window: the Qt face of the window model.
//
// Design map
// - Form1 (app/Form1.h) decides everything: field texts, the key, the
//   commands, the closing animation. This class only shows it.
// - Fields: Text1 and Text2 are CodeEdits (lossless multi-line fields),
//   Text3 a PasswordEdit. Every edit is pushed into the model at once, so the
//   model always holds what the widgets show.
// - Events: menu clicks, Text3's character events and the close request go
//   to the matching handler. After each handler, and before each message
//   box, the fields whose model text changed are shown again, each once.
//   Handlers run one at a time: a close request that comes while one runs
//   (a message box is open, the clipboard is being waited for) is kept and
//   carried out when it has ended; one that comes while the window closes
//   changes nothing.
// - Host: message boxes, clipboard, geometry and the end of the program are
//   carried out here; geometry is in twips, 15 to a logical pixel. Text put
//   on the clipboard is checked to be there; while another program keeps
//   the clipboard it is tried again for about a second, then reported busy.

#include <QAbstractNativeEventFilter>
#include <QMainWindow>
#include <cstdint>
#include <functional>

#include "app/Form1.h"
#include "app/Host.h"

class QAction;
class QRect;

namespace vantrel {

class CodeEdit;
class PasswordEdit;

class MainWindow : public QMainWindow, private Host, private QAbstractNativeEventFilter {
  Q_OBJECT

 public:
  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override;

  const Form1& model() const { return form_; }

  // What ending the program does. By default the window goes away and the
  // event loop stops; tests record the request instead.
  void setEnd(std::function<void()> end) { end_ = std::move(end); }
  bool ended() const { return ended_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void createFields();
  void createMenus();
  void centre();

  // Runs a handler unless the program has ended, then shows its results
  // and carries out a close request kept while it ran.
  template <typename Handler>
  void forward(Handler handler);
  void showModel();

  // The user asked to close the window: closing starts from the event loop,
  // at once or when the running handler has ended.
  void requestClose();
  void unload();

  // Sees the X window manager's close requests before the toolkit does: the
  // toolkit drops those for a window under a modal message box.
  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

  // Host
  void MsgBox(const Message& message) override;
  void ClipboardClear() override;
  void ClipboardSetText(const Text& text) override;
  float Top() override;
  float Left() override;
  float Width() override;
  float Height() override;
  void SetTop(float twips) override;
  void SetLeft(float twips) override;
  void SetWidth(float twips) override;
  void SetHeight(float twips) override;
  float ScreenWidth() override;
  float ScreenHeight() override;
  void Place(float top, float left, float width, float height) override;
  void End() override;

  // Changes one measure of the window's outer frame (in twips), as the
  // closing animation asks; refused where the window cannot be placed.
  void setFrame(float twips, void (*change)(QRect& frame, int pixels));
  void placeFrame(QRect frame);
  // Lets a geometry change reach the screen before the next one.
  void settle();

  Form1 form_;
  CodeEdit* text1_ = nullptr;
  CodeEdit* text2_ = nullptr;
  PasswordEdit* text3_ = nullptr;
  std::function<void()> end_;
  bool ended_ = false;
  bool unloading_ = false;
  bool shown_ = false;
  bool running_ = false;         // a handler is running
  bool closeRequested_ = false;  // and the user asked to close meanwhile
  // The X atoms of a close request; 0 where the window system is not X11.
  std::uint32_t wmProtocols_ = 0;
  std::uint32_t wmDeleteWindow_ = 0;
};

}  // namespace vantrel
