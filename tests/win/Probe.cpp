// The real-window test's hands inside Wine: run beside Vantrel.exe in the
// same prefix, it reaches what X cannot show exactly — the Windows
// clipboard, the window's fields, its message boxes and its frame — and
// makes codes with the window model for comparison.
//
//   win_probe clip-get          prints the clipboard's text
//   win_probe clip-set          puts standard input on the clipboard
//   win_probe clip-hold [MS]    holds the clipboard open, as a clipboard manager may, for MS
//                               milliseconds or until standard input ends; says "held" once
//                               it has it
//   win_probe encode PASSWORD   prints the code of standard input, PASSWORD typed key by key
//   win_probe mail-safe         prints the mail-safe form of the code on standard input, its
//                               lines ending in LF, as any window makes it
//   win_probe field N           prints the text of field N (1 Text1, 2 Text2)
//   win_probe key TEXT          prints the key (0..99) under which TEXT encodes to Text2
//   win_probe where N           prints the centre of field N (0: the window) on the screen
//   win_probe where close       prints the centre of the window's close button
//   win_probe box               prints the window's message box: title, text, icon, modal
//   win_probe watch             prints the window's frame and the time in ms at each change
//                               until the program ends, then when it ended and its exit status
//   win_probe close             closes the window as its close box does, then watches
//   win_probe program           prints the path of the program that shows the window
//   win_probe click TITLE TEXT  clicks the button TEXT of the window TITLE (any
//                               program's) once both are there and the button is enabled
//
// Texts travel as bytes of the fields' code page, one per character; a
// character outside it is an error. With --utf8 before the command they
// travel as UTF-8 instead, half of a surrogate pair as the three bytes its
// code would take. Exit status 1 means the thing looked for is not there.

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "app/AnsiCodePage.h"
#include "app/Form1.h"
#include "codec/MailSafe.h"
#include "win/MainWindow.h"

namespace {

using vantrel::Text;

// A model that only encodes: any message box is a failure.
class QuietHost : public vantrel::WindowlessHost {
 public:
  void MsgBox(const vantrel::Message&) override { failed = true; }
  void ClipboardClear() override {}
  void ClipboardSetText(const Text&) override {}
  void End() override { failed = true; }
  bool failed = false;
};

bool inUtf8 = false;  // texts travel as UTF-8 (--utf8)

// UTF-8 as the fields hold it, in UTF-16; a lone surrogate's three bytes give
// it back. Malformed bytes are the input's fault: an error.
std::optional<Text> FromUtf8(const std::string& bytes) {
  Text text;
  for (std::size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    if ((lead >= 0x80 && lead < 0xC2) || lead > 0xF4 || i + length > bytes.size())
      return std::nullopt;
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80)
        return std::nullopt;
      code = (code << 6) | (next & 0x3F);
    }
    i += length;
    if (code >= 0x10000) {
      text.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
      text.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
      text.push_back(static_cast<char16_t>(code));
    }
  }
  return text;
}

std::string ToUtf8(const Text& text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t code = text[i];
    if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000)
      code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
    if (code < 0x80) {
      bytes.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
      bytes.push_back(static_cast<char>(0xC0 | (code >> 6)));
      bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
      bytes.push_back(static_cast<char>(0xE0 | (code >> 12)));
      bytes.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
      bytes.push_back(static_cast<char>(0xF0 | (code >> 18)));
      bytes.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
      bytes.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }
  return bytes;
}

Text ReadInput() {
  const std::string bytes((std::istreambuf_iterator<char>(std::cin)),
                          std::istreambuf_iterator<char>());
  Text text;
  if (inUtf8) {
    const auto decoded = FromUtf8(bytes);
    if (!decoded) {
      std::fputs("win_probe: the input is not UTF-8\n", stderr);
      std::exit(2);
    }
    return *decoded;
  }
  for (const char byte : bytes)
    text.push_back(vantrel::AnsiChar(static_cast<std::uint8_t>(byte)));
  return text;
}

bool Print(const Text& text) {
  std::string bytes;
  if (inUtf8)
    bytes = ToUtf8(text);
  for (std::size_t i = 0; !inUtf8 && i < text.size(); ++i) {
    if (!vantrel::InCodePage(text[i])) {
      std::fprintf(stderr, "win_probe: U+%04X is outside the code page\n", unsigned{text[i]});
      return false;
    }
    bytes.push_back(static_cast<char>(vantrel::AnsiCode(text[i])));
  }
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  return true;
}

