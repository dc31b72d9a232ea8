#include "MainWindow.h"

#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "Resource.h"
#include "app/AnsiCodePage.h"
#include "codec/Error.h"

namespace vantrel::win {
namespace {

// A fixed single border: a caption with the system menu and the minimise
// button, no sizing and no maximising.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = 0;
constexpr int kClientWidth = 5310;  // twips, below the menu bar
constexpr int kClientHeight = 3990;
constexpr COLORREF kBackground = RGB(192, 192, 192);
constexpr wchar_t kIconName[] = L"IDI_ICON1";  // the icon group of vantrel.rc
constexpr wchar_t kPasswordFont[] = L"MS Sans Serif";
constexpr int kPasswordPoints = 18;
constexpr int kFirstFieldId = 11;

struct FieldInfo {
  int left, top, width, height;  // twips
  DWORD style;
  const wchar_t* tooltip;
  // What a screen reader says of the field: its meaning, and its tooltip
  // without the odd spacing, as the Qt window says them.
  const wchar_t* name;
  const wchar_t* description;
  const Text& (Form1::*get)() const;
  void (Form1::*set)(Text);
};

constexpr DWORD kMultiLine = ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL;
// In tab order.
constexpr std::array<FieldInfo, 3> kFields{{
    {120, 600, 5055, 1575, kMultiLine, L" Enter Your Txt To Encode Hear", L"Text to encode",
     L"Enter Your Txt To Encode Hear", &Form1::Text1, &Form1::SetText1},
    {120, 2280, 5055, 1575, kMultiLine, L"  Enter Your Encoded Txt Hear To DeEncode ", L"Code",
     L"Enter Your Encoded Txt Hear To DeEncode", &Form1::Text2, &Form1::SetText2},
    {1320, 120, 2415, 300, ES_PASSWORD | ES_AUTOHSCROLL, L" Enter PassWord", L"Password",
     L"Enter PassWord", &Form1::Text3, &Form1::SetText3},
}};
// The properties the fields are given, and taken back on destroy.
const std::array<MSAAPROPID, 2> kAccessibleProps{PROPID_ACC_NAME, PROPID_ACC_DESCRIPTION};
constexpr std::size_t kText3 = 2;

std::wstring Wide(const Text& text) {
  return std::wstring(text.begin(), text.end());
}

Text FieldText(HWND field) {
  const int length = GetWindowTextLengthW(field);
  std::wstring buffer(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(field, buffer.data(), length + 1);
  return Text(buffer.begin(), buffer.begin() + std::max(copied, 0));
}

UINT BoxIcon(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Critical:
      return MB_ICONERROR;
    case MsgIcon::Exclamation:
      return MB_ICONWARNING;
    case MsgIcon::Information:
      return MB_ICONINFORMATION;
    case MsgIcon::None:
      break;
  }
  return 0;
}

// The clipboard, open for as long as the object lives. Clipboard managers,
// remote-desktop sync and password managers hold it open for a moment, so
// opening is tried for about a second before the clipboard is called busy.
// Meanwhile only messages that other programs send are answered: the holder
// may be waiting on one (emptying the clipboard that this window owns sends
// it WM_DESTROYCLIPBOARD). Nothing the user does is taken, so no handler
// starts inside this one.
class OpenClipboardFor {
 public:
  explicit OpenClipboardFor(HWND owner) {
    constexpr ULONGLONG kPatience = 1000;  // ms
    const ULONGLONG start = GetTickCount64();
    while (!OpenClipboard(owner)) {
      if (GetTickCount64() - start >= kPatience)
        throw ClipboardBusy();
      MsgWaitForMultipleObjectsEx(0, nullptr, 15, QS_SENDMESSAGE, 0);
      MSG sent;
      PeekMessageW(&sent, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
  }
  ~OpenClipboardFor() { CloseClipboard(); }
  OpenClipboardFor(const OpenClipboardFor&) = delete;
  OpenClipboardFor& operator=(const OpenClipboardFor&) = delete;
};

}  // namespace

MainWindow::MainWindow() : form_(*this) {}

MainWindow::~MainWindow() {
  ended_ = true;
  if (hwnd_ != nullptr)
    DestroyWindow(hwnd_);
  for (HGDIOBJ object : {static_cast<HGDIOBJ>(fieldFont_), static_cast<HGDIOBJ>(passwordFont_),
                         static_cast<HGDIOBJ>(background_)}) {
    if (object != nullptr)
      DeleteObject(object);
  }
  if (com_)
    CoUninitialize();
}

bool MainWindow::Create(HINSTANCE instance) {
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, kIconName);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszMenuName = MAKEINTRESOURCEW(IDR_MENU);
  windowClass.lpszClassName = kClassName;
  if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    return false;
  // COM brings the accessibility property service that names the fields.
  com_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  const std::wstring caption(std::begin(kCaption), std::end(kCaption) - 1);
  return CreateWindowExW(kExStyle, kClassName, caption.c_str(), kStyle, CW_USEDEFAULT,
                         CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance,
                         this) != nullptr;
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  MainWindow* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (self == nullptr)
    return DefWindowProcW(hwnd, message, wParam, lParam);
  try {
    return self->HandleMessage(message, wParam, lParam);
  } catch (...) {
    // Only memory can run out here (the handlers catch their own errors);
    // an exception must not cross the system's frames.
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return CreateFields() ? 0 : -1;
    case WM_ERASEBKGND: {
      RECT client{};
      GetClientRect(hwnd_, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, background_);
      return 1;
    }
    case WM_COMMAND:
      if (lParam == 0 && HIWORD(wParam) == 0) {
        Command(LOWORD(wParam));
      } else if (HIWORD(wParam) == EN_CHANGE) {
        Edited(static_cast<std::size_t>(LOWORD(wParam) - kFirstFieldId));
      }
      return 0;
    case WM_ACTIVATE:
      // The field that had the focus gets it back, after a message box too.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(hwnd_, focus))
          focus_ = focus;
      } else if (HIWORD(wParam) == 0) {
        SetFocus(focus_);
      }
      return 0;
    case WM_SETFOCUS:
      SetFocus(focus_);
      return 0;
    case WM_DPICHANGED:
      // Moved to a monitor of another DPI: the same twips, new pixels. The
      // closing animation keeps its own geometry.
      if (!running_) {
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Layout(HIWORD(wParam));
      }
      return 0;
    case WM_SYSCOMMAND:
      // The close command of the system menu, the title bar or the taskbar
      // comes here even while a message box has the window disabled, when
      // the default handling would drop it: it is kept for when the box is
      // dismissed.
      if ((wParam & 0xFFF0) == SC_CLOSE) {
        Close();
        return 0;
      }
      return DefWindowProcW(hwnd_, message, wParam, lParam);
    case WM_SETCURSOR:
      // A disabled window hears of a click only as this (the message box
      // flashes): a click on its close button is a close request all the same.
      if (running_ && reinterpret_cast<HWND>(wParam) == hwnd_ &&
          static_cast<short>(LOWORD(lParam)) == HTERROR &&
          (HIWORD(lParam) == WM_LBUTTONDOWN || HIWORD(lParam) == WM_NCLBUTTONDOWN) &&
          OnCloseButton())
        closeAsked_ = true;
      return DefWindowProcW(hwnd_, message, wParam, lParam);
    case WM_CLOSE:
      Close();
      return 0;
    case WM_DESTROY:
      Unname();
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY: {
      const LRESULT result = DefWindowProcW(hwnd_, message, wParam, lParam);
      SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      fields_ = {};
      tooltip_ = focus_ = nullptr;
      ended_ = true;
      return result;
    }
    default:
      return DefWindowProcW(hwnd_, message, wParam, lParam);
  }
}

LRESULT CALLBACK MainWindow::FieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR, DWORD_PTR self) {
  try {
    return reinterpret_cast<MainWindow*>(self)->HandleFieldMessage(field, message, wParam, lParam);
  } catch (...) {
    return DefSubclassProc(field, message, wParam, lParam);
  }
}

