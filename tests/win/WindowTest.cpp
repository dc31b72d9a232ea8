// The Windows window in-process, through the Windows API as Windows and the
// dialog manager use it: its look and layout at the window's DPI, lossless
// fields, their accessible names, Text3's character events, its message
// boxes and its closing.
// Runs on Windows, or under Wine with a display.

#include <windows.h>

#include <commctrl.h>  // after windows.h
#include <gtest/gtest.h>
#include <oleacc.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/Messages.h"
#include "win/MainWindow.h"
#include "win/Resource.h"

namespace vantrel::win {
namespace {

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

Text TextOf(HWND control) {
  const std::wstring text = WindowText(control);
  return Text(text.begin(), text.end());
}

// Every message box shown on this thread while it lives, dismissed at once.
class Boxes {
 public:
  struct Box {
    std::wstring title, text;
    HICON icon;
    bool ownedAndModal;
  };
  explicit Boxes(HWND owner) : owner_(owner) {
    current_ = this;
    hook_ = SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId());
  }
  ~Boxes() {
    UnhookWindowsHookEx(hook_);
    current_ = nullptr;
  }
  Boxes(const Boxes&) = delete;
  Boxes& operator=(const Boxes&) = delete;

  std::vector<Box> shown;
  std::function<void()> onShow;

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    auto* box = reinterpret_cast<HWND>(wParam);
    wchar_t kind[16] = {};
    if (code == HCBT_ACTIVATE && current_ != nullptr && GetClassNameW(box, kind, 16) &&
        std::wstring(kind) == L"#32770") {
      HICON icon = nullptr;
      for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const auto style = GetWindowLongW(child, GWL_STYLE);
        if ((style & SS_TYPEMASK) == SS_ICON && (style & WS_VISIBLE) != 0)
          icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
      }
      const bool ownedAndModal =
          GetWindow(box, GW_OWNER) == current_->owner_ && !IsWindowEnabled(current_->owner_);
      current_->shown.push_back(
          {WindowText(box), WindowText(GetDlgItem(box, 0xFFFF)), icon, ownedAndModal});
      if (current_->onShow)
        current_->onShow();
      PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static inline Boxes* current_ = nullptr;  // a hook procedure has no context of its own
  HWND owner_;
  HHOOK hook_;
};

std::wstring Wide(const Text& text) {
  return std::wstring(text.begin(), text.end());
}

void SetClipboard(const Text& text) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(char16_t));
  std::memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(char16_t));
  GlobalUnlock(memory);
  SetClipboardData(CF_UNICODETEXT, memory);
  CloseClipboard();
}

Text Clipboard() {
  Text text;
  if (OpenClipboard(nullptr)) {
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
      text = static_cast<const char16_t*>(GlobalLock(data));
      GlobalUnlock(data);
    }
    CloseClipboard();
  }
  return text;
}

int Scaled(int twips, UINT dpi) {
  return MulDiv(twips, static_cast<int>(dpi), 1440);
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Drain();
    ASSERT_TRUE(window.Create(GetModuleHandleW(nullptr)));
    ShowWindow(window.Handle(), SW_SHOW);
    boxes = std::make_unique<Boxes>(window.Handle());
    dpi = GetDpiForWindow(window.Handle());
    for (std::size_t i = 0; i < fields.size(); ++i)
      fields[i] = GetNextDlgTabItem(window.Handle(), i == 0 ? nullptr : fields[i - 1], FALSE);
  }
  void TearDown() override { boxes.reset(); }
  // Messages left by an earlier window, its quit message among them.
  static void Drain() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
      DispatchMessageW(&message);
  }

  void Menu(int id) { SendMessageW(window.Handle(), WM_COMMAND, static_cast<WPARAM>(id), 0); }
  // A paste over the whole field, as the user's Ctrl+V.
  void Paste(std::size_t field, const Text& text) {
    SetClipboard(text);
    SendMessageW(fields[field], EM_SETSEL, 0, -1);
    SendMessageW(fields[field], WM_PASTE, 0, 0);
  }
  void Type(const std::u16string& keys) {
    for (const char16_t key : keys)
      SendMessageW(fields[2], WM_CHAR, key, 0);
  }

  MainWindow window;
  std::unique_ptr<Boxes> boxes;
  UINT dpi = 0;
  std::array<HWND, 3> fields{};
};

