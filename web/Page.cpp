// The binding of the window model to the browser page: the page's script
// shows the fields, the menu and the dialogs and forwards the user's events
// here; everything the window decides is decided by Form1, as in the other
// windows. Exposed to the script with embind as the class Page.
//
// Message boxes: a page cannot wait inside a handler for a dialog to close.
// Every message box is the last thing its handler does (the error report is
// followed only by the end of the program; Decode still gives a pasted block
// back to the code field), so MsgBox records the message and the script
// shows the recorded dialogs, one after the other, once the handler has
// returned and the fields show what it left in them.

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <new>
#include <utility>
#include <vector>

#include "app/AnsiCodePage.h"
#include "app/Form1.h"
#include "codec/Error.h"
#include "codec/MailSafe.h"
#include "ui/FieldText.h"
#include "web/BrowserKeys.h"

namespace vantrel {
namespace {

using emscripten::val;

const char* IconName(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Critical:
      return "critical";
    case MsgIcon::Exclamation:
      return "exclamation";
    case MsgIcon::Information:
      return "information";
    case MsgIcon::None:
      break;
  }
  return "none";
}

// The menu's commands, numbered as the script names them.
enum class Command { Encode, Decode, Copy, CopyForMail };

class Page final : public WindowlessHost {
 public:
  // copyText(text) puts text on the clipboard exactly and says whether the
  // browser let it.
  explicit Page(val copyText) : copyText_(std::move(copyText)) {}

  // The caption, the title of the page and of every dialog.
  static std::u16string Caption() { return kCaption; }

  // A key pressed in the password field: reports the control characters it
  // types and returns them.
  std::u16string KeyDown(const std::u16string& key, const std::u16string& code,
                         unsigned modifiers) {
    Text typed = KeyCharacters(key, code, modifiers);
    Guard([&] { Report(typed); });
    return typed;
  }

  // Text inserted into the password field by typing (not by pasting).
  void Inserted(const std::u16string& text, const std::u16string& decomposed, bool afterDeadKey) {
    Guard([&] { Report(InsertedCharacters(text, decomposed, afterDeadKey)); });
  }

  // A deletion in the password field that no key event announced.
  void Deleted() {
    Guard([&] { Report(u"\b"); });
  }

  // Text that reached the password field without keys the page counted (a
  // browser filled it in, it was dropped there): the script has taken it
  // out again, and the user is told to type the password.
  void NotTyped() {
    Guard([&] { MsgBox(messages::PasswordNotTyped()); });
  }

  // The most characters a link's code or a paste into the code field may
  // have: those of the longest code's mail-safe form, with its line breaks.
  static std::size_t LongestInput() {
    static const std::size_t longest =
        MailSafeForm(ByteArray(kLongestCode, std::uint8_t{'A'}), u"\r\n").size();
    return longest;
  }

  // A link's code (fromLink) or a paste into the code field of `length`
  // characters, past LongestInput(): refused unread.
  void Oversized(bool fromLink, double length) {
    Guard([&] {
      MsgBox(messages::Oversized(fromLink, static_cast<std::size_t>(length), LongestInput()));
    });
  }

  // The password field's text after an edit.
  void SetPassword(const std::u16string& text) {
    Guard([&] { form_.SetText3(text); });
  }

  // Text1 (field 1) and Text2 (field 2) as their text areas show them.
  std::u16string Shown(int field) const { return ToDisplay(Field(field)); }

  // The user edited a text area: its text, any text, becomes the field's,
  // and the form the area should show is returned (it differs where the
  // edit left a form no text has, such as a mark without its line break).
  std::u16string Edited(int field, const std::u16string& shown) {
    std::u16string canonical = shown;
    Guard([&] {
      if (field == 1)
        form_.SetText1(FromDisplay(shown));
      else
        form_.SetText2(FromDisplay(shown));
      canonical = Shown(field);
    });
    return canonical;
  }

  // Text from the clipboard or a link as a text area shows it, and a text
  // area's selection as the text it stands for.
  static std::u16string ToShown(const std::u16string& text) { return ToDisplay(text); }
  static std::u16string FromShown(const std::u16string& shown) { return FromDisplay(shown); }

  // A command from the Tools menu. Returns the messages it showed, in
  // order, as Messages() does.
  val Run(int command) {
    Guard([&] {
      switch (static_cast<Command>(command)) {
        case Command::Encode:
          form_.Encode_Click();
          break;
        case Command::Decode:
          form_.Decode_Click();
          break;
        case Command::Copy:
          form_.CToC_Click();
          break;
        case Command::CopyForMail:
          form_.CopyForMail_Click();
          break;
      }
    });
    return Messages();
  }

  // The messages shown since the last call, in order, as {text, icon}
  // objects for the script's dialogs.
  val Messages() {
    val shown = val::array();
    for (const Message& message : std::exchange(messages_, {})) {
      val box = val::object();
      box.set("text", message.text);
      box.set("icon", IconName(message.icon));
      shown.call<void>("push", box);
    }
    return shown;
  }

  // True once the program has ended: no handler runs any more.
  bool Ended() const { return ended_; }

  void MsgBox(const Message& message) override { messages_.push_back(message); }
  void ClipboardClear() override {
    // Putting text on the browser's clipboard replaces all it held.
  }
  void ClipboardSetText(const Text& text) override {
    if (!copyText_(text).as<bool>())
      throw ClipboardBusy();
  }
  void End() override { ended_ = true; }

 private:
  const Text& Field(int field) const { return field == 1 ? form_.Text1() : form_.Text2(); }

  // Runs an event's work unless the program has ended. The model's handlers
  // catch their own errors; what the binding does around them (copying a
  // field's text) can only run out of memory; that, or anything else, is
  // reported as the model reports it, and the program ends.
  template <typename Work>
  void Guard(Work work) {
    if (ended_)
      return;
    try {
      work();
    } catch (const std::bad_alloc&) {
      MsgBox(messages::ErrorReport(Error(kOutOfMemoryNumber, u"Out of memory")));
      End();
    } catch (...) {
      MsgBox(messages::ErrorReport(Error(kInternalErrorNumber, u"Internal error")));
      End();
    }
  }

  void Report(const Text& typed) {
    for (const char16_t unit : typed) {
      if (ended_)
        return;
      form_.Text3_KeyPress(static_cast<std::int16_t>(AnsiCode(unit)));
    }
  }

  Form1 form_{*this};
  val copyText_;
  std::vector<Message> messages_;
  bool ended_ = false;
};

}  // namespace
}  // namespace vantrel

EMSCRIPTEN_BINDINGS(vantrel_page) {
  using vantrel::Page;
  emscripten::class_<Page>("Page")
      .constructor<emscripten::val>()
      .class_function("caption", &Page::Caption)
      .class_function("toShown", &Page::ToShown)
      .class_function("fromShown", &Page::FromShown)
      .function("keyDown", &Page::KeyDown)
      .function("inserted", &Page::Inserted)
      .function("deleted", &Page::Deleted)
      .class_function("longestInput", &Page::LongestInput)
      .function("notTyped", &Page::NotTyped)
      .function("oversized", &Page::Oversized)
      .function("setPassword", &Page::SetPassword)
      .function("shown", &Page::Shown)
      .function("edited", &Page::Edited)
      .function("run", &Page::Run)
      .function("messages", &Page::Messages)
      .function("ended", &Page::Ended);
}