LRESULT MainWindow::HandleFieldMessage(HWND field, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_GETDLGCODE: {
      // Tab and Shift+Tab move between the fields; every other key is the
      // field's own, Enter and Escape included (the window has no buttons).
      // Tabbing into a multi-line field keeps its caret instead of
      // selecting the whole text, which the next key would replace.
      LRESULT code = DefSubclassProc(field, message, wParam, lParam);
      if (field != fields_[kText3])
        code &= ~DLGC_HASSETSEL;
      const auto* key = reinterpret_cast<const MSG*>(lParam);
      if (key == nullptr || key->message != WM_KEYDOWN)
        return code & ~DLGC_WANTTAB;
      if (key->wParam == VK_TAB)
        return code & ~(DLGC_WANTTAB | DLGC_WANTMESSAGE);
      return code | DLGC_WANTMESSAGE;
    }
    case WM_KEYDOWN:
      // A multi-line EDIT that the dialog manager talks to closes its parent
      // on Escape; here Escape does nothing there.
      if (wParam == VK_ESCAPE && field != fields_[kText3])
        return 0;
      break;
    case WM_CHAR:
      if (wParam == VK_ESCAPE && field != fields_[kText3])
        return 0;
      // Text3's character events, before the field applies them, with the
      // code of the model's own code page.
      if (field == fields_[kText3] && !ended_) {
        const auto code = static_cast<std::int16_t>(AnsiCode(static_cast<char16_t>(wParam)));
        Forward([&] { form_.Text3_KeyPress(code); });
        if (ended_)
          return 0;  // the program is ending; the key goes nowhere
      }
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(field, FieldProc, 0);
      break;
    default:
      break;
  }
  return DefSubclassProc(field, message, wParam, lParam);
}