TEST_F(WindowTest, HasAFixedCaptionedFrameAroundTheClientAreaCentredOnItsScreen) {
  HWND hwnd = window.Handle();
  EXPECT_EQ(TextOf(hwnd), u"Vantrel");
  const auto style = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME | WS_MAXIMIZEBOX),
            WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
  RECT client{}, frame{};
  GetClientRect(hwnd, &client);
  GetWindowRect(hwnd, &frame);
  EXPECT_EQ(client.right, Scaled(5310, dpi));
  EXPECT_EQ(client.bottom, Scaled(3990, dpi));
  MONITORINFO monitor{sizeof monitor, {}, {}, 0};
  GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &monitor);
  EXPECT_NEAR(frame.left + frame.right, monitor.rcMonitor.left + monitor.rcMonitor.right, 1);
  EXPECT_NEAR(frame.top + frame.bottom, monitor.rcMonitor.top + monitor.rcMonitor.bottom, 1);
  EXPECT_NE(GetClassLongPtrW(hwnd, GCLP_HICON), 0U);

  HDC screen = GetDC(hwnd);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
  HGDIOBJ old = SelectObject(memory, bitmap);
  SendMessageW(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), 0);
  EXPECT_EQ(GetPixel(memory, 2, 2), RGB(192, 192, 192));
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(hwnd, screen);

  // The manifest: version 6 of the common controls, per-monitor DPI awareness.
  wchar_t controls[MAX_PATH] = {};
  GetModuleFileNameW(GetModuleHandleW(L"comctl32.dll"), controls, MAX_PATH);
  std::wstring path(controls);
  for (wchar_t& c : path)
    c = static_cast<wchar_t>(towlower(c));
  EXPECT_NE(path.find(L"common-controls_6595b64144ccf1df_6.0."), std::wstring::npos)
      << "comctl32 loaded from " << std::string(path.begin(), path.end());
  EXPECT_EQ(GetAwarenessFromDpiAwarenessContext(GetThreadDpiAwarenessContext()),
            DPI_AWARENESS_PER_MONITOR_AWARE);
}

TEST_F(WindowTest, FieldsSitInTabOrderWithTheirKindFontAndTooltip) {
  struct Expected {
    RECT twips;
    DWORD style;
    const wchar_t* tooltip;
  };
  const Expected expected[] = {
      {{120, 600, 5175, 2175}, ES_MULTILINE | WS_VSCROLL, L" Enter Your Txt To Encode Hear"},
      {{120, 2280, 5175, 3855},
       ES_MULTILINE | WS_VSCROLL,
       L"  Enter Your Encoded Txt Hear To DeEncode "},
      {{1320, 120, 3735, 420}, ES_PASSWORD, L" Enter PassWord"},
  };
  HWND tooltip = FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr);
  while (tooltip != nullptr && GetWindow(tooltip, GW_OWNER) != window.Handle())
    tooltip = FindWindowExW(nullptr, tooltip, TOOLTIPS_CLASSW, nullptr);
  ASSERT_NE(tooltip, nullptr);

  for (std::size_t i = 0; i < fields.size(); ++i) {
    SCOPED_TRACE(i + 1);
    ASSERT_NE(fields[i], nullptr);
    RECT place{};
    GetWindowRect(fields[i], &place);
    MapWindowPoints(nullptr, window.Handle(), reinterpret_cast<POINT*>(&place), 2);
    const RECT& want = expected[i].twips;
    EXPECT_EQ(place.left, Scaled(want.left, dpi));
    EXPECT_EQ(place.top, Scaled(want.top, dpi));
    EXPECT_EQ(place.right - place.left, Scaled(want.right - want.left, dpi));
    EXPECT_EQ(place.bottom - place.top, Scaled(want.bottom - want.top, dpi));
    const auto style = static_cast<DWORD>(GetWindowLongW(fields[i], GWL_STYLE));
    EXPECT_EQ(style & (ES_MULTILINE | WS_VSCROLL | ES_PASSWORD), expected[i].style);
    EXPECT_GT(SendMessageW(fields[i], EM_GETLIMITTEXT, 0, 0), kMaxCodeLength);

    wchar_t tip[80] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = window.Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(fields[i]);
    tool.lpszText = tip;
    SendMessageW(tooltip, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&tool));
    EXPECT_EQ(std::wstring(tip), expected[i].tooltip);
  }
  EXPECT_EQ(GetNextDlgTabItem(window.Handle(), fields[2], FALSE), fields[0]);
  EXPECT_EQ(SendMessageW(fields[2], EM_GETPASSWORDCHAR, 0, 0), L'*');
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HGDIOBJ>(SendMessageW(fields[2], WM_GETFONT, 0, 0)), sizeof font,
             &font);
  EXPECT_EQ(std::wstring(font.lfFaceName), L"MS Sans Serif");
  EXPECT_EQ(font.lfHeight, -MulDiv(18, static_cast<int>(dpi), 72));
}

