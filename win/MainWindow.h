#pragma once

// The window: the Windows face of the window model.
//
// Design map
// - Form1 (app/Form1.h) decides everything: field texts, the key, the
//   commands, the closing animation. This class only shows it.
// - Fields: Text1 and Text2 are multi-line EDIT controls, Text3 a password
//   EDIT. An EDIT keeps any text exactly, control characters included, so a
//   field shows the model's text as it is. Every user edit (EN_CHANGE) is
//   pushed into the model at once; the window's own writes are not edits.
// - Events: menu commands, each WM_CHAR that Text3 receives (through a
//   subclass, before the field applies it) and WM_CLOSE go to the matching
//   handler. After each handler, and before each message box, every field
//   whose text differs from the model's is shown again.
// - Host: MessageBoxW owned by the window; the clipboard as CF_UNICODETEXT,
//   waited for while another program holds it; geometry through
//   GetWindowRect/SetWindowPos in twips, 1440 / DPI to a pixel at the
//   window's DPI; the screen's size from the system metrics.
// - Accessibility: the fields' names and descriptions are annotations of
//   the system's accessibility property service.
// - End: the window is destroyed and the message loop told to stop; nothing
//   reaches Form1 after that. A close asked for while a handler runs (a
//   message box is up and the window disabled: WM_CLOSE, the close command,
//   a click on the close button) waits until the handler ends.
//
// The menu, icon, version information and manifest are in Vantrel.rc, which
// the library carries into every program that links it.

#include <windows.h>

#include <array>

#include "app/Form1.h"
#include "app/Host.h"

struct IAccPropServices;

namespace vantrel::win {

class MainWindow : private Host {
 public:
  MainWindow();
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates the window, hidden, sized for its DPI and centred on its
  // monitor. False when Windows refuses (GetLastError says why).
  bool Create(HINSTANCE instance);
  // The window, or null once it is destroyed.
  HWND Handle() const { return hwnd_; }
  const Form1& Model() const { return form_; }
  bool Ended() const { return ended_; }

  // The name of the window class: the one top-level window of that class
  // whose caption is "Vantrel" is the program's.
  static constexpr wchar_t kClassName[] = L"Vantrel.MainWindow";

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK FieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR id, DWORD_PTR self);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleFieldMessage(HWND field, UINT message, WPARAM wParam, LPARAM lParam);

  bool CreateFields();
  // Gives the fields their accessible names and descriptions, and takes
  // them back.
  void Name();
  void Unname();
  // The cursor is on the close button of the title bar.
  bool OnCloseButton() const;
  void Layout(UINT dpi);
  void Centre();
  void Command(int id);
  void Edited(std::size_t field);
  void Close();

  // Runs a handler unless the program has ended or another handler is
  // running, then shows its results.
  template <typename Handler>
  void Forward(Handler handler);
  void ShowModel();
  void Show(std::size_t field, const Text& text);

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

  // The window's outer rectangle in pixels, and one side of it changed.
  enum class Side { Left, Top, Width, Height };
  RECT Frame() const;
  float Get(Side side) const;
  void Set(Side side, float twips);
  int Pixels(float twips) const;
  void SetFrame(int left, int top, int width, int height);
  float TwipsPerPixel() const;

  Form1 form_;
  HWND hwnd_ = nullptr;
  std::array<HWND, 3> fields_{};
  HWND tooltip_ = nullptr;
  HWND focus_ = nullptr;  // the field that had the focus when the window lost it
  HFONT fieldFont_ = nullptr;
  HFONT passwordFont_ = nullptr;
  HBRUSH background_ = nullptr;
  IAccPropServices* accProps_ = nullptr;
  bool com_ = false;      // COM started here, to be ended with the window
  bool writing_ = false;  // the window itself is replacing a field's text
  bool running_ = false;  // a handler is running
  bool closeAsked_ = false;
  bool ended_ = false;
};

}  // namespace vantrel::win