std::optional<Text> Encode(const Text& password, std::int16_t keySum, const Text& plain) {
  QuietHost host;
  vantrel::Form1 form(host);
  if (password.empty()) {
    form.Text3_KeyPress(keySum);
    form.SetText3(u"x");
  } else {
    vantrel::TypePassword(form, password);
  }
  form.SetText1(plain);
  form.Encode_Click();
  if (host.failed)
    return std::nullopt;
  return form.Text2();
}

HWND Window() {
  return FindWindowW(vantrel::win::MainWindow::kClassName, L"Vantrel");
}

// Field n (1 to 3) in tab order, or the window itself for 0.
HWND Field(HWND window, int n) {
  HWND child = window;
  for (int i = 0; i < n && child != nullptr; ++i)
    child = GetNextDlgTabItem(window, i == 0 ? nullptr : child, FALSE);
  return child;
}

Text TextOf(HWND control) {
  std::vector<wchar_t> buffer(1 << 20);
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXT, buffer.size(),
                           reinterpret_cast<LPARAM>(buffer.data()), SMTO_ABORTIFHUNG, 5000,
                           &copied))
    return {};
  return Text(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(copied));
}

std::optional<Text> ClipboardText() {
  if (!OpenClipboard(nullptr))
    return std::nullopt;
  std::optional<Text> text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* units = static_cast<const char16_t*>(GlobalLock(data))) {
      text = Text(units);
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

bool SetClipboardText(const Text& text) {
  const std::size_t bytes = (text.size() + 1) * sizeof(char16_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  void* data = memory != nullptr ? GlobalLock(memory) : nullptr;
  if (data == nullptr || !OpenClipboard(nullptr))
    return false;
  std::memcpy(data, text.c_str(), bytes);
  GlobalUnlock(memory);
  EmptyClipboard();
  const bool set = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  CloseClipboard();
  return set;
}

// The centre of the close button, found by asking the window what lies
// where along the top of its frame.
std::optional<POINT> CloseButton(HWND window) {
  RECT frame{};
  GetWindowRect(window, &frame);
  RECT button{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
  for (LONG y = frame.top; y < frame.top + 64; ++y) {
    for (LONG x = frame.right - 96; x < frame.right; ++x) {
      DWORD_PTR hit = 0;
      if (SendMessageTimeoutW(window, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG, 1000,
                              &hit) &&
          hit == HTCLOSE) {
        button = {std::min(button.left, x), std::min(button.top, y), std::max(button.right, x),
                  std::max(button.bottom, y)};
      }
    }
  }
  if (button.left > button.right)
    return std::nullopt;
  return POINT{(button.left + button.right) / 2, (button.top + button.bottom) / 2};
}

// The message box owned by the window, waiting for it a little.
HWND Box(HWND window) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    for (HWND box = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); box != nullptr;
         box = FindWindowExW(nullptr, box, L"#32770", nullptr)) {
      if (GetWindow(box, GW_OWNER) == window && IsWindowVisible(box))
        return box;
    }
    Sleep(50);
  }
  return nullptr;
}

bool HasIcon(HWND box) {
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    const auto style = GetWindowLongW(child, GWL_STYLE);
    if ((style & SS_TYPEMASK) == SS_ICON && (style & WS_VISIBLE) != 0 &&
        SendMessageW(child, STM_GETICON, 0, 0) != 0)
      return true;
  }
  return false;
}