TEST_F(WindowTest, MenuHasTheToolsEntriesWithAccessKeysOnly) {
  HMENU bar = GetMenu(window.Handle());
  ASSERT_EQ(GetMenuItemCount(bar), 1);
  wchar_t text[64] = {};
  GetMenuStringW(bar, 0, text, 64, MF_BYPOSITION);
  std::wstring menu = text;
  HMENU tools = GetSubMenu(bar, 0);
  for (UINT i = 0; i < static_cast<UINT>(GetMenuItemCount(tools)); ++i) {
    GetMenuStringW(tools, i, text, 64, MF_BYPOSITION);
    menu +=
        (GetMenuState(tools, i, MF_BYPOSITION) & MF_SEPARATOR) ? L"|-" : L"|" + std::wstring(text);
  }
  // No tab in a caption, so no shortcut key.
  EXPECT_EQ(menu, L"&Tools|-|&Encode|-|&Decode|-|&Copy Encoded Txt To Clipboard |-|Copy For &Mail");
}

TEST_F(WindowTest, FieldsHoldEveryCharacterOfACodeExactly) {
  Text controls;
  for (char16_t unit = 10; unit <= 125; ++unit)
    controls.push_back(unit);
  Text longest;
  for (int i = 0; i < kMaxCodeLength; ++i)
    longest.push_back(static_cast<char16_t>(10 + i % 116));
  for (const Text& code : {controls + u"\r\n\n\r\r\r\n", Text(u"\n"), longest}) {
    Paste(1, code);
    EXPECT_EQ(window.Model().Text2(), code);
    Menu(IDM_CTOC);
    EXPECT_EQ(Clipboard(), code);
    EXPECT_EQ(TextOf(fields[1]), code);
  }

  // The window's own writes: the code Encode makes, and the text Decode gives back.
  const Text plain = u"Meet me at the harbour at 9.\r\nBring the map!";
  Type(u"key");
  Paste(0, plain);
  Menu(IDM_ENCODE);
  EXPECT_EQ(TextOf(fields[0]), u"");
  EXPECT_EQ(TextOf(fields[1]), window.Model().Text2());
  EXPECT_NE(window.Model().Text2().find_first_of(u"\n\r\x0B\x1F"), Text::npos)
      << "this code has no control character; choose another text";
  Menu(IDM_DECODE);
  EXPECT_EQ(TextOf(fields[0]), plain);
  EXPECT_EQ(window.Model().Text1(), plain);

  // Any text stays as it was pasted, in the field and the model alike, and
  // comes back exactly through Encode and Decode.
  const Text texts[] = {
      u"\u0416\u20AC",
      u"I\u2019m caf\u00E9 \u041F\u0440\u0438\u0432\u0435\u0442 \U0001F600",
      u"\u05E9\u05DC\u05D5\u05DD\t\u4E2D\u6587 e\u0301 \U0001F469\U0001F3FD\u200D\U0001F4BB "
      u"\U0001D11E",
  };
  const std::size_t shown = boxes->shown.size();  // Copy's confirmations
  for (const Text& text : texts) {
    SCOPED_TRACE(std::string(text.begin(), text.end()));
    Paste(0, text);
    EXPECT_EQ(TextOf(fields[0]), text);
    EXPECT_EQ(window.Model().Text1(), text);
    Menu(IDM_ENCODE);
    EXPECT_EQ(TextOf(fields[1]), window.Model().Text2());
    Menu(IDM_DECODE);
    EXPECT_EQ(TextOf(fields[0]), text);
  }
  EXPECT_EQ(boxes->shown.size(), shown);

  // Half of a surrogate pair reaches the model as it stands; Encode refuses
  // it, naming its place, and the text stays.
  const Text broken = u"ab\r\nc\xD83D";
  Paste(0, broken);
  EXPECT_EQ(window.Model().Text1(), broken);
  Menu(IDM_ENCODE);
  ASSERT_EQ(boxes->shown.size(), shown + 1);
  EXPECT_EQ(boxes->shown.back().text, Wide(messages::IllFormed(0xD83D, PlaceIn(broken, 5)).text));
  EXPECT_EQ(TextOf(fields[0]), broken);
}