bool MainWindow::CreateFields() {
  background_ = CreateSolidBrush(kBackground);
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE));
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const auto id = static_cast<INT_PTR>(kFirstFieldId) + static_cast<INT_PTR>(i);
    fields_[i] = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                                 WS_CHILD | WS_VISIBLE | WS_TABSTOP | kFields[i].style, 0, 0, 0, 0,
                                 hwnd_, reinterpret_cast<HMENU>(id), instance, nullptr);
    if (fields_[i] == nullptr)
      return false;
    // The default limit, 30,000 characters, would cut the longest code.
    SendMessageW(fields_[i], EM_SETLIMITTEXT, 0, 0);
    SetWindowSubclass(fields_[i], FieldProc, 0, reinterpret_cast<DWORD_PTR>(this));
  }
  SendMessageW(fields_[kText3], EM_SETPASSWORDCHAR, L'*', 0);
  Name();

  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                             WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance, nullptr);
  if (tooltip_ == nullptr)
    return false;
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd_;
    tool.uId = reinterpret_cast<UINT_PTR>(fields_[i]);
    tool.lpszText = const_cast<wchar_t*>(kFields[i].tooltip);  // copied by the control
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }

  Layout(GetDpiForWindow(hwnd_));
  Centre();
  focus_ = fields_[0];
  return true;
}

void MainWindow::Name() {
  // Without the service (no COM, or a system without it) the fields go
  // unnamed, as before: nothing else depends on it.
  if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IAccPropServices, reinterpret_cast<void**>(&accProps_))))
    return;
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    for (const auto& [prop, text] : {std::pair{PROPID_ACC_NAME, kFields[i].name},
                                     std::pair{PROPID_ACC_DESCRIPTION, kFields[i].description}}) {
      accProps_->SetHwndPropStr(fields_[i], static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, prop,
                                text);
    }
  }
}

void MainWindow::Unname() {
  if (accProps_ == nullptr)
    return;
  for (HWND field : fields_) {
    accProps_->ClearHwndProps(field, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                              kAccessibleProps.data(), static_cast<int>(kAccessibleProps.size()));
  }
  accProps_->Release();
  accProps_ = nullptr;
}

bool MainWindow::OnCloseButton() const {
  POINT cursor{};
  return GetCursorPos(&cursor) &&
         DefWindowProcW(hwnd_, WM_NCHITTEST, 0, MAKELPARAM(cursor.x, cursor.y)) == HTCLOSE;
}