// Milliseconds on a steady clock.
double Now() {
  LARGE_INTEGER count{}, frequency{};
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

int Watch(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  const double start = Now();
  RECT last{};
  while (Now() - start < 60000 && IsWindow(window)) {
    RECT frame{};
    if (GetWindowRect(window, &frame) && !EqualRect(&frame, &last)) {
      last = frame;
      std::printf("%ld %ld %ld %ld %.1f\n", frame.left, frame.top, frame.right - frame.left,
                  frame.bottom - frame.top, Now() - start);
      std::fflush(stdout);
    }
    Sleep(1);
  }
  DWORD status = STILL_ACTIVE;
  if (process != nullptr && WaitForSingleObject(process, 10000) == WAIT_OBJECT_0) {
    std::printf("ended %.1f\n", Now() - start);
    GetExitCodeProcess(process, &status);
  }
  std::printf("exit %lu\n", status);
  return 0;
}

bool PrintProgram(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  wchar_t path[32768];
  auto size = static_cast<DWORD>(std::size(path));
  const bool found = process != nullptr && QueryFullProcessImageNameW(process, 0, path, &size);
  if (process != nullptr)
    CloseHandle(process);
  if (!found)
    return false;
  std::string utf8(4 * size, '\0');
  utf8.resize(static_cast<std::size_t>(
      WideCharToMultiByte(CP_UTF8, 0, path, static_cast<int>(size), utf8.data(),
                          static_cast<int>(utf8.size()), nullptr, nullptr)));
  std::printf("%s\n", utf8.c_str());
  return true;
}

// Waits up to a minute for a shown window titled `title` with an enabled
// button labelled `label`, then clicks it as the mouse would, without waiting
// for what the click opens.
bool ClickButton(const Text& title, const Text& label) {
  const std::wstring caption(title.begin(), title.end());
  for (DWORD start = GetTickCount(); GetTickCount() - start < 60000; Sleep(100)) {
    HWND window = FindWindowW(nullptr, caption.c_str());
    if (window == nullptr || !IsWindowVisible(window))
      continue;
    for (HWND child = FindWindowExW(window, nullptr, L"Button", nullptr); child != nullptr;
         child = FindWindowExW(window, child, L"Button", nullptr)) {
      if (IsWindowVisible(child) && IsWindowEnabled(child) && TextOf(child) == label) {
        PostMessageW(child, BM_CLICK, 0, 0);
        return true;
      }
    }
  }
  return false;
}

int Usage() {
  std::fputs(
      "usage: win_probe [--utf8] clip-get | clip-set | clip-hold [MS] | encode PASSWORD | "
      "mail-safe |\n"
      "       field N | key TEXT | where N | where close | box | watch | close | program |\n"
      "       click TITLE TEXT\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  if (argc > 1 && std::string(argv[1]) == "--utf8") {
    inUtf8 = true;
    --argc;
    ++argv;
  }
  if (argc < 2)
    return Usage();
  const std::string command = argv[1];
  const std::string arg = argc > 2 ? argv[2] : "";
  const Text argText(arg.begin(), arg.end());

  if (command == "clip-get") {
    const auto text = ClipboardText();
    return text && Print(*text) ? 0 : 1;
  }
  if (command == "clip-set")
    return SetClipboardText(ReadInput()) ? 0 : 1;
  if (command == "clip-hold") {
    while (!OpenClipboard(nullptr))
      Sleep(10);
    std::puts("held");
    std::fflush(stdout);
    if (argc > 2)
      Sleep(static_cast<DWORD>(std::atoi(argv[2])));
    else
      ReadInput();
    CloseClipboard();
    return 0;
  }
  if (command == "mail-safe") {
    vantrel::ByteArray bytes;
    for (const char16_t unit : ReadInput())
      bytes.push_back(static_cast<std::uint8_t>(vantrel::AnsiCode(unit)));
    return Print(vantrel::MailSafeForm(bytes, u"\n")) ? 0 : 1;
  }
  if (command == "encode" && argc == 3) {
    const auto code = Encode(argText, 0, ReadInput());
    return code && Print(*code) ? 0 : 1;
  }

  if (command == "click" && argc == 4) {
    const std::string label = argv[3];
    return ClickButton(argText, Text(label.begin(), label.end())) ? 0 : 1;
  }

  HWND window = Window();
  if (window == nullptr) {
    std::fputs("win_probe: no Vantrel window\n", stderr);
    return 1;
  }
  const int n = std::atoi(arg.c_str());
  if (command == "field" && argc == 3)
    return Print(TextOf(Field(window, n))) ? 0 : 1;
  if (command == "key" && argc == 3) {
    const Text code = TextOf(Field(window, 2));
    for (std::int16_t key = 0; key < 100; ++key) {
      if (Encode({}, key, argText) == code) {
        std::printf("%d\n", key);
        return 0;
      }
    }
    std::puts("none");
    return 1;
  }
  if (command == "where" && arg == "close") {
    const auto button = CloseButton(window);
    if (!button)
      return 1;
    std::printf("%ld %ld\n", button->x, button->y);
    return 0;
  }
  if (command == "where" && argc == 3) {
    RECT frame{};
    if (!GetWindowRect(Field(window, n), &frame))
      return 1;
    std::printf("%ld %ld\n", (frame.left + frame.right) / 2, (frame.top + frame.bottom) / 2);
    return 0;
  }
  if (command == "box") {
    HWND box = Box(window);
    if (box == nullptr) {
      std::puts("none");
      return 1;
    }
    std::fputs("title ", stdout);
    Print(TextOf(box));
    std::fputs("\ntext ", stdout);
    Print(TextOf(GetDlgItem(box, 0xFFFF)));
    std::printf("\nicon %s\nmodal %s\n", HasIcon(box) ? "yes" : "no",
                IsWindowEnabled(window) ? "no" : "yes");
    return 0;
  }
  if (command == "watch")
    return Watch(window);
  if (command == "close") {
    PostMessageW(window, WM_CLOSE, 0, 0);
    return Watch(window);
  }
  if (command == "program")
    return PrintProgram(window) ? 0 : 1;
  return Usage();
}
