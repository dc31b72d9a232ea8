// What the window model makes of a text, for the real-window tests:
//
//   ui_expected_code PASSWORD < TEXT   prints the code of TEXT when PASSWORD
//                                      is typed into a fresh window, key by key;
//   ui_expected_code --key TEXT < CODE prints the key (0 to 99) with which
//                                      Encode turns TEXT into CODE.
//
// Texts and codes are one byte per character, in the fields' code page.

#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>

#include "app/AnsiCodePage.h"
#include "app/Form1.h"

namespace {

// A host for a model that only encodes: no box may show, nothing else is used.
class QuietHost : public vantrel::WindowlessHost {
 public:
  void MsgBox(const vantrel::Message& message) override {
    std::string narrow(message.text.begin(), message.text.end());
    std::fprintf(stderr, "message box: %s\n", narrow.c_str());
    failed = true;
  }
  void ClipboardClear() override {}
  void ClipboardSetText(const vantrel::Text&) override {}
  void End() override { failed = true; }
  bool failed = false;
};

vantrel::Text FromBytes(const std::string& bytes) {
  vantrel::Text text;
  for (const char byte : bytes)
    text.push_back(vantrel::AnsiChar(static_cast<unsigned char>(byte)));
  return text;
}

std::string ReadAll() {
  return std::string((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
}

// The code of `plain` in a window whose keystrokes so far add up to `key`.
bool Encode(int key, const vantrel::Text& plain, vantrel::Text& code) {
  QuietHost host;
  vantrel::Form1 form(host);
  form.Text3_KeyPress(static_cast<std::int16_t>(key));
  form.SetText3(u"*");
  form.SetText1(plain);
  form.Encode_Click();
  code = form.Text2();
  return !host.failed;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc == 3 && std::string(argv[1]) == "--key") {
    const vantrel::Text plain = FromBytes(argv[2]);
    const vantrel::Text wanted = FromBytes(ReadAll());
    int found = -1;
    for (int key = 0; key < 100; ++key) {
      vantrel::Text code;
      if (!Encode(key, plain, code))
        return 1;
      if (code != wanted)
        continue;
      if (found >= 0) {
        std::fprintf(stderr, "keys %d and %d give the same code\n", found, key);
        return 1;
      }
      found = key;
    }
    if (found < 0) {
      std::fputs("no key gives this code\n", stderr);
      return 1;
    }
    std::printf("%d\n", found);
    return 0;
  }
  if (argc != 2) {
    std::fputs(
        "usage: ui_expected_code PASSWORD < TEXT\n       ui_expected_code --key TEXT < CODE\n",
        stderr);
    return 2;
  }
  QuietHost host;
  vantrel::Form1 form(host);
  vantrel::TypePassword(form, FromBytes(argv[1]));
  form.SetText1(FromBytes(ReadAll()));
  form.Encode_Click();
  if (host.failed)
    return 1;
  for (const char16_t unit : form.Text2())
    std::putchar(static_cast<unsigned char>(vantrel::AnsiCode(unit)));
  return 0;
}