TEST_F(WindowTest, Text3ReportsEachCharacterWithItsCodePageCode) {
  struct Case {
    std::size_t field;
    UINT message;
    char16_t unit;
    int code;
  };
  const Case cases[] = {
      {2, WM_CHAR, u'a', 97}, {2, WM_CHAR, u'\u20AC', 128}, {2, WM_CHAR, u'\u0416', 63},
      {2, WM_CHAR, 8, 8},     {2, WM_CHAR, 13, 13},         {2, WM_CHAR, 27, 27},
      {2, WM_CHAR, 127, 127}, {2, WM_SYSCHAR, u'x', 0},     {0, WM_CHAR, u'a', 0},
  };
  for (const Case& c : cases) {
    const int before = window.Model().KeySum();
    SendMessageW(fields[c.field], c.message, c.unit, 0);
    EXPECT_EQ(window.Model().KeySum() - before, c.code) << "unit " << int{c.unit};
  }
  EXPECT_EQ(window.Model().Text3(), TextOf(fields[2]));
  EXPECT_EQ(window.Model().Text1(), u"a");
}

TEST_F(WindowTest, MessageBoxesAreOwnedAndModalWithTheirTextAndIcon) {
  Menu(IDM_ENCODE);   // no password
  Menu(IDM_CTOC);     // nothing to copy
  Type(u"d");         // code 100: key 0, no shift
  Paste(1, u"Zm9v");  // "foo" in Base64, no end marker
  Menu(IDM_DECODE);
  Menu(IDM_CTOC);  // copied

  const std::pair<Message, LPCWSTR> expected[] = {
      {messages::NeedPassword(), IDI_ERROR},
      {messages::NothingToCopy(), IDI_WARNING},
      {messages::WrongPassword(), nullptr},
      {messages::Copied(), IDI_INFORMATION},
  };
  ASSERT_EQ(boxes->shown.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const auto& [message, icon] = expected[i];
    const Boxes::Box& box = boxes->shown[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(box.title, L"Vantrel");
    EXPECT_EQ(box.text, Wide(message.text));
    EXPECT_TRUE(box.ownedAndModal);
    EXPECT_EQ(box.icon, icon != nullptr ? LoadIconW(nullptr, icon) : nullptr);
  }
}

// Every frame the window takes, as Windows reports it.
LRESULT CALLBACK RecordFrames(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                              DWORD_PTR frames) {
  if (message == WM_WINDOWPOSCHANGED) {
    const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
    auto& list = *reinterpret_cast<std::vector<RECT>*>(frames);
    const RECT frame{pos->x, pos->y, pos->x + pos->cx, pos->y + pos->cy};
    if (list.empty() || !EqualRect(&list.back(), &frame))  // not a hide or a z-order change
      list.push_back(frame);
  } else if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, RecordFrames, 0);
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

TEST_F(WindowTest, ClosingShrinksAroundItsCentreThenSlidesOffAndEndsWithinASecond) {
  std::vector<RECT> frames;
  RECT start{};
  GetWindowRect(window.Handle(), &start);
  SetWindowSubclass(window.Handle(), RecordFrames, 0, reinterpret_cast<DWORD_PTR>(&frames));
  const ULONGLONG began = GetTickCount64();
  SendMessageW(window.Handle(), WM_CLOSE, 0, 0);
  const ULONGLONG took = GetTickCount64() - began;

  EXPECT_EQ(window.Handle(), nullptr);
  EXPECT_TRUE(window.Ended());
  MSG quit;
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  // Paced to half a second; the rest is margin for a busy machine.
  EXPECT_LE(took, 1200U);
  ASSERT_GT(frames.size(), 20U);
  const SIZE smallest{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
  const SIZE screen{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  RECT previous = start;
  std::size_t slid = 0;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const RECT& f = frames[i];
    SCOPED_TRACE(i);
    ASSERT_GE(f.left, previous.left);
    ASSERT_GE(f.top, previous.top);
    ASSERT_LE(f.right - f.left, previous.right - previous.left);
    ASSERT_GE(f.right - f.left, smallest.cx);
    ASSERT_GE(f.bottom - f.top, smallest.cy);
    // Until a side stops at its smallest, its centre stays (to a pixel).
    if (f.right - f.left > smallest.cx) {
      ASSERT_LE(std::abs(f.left + f.right - start.left - start.right), 2);
    }
    if (f.bottom - f.top > smallest.cy) {
      ASSERT_LE(std::abs(f.top + f.bottom - start.top - start.bottom), 2);
    }
    if (f.right - f.left == smallest.cx && f.bottom - f.top == smallest.cy)
      ++slid;
    // It ends as soon as it is off the screen.
    const bool off = f.top >= screen.cy || f.left >= screen.cx;
    ASSERT_EQ(off, i + 1 == frames.size());
    previous = f;
  }
  EXPECT_GE(slid, 3U) << "it hardly slid at its smallest";
}

TEST_F(WindowTest, ACloseDuringAMessageBoxWaitsForTheCommandToEnd) {
  // WM_CLOSE, as another program sends it, and the close command of the
  // title bar or the taskbar, which the default handling drops while the
  // box has the window disabled.
  const std::pair<UINT, WPARAM> requests[] = {{WM_CLOSE, 0}, {WM_SYSCOMMAND, SC_CLOSE}};
  for (const auto& [message, wParam] : requests) {
    SCOPED_TRACE(message);
    MainWindow closing;
    ASSERT_TRUE(closing.Create(GetModuleHandleW(nullptr)));
    boxes.reset();
    boxes = std::make_unique<Boxes>(closing.Handle());
    boxes->onShow = [&, message = message, wParam = wParam] {
      SendMessageW(closing.Handle(), message, wParam, 0);
      EXPECT_FALSE(closing.Ended()) << "closed under the box";
    };
    SendMessageW(closing.Handle(), WM_COMMAND, IDM_ENCODE, 0);  // a password is needed
    EXPECT_EQ(boxes->shown.size(), 1U);
    EXPECT_TRUE(closing.Ended());
    EXPECT_EQ(closing.Handle(), nullptr);
    Drain();
  }
}

// The system's accessibility property service stood in for, to see what the
// window asks of it: the string annotations by window and property, as set
// and as cleared. A COM object is released, never deleted through its
// interfaces, which have no virtual destructor.
#ifdef __GNUC__
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif
class AnnotationsService final : public IAccPropServices, public IClassFactory {
 public:
  std::map<std::pair<HWND, std::wstring>, std::wstring> strings;  // (field, property) to text
  std::map<HWND, std::size_t> cleared;                            // properties cleared per field

  static std::wstring Prop(const MSAAPROPID& prop) {
    return prop == PROPID_ACC_NAME          ? L"name"
           : prop == PROPID_ACC_DESCRIPTION ? L"description"
                                            : L"other";
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == IID_IClassFactory)
      *object = static_cast<IClassFactory*>(this);
    else if (iid == IID_IAccPropServices)
      *object = static_cast<IAccPropServices*>(this);
    else
      return *object = nullptr, E_NOINTERFACE;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the test's stack
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID iid, void** object) override {
    return QueryInterface(iid, object);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

  HRESULT STDMETHODCALLTYPE SetHwndPropStr(HWND hwnd, DWORD object, DWORD child, MSAAPROPID prop,
                                           LPCWSTR text) override {
    if (static_cast<LONG>(object) != OBJID_CLIENT || child != CHILDID_SELF)
      return E_INVALIDARG;
    strings[{hwnd, Prop(prop)}] = text;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ClearHwndProps(HWND hwnd, DWORD, DWORD, const MSAAPROPID* props,
                                           int count) override {
    for (int i = 0; i < count; ++i)
      cleared[hwnd] += strings.erase({hwnd, Prop(props[i])});
    return S_OK;
  }
  // Nothing else is for the window to use.
#define VANTREL_UNUSED(method, ...)                        \
  HRESULT STDMETHODCALLTYPE method(__VA_ARGS__) override { \
    return E_UNEXPECTED;                                   \
  }
  VANTREL_UNUSED(SetPropValue, const BYTE*, DWORD, MSAAPROPID, VARIANT)
  VANTREL_UNUSED(SetPropServer, const BYTE*, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                 AnnoScope)
  VANTREL_UNUSED(ClearProps, const BYTE*, DWORD, const MSAAPROPID*, int)
  VANTREL_UNUSED(SetHwndProp, HWND, DWORD, DWORD, MSAAPROPID, VARIANT)
  VANTREL_UNUSED(SetHwndPropServer, HWND, DWORD, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                 AnnoScope)
  VANTREL_UNUSED(ComposeHwndIdentityString, HWND, DWORD, DWORD, BYTE**, DWORD*)
  VANTREL_UNUSED(DecomposeHwndIdentityString, const BYTE*, DWORD, HWND*, DWORD*, DWORD*)
  VANTREL_UNUSED(SetHmenuProp, HMENU, DWORD, MSAAPROPID, VARIANT)
  VANTREL_UNUSED(SetHmenuPropStr, HMENU, DWORD, MSAAPROPID, LPCWSTR)
  VANTREL_UNUSED(SetHmenuPropServer, HMENU, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                 AnnoScope)
  VANTREL_UNUSED(ClearHmenuProps, HMENU, DWORD, const MSAAPROPID*, int)
  VANTREL_UNUSED(ComposeHmenuIdentityString, HMENU, DWORD, BYTE**, DWORD*)
  VANTREL_UNUSED(DecomposeHmenuIdentityString, const BYTE*, DWORD, HMENU*, DWORD*)
#undef VANTREL_UNUSED
};

const std::array<std::pair<std::wstring, std::wstring>, 3> kAccessible{{
    {L"Text to encode", L"Enter Your Txt To Encode Hear"},
    {L"Code", L"Enter Your Encoded Txt Hear To DeEncode"},
    {L"Password", L"Enter PassWord"},
}};

TEST_F(WindowTest, FieldsAnnotateTheirAccessibleNamesAndTakeThemBackOnDestroy) {
  AnnotationsService service;
  DWORD cookie = 0;
  ASSERT_HRESULT_SUCCEEDED(
      CoRegisterClassObject(CLSID_AccPropServices, static_cast<IClassFactory*>(&service),
                            CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie));
  std::array<HWND, 3> named{};
  {
    MainWindow annotated;
    const bool created = annotated.Create(GetModuleHandleW(nullptr));
    CoRevokeClassObject(cookie);
    ASSERT_TRUE(created);
    for (std::size_t i = 0; i < named.size(); ++i) {
      named[i] = GetNextDlgTabItem(annotated.Handle(), i == 0 ? nullptr : named[i - 1], FALSE);
      SCOPED_TRACE(i + 1);
      EXPECT_EQ((service.strings[{named[i], L"name"}]), kAccessible[i].first);
      EXPECT_EQ((service.strings[{named[i], L"description"}]), kAccessible[i].second);
    }
    EXPECT_EQ(service.strings.size(), 6U);
  }
  EXPECT_TRUE(service.strings.empty());
  for (HWND field : named)
    EXPECT_EQ(service.cleared[field], 2U);
}

// Read back as a screen reader reads them, where the system keeps
// annotations (Windows does; Wine's service answers E_NOTIMPL).
TEST_F(WindowTest, FieldsHaveTheirAccessibleNamesAndDescriptions) {
  IAccPropServices* service = nullptr;
  ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_IAccPropServices,
                                            reinterpret_cast<void**>(&service)));
  const HRESULT kept = service->SetHwndPropStr(window.Handle(), static_cast<DWORD>(OBJID_CLIENT),
                                               CHILDID_SELF, PROPID_ACC_HELP, L"probe");
  service->ClearHwndProps(window.Handle(), static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                          &PROPID_ACC_HELP, 1);
  service->Release();
  if (kept == E_NOTIMPL)
    GTEST_SKIP() << "this system's accessibility property service keeps no annotations";

  for (std::size_t i = 0; i < fields.size(); ++i) {
    SCOPED_TRACE(i + 1);
    IAccessible* field = nullptr;
    ASSERT_HRESULT_SUCCEEDED(AccessibleObjectFromWindow(fields[i], static_cast<DWORD>(OBJID_CLIENT),
                                                        IID_IAccessible,
                                                        reinterpret_cast<void**>(&field)));
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr, description = nullptr;
    EXPECT_EQ(field->get_accName(self, &name), S_OK);
    EXPECT_EQ(field->get_accDescription(self, &description), S_OK);
    EXPECT_EQ(std::wstring(name != nullptr ? name : L""), kAccessible[i].first);
    EXPECT_EQ(std::wstring(description != nullptr ? description : L""), kAccessible[i].second);
    SysFreeString(name);
    SysFreeString(description);
    field->Release();
  }
}

}  // namespace
}  // namespace vantrel::win