void MainWindow::Layout(UINT dpi) {
  const auto scale = [dpi](int twips) { return MulDiv(twips, static_cast<int>(dpi), 1440); };

  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi);
  HFONT fieldFont = CreateFontIndirectW(&metrics.lfMessageFont);
  LOGFONTW password{};
  password.lfHeight = -MulDiv(kPasswordPoints, static_cast<int>(dpi), 72);
  password.lfWeight = FW_NORMAL;
  password.lfCharSet = ANSI_CHARSET;
  std::copy(std::begin(kPasswordFont), std::end(kPasswordFont), password.lfFaceName);
  HFONT passwordFont = CreateFontIndirectW(&password);

  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const FieldInfo& info = kFields[i];
    SetWindowPos(fields_[i], nullptr, scale(info.left), scale(info.top), scale(info.width),
                 scale(info.height), SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(fields_[i], WM_SETFONT,
                 reinterpret_cast<WPARAM>(i == kText3 ? passwordFont : fieldFont), TRUE);
  }
  for (HFONT old : {fieldFont_, passwordFont_}) {
    if (old != nullptr)
      DeleteObject(old);
  }
  fieldFont_ = fieldFont;
  passwordFont_ = passwordFont;

  RECT frame{0, 0, scale(kClientWidth), scale(kClientHeight)};
  AdjustWindowRectExForDpi(&frame, kStyle, TRUE, kExStyle, dpi);
  SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::Centre() {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  RECT frame{};
  if (!GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &monitor) ||
      !GetWindowRect(hwnd_, &frame))
    return;
  const RECT& screen = monitor.rcMonitor;
  // On a screen smaller than the window, its top-left corner stays on the screen.
  const auto centred = [](LONG from, LONG to, LONG size) {
    return std::max(from, from + (to - from - size) / 2);
  };
  SetWindowPos(hwnd_, nullptr, centred(screen.left, screen.right, frame.right - frame.left),
               centred(screen.top, screen.bottom, frame.bottom - frame.top), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::Command(int id) {
  switch (id) {
    case IDM_ENCODE:
      Forward([this] { form_.Encode_Click(); });
      break;
    case IDM_DECODE:
      Forward([this] { form_.Decode_Click(); });
      break;
    case IDM_CTOC:
      Forward([this] { form_.CToC_Click(); });
      break;
    case IDM_COPYFORMAIL:
      Forward([this] { form_.CopyForMail_Click(); });
      break;
    default:
      break;
  }
}

void MainWindow::Edited(std::size_t field) {
  if (writing_ || ended_ || field >= fields_.size())
    return;
  // The edit controls are Unicode controls: their text reaches the model as
  // it stands, any script, and even half of a surrogate pair, which Encode
  // then refuses, naming its place.
  (form_.*kFields[field].set)(FieldText(fields_[field]));
}

void MainWindow::Close() {
  if (running_) {
    closeAsked_ = true;
    return;
  }
  Forward([this] { form_.Form_Unload(); });
}

template <typename Handler>
void MainWindow::Forward(Handler handler) {
  if (ended_ || running_)
    return;
  running_ = true;
  handler();
  running_ = false;
  if (ended_)
    return;
  ShowModel();
  if (closeAsked_) {
    closeAsked_ = false;
    Close();
  }
}

void MainWindow::ShowModel() {
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const Text& text = (form_.*kFields[i].get)();
    if (FieldText(fields_[i]) != text)
      Show(i, text);
  }
}

void MainWindow::Show(std::size_t field, const Text& text) {
  const std::wstring wide = Wide(text);
  writing_ = true;
  SetWindowTextW(fields_[field], wide.c_str());
  writing_ = false;
}

void MainWindow::MsgBox(const Message& message) {
  ShowModel();
  const std::wstring title(std::begin(kCaption), std::end(kCaption) - 1);
  MessageBoxW(hwnd_, Wide(message.text).c_str(), title.c_str(), MB_OK | BoxIcon(message.icon));
}

void MainWindow::ClipboardClear() {
  const OpenClipboardFor clipboard(hwnd_);
  EmptyClipboard();
}

