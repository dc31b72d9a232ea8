// Prints the code the window model makes of a text (read from standard
// input, one byte per character) when the password is typed as the first
// argument, key by key. The real-window test compares the window's code
// with it.

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

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fputs("usage: ui_expected_code PASSWORD < TEXT\n", stderr);
    return 2;
  }
  QuietHost host;
  vantrel::Form1 form(host);
  const std::string keys = argv[1];
  vantrel::TypePassword(form, vantrel::Text(keys.begin(), keys.end()));
  const std::string input((std::istreambuf_iterator<char>(std::cin)),
                          std::istreambuf_iterator<char>());
  form.SetText1(vantrel::Text(input.begin(), input.end()));
  form.Encode_Click();
  if (host.failed)
    return 1;
  for (const char16_t unit : form.Text2())
    std::putchar(static_cast<unsigned char>(vantrel::AnsiCode(unit)));
  return 0;
}
