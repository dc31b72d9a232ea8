#include "Form1.h"

#include <chrono>
#include <new>
#include <utility>

#include "AnsiCodePage.h"
#include "codec/AnyText.h"
#include "codec/Error.h"

namespace vantrel {
namespace {

Text Widen(const char* text) {
  Text wide;
  for (; *text != '\0'; ++text)
    wide.push_back(static_cast<unsigned char>(*text));
  return wide;
}

}  // namespace

double Host::Seconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void Host::Place(float top, float left, float width, float height) {
  const auto attempt = [](auto step) {
    try {
      step();
    } catch (...) {
    }
  };
  attempt([&] { SetTop(top); });
  attempt([&] { SetLeft(left); });
  attempt([&] { SetWidth(width); });
  attempt([&] { SetHeight(height); });
}

void Form1::SetText1(Text text) {
  text1_ = std::move(text);
  text1IsBytesForm_ = false;
}
void Form1::SetText1Bytes(std::string_view bytes) {
  text1IsBytesForm_ = NeedsAnyBytesForm(bytes);
  if (text1IsBytesForm_) {
    text1_ = AnyBytesForm(bytes);
  } else {
    text1_.assign(bytes.begin(), bytes.end());
  }
}
void Form1::SetText2(Text text) {
  text2_ = std::move(text);
}
void Form1::SetText3(Text text) {
  text3_ = std::move(text);
}

void Form1::RestoreFields(Fields fields) {
  text1_ = std::move(fields.text1);
  text2_ = std::move(fields.text2);
}

void Form1::Run(const std::function<void()>& body) {
  try {
    body();
  } catch (const Error& error) {
    ErrorReport(error);
  } catch (const std::bad_alloc&) {
    ErrorReport(Error(kOutOfMemoryNumber, u"Out of memory"));
  } catch (const std::exception& error) {
    ErrorReport(Error(kInternalErrorNumber, u"Internal error: " + Widen(error.what())));
  } catch (...) {
    ErrorReport(Error(kInternalErrorNumber, u"Internal error"));
  }
}

void Form1::ErrorReport(const Error& error) {
  try {
    host_.MsgBox(messages::ErrorReport(error));
  } catch (...) {
    // The report could not be shown; the program still ends.
  }
  host_.End();
}

void TypePassword(Form1& form, std::u16string_view keys) {
  for (const char16_t key : keys) {
    form.Text3_KeyPress(static_cast<std::int16_t>(AnsiCode(key)));
    Text field = form.Text3();
    if (key == u'\b') {
      if (!field.empty())
        field.pop_back();
    } else {
      field.push_back(key);
    }
    form.SetText3(std::move(field));
  }
}

}  // namespace vantrel