void MainWindow::ClipboardSetText(const Text& text) {
  const OpenClipboardFor clipboard(hwnd_);
  EmptyClipboard();
  const std::size_t bytes = (text.size() + 1) * sizeof(char16_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  void* data = memory != nullptr ? GlobalLock(memory) : nullptr;
  if (data == nullptr) {
    if (memory != nullptr)
      GlobalFree(memory);
    throw Error(kOutOfMemoryNumber, u"Out of memory");
  }
  std::memcpy(data, text.c_str(), bytes);
  GlobalUnlock(memory);
  // The clipboard owns the memory once it takes it.
  if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) {
    GlobalFree(memory);
    throw ClipboardError();
  }
}

float MainWindow::Top() {
  return Get(Side::Top);
}
float MainWindow::Left() {
  return Get(Side::Left);
}
float MainWindow::Width() {
  return Get(Side::Width);
}
float MainWindow::Height() {
  return Get(Side::Height);
}
void MainWindow::SetTop(float twips) {
  Set(Side::Top, twips);
}
void MainWindow::SetLeft(float twips) {
  Set(Side::Left, twips);
}
void MainWindow::SetWidth(float twips) {
  Set(Side::Width, twips);
}
void MainWindow::SetHeight(float twips) {
  Set(Side::Height, twips);
}

float MainWindow::ScreenWidth() {
  return static_cast<float>(GetSystemMetrics(SM_CXSCREEN)) * TwipsPerPixel();
}
float MainWindow::ScreenHeight() {
  return static_cast<float>(GetSystemMetrics(SM_CYSCREEN)) * TwipsPerPixel();
}

void MainWindow::End() {
  ended_ = true;
  if (hwnd_ != nullptr)
    DestroyWindow(hwnd_);
}

RECT MainWindow::Frame() const {
  RECT frame{};
  if (hwnd_ == nullptr || !GetWindowRect(hwnd_, &frame))
    throw InvalidPropertyValue();
  return frame;
}

float MainWindow::TwipsPerPixel() const {
  const UINT dpi = hwnd_ != nullptr ? GetDpiForWindow(hwnd_) : 0;
  return 1440.0f / static_cast<float>(dpi != 0 ? dpi : USER_DEFAULT_SCREEN_DPI);
}

float MainWindow::Get(Side side) const {
  const RECT frame = Frame();
  LONG pixels = 0;
  switch (side) {
    case Side::Left:
      pixels = frame.left;
      break;
    case Side::Top:
      pixels = frame.top;
      break;
    case Side::Width:
      pixels = frame.right - frame.left;
      break;
    case Side::Height:
      pixels = frame.bottom - frame.top;
      break;
  }
  return static_cast<float>(pixels) * TwipsPerPixel();
}

int MainWindow::Pixels(float twips) const {
  // A value no screen could hold is refused, as Windows would refuse it.
  const double pixels = std::round(static_cast<double>(twips / TwipsPerPixel()));
  if (!std::isfinite(pixels) || std::fabs(pixels) > 1'000'000)
    throw InvalidPropertyValue();
  return static_cast<int>(pixels);
}

void MainWindow::Place(float top, float left, float width, float height) {
  SetFrame(Pixels(left), Pixels(top), Pixels(width), Pixels(height));
}

void MainWindow::Set(Side side, float twips) {
  const int pixels = Pixels(twips);
  const RECT frame = Frame();
  int left = frame.left, top = frame.top;
  int width = frame.right - frame.left, height = frame.bottom - frame.top;
  switch (side) {
    case Side::Left:
      left = pixels;
      break;
    case Side::Top:
      top = pixels;
      break;
    case Side::Width:
      width = pixels;
      break;
    case Side::Height:
      height = pixels;
      break;
  }
  SetFrame(left, top, width, height);
}

void MainWindow::SetFrame(int left, int top, int width, int height) {
  // Windows keeps a captioned window at least at its minimum tracking size.
  if (!SetWindowPos(hwnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE))
    throw InvalidPropertyValue();
  // Each step is on the screen before the next one.
  UpdateWindow(hwnd_);
}

}  // namespace vantrel::win
