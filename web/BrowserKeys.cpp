#include "BrowserKeys.h"

#include "app/AnsiCodePage.h"
#include "app/Form1.h"

namespace vantrel {
namespace {

// Ctrl (without Alt) with a key: the key as the US layout names it, and
// the characters that gives.
Text ControlCharacter(std::u16string_view key, std::u16string_view code, bool shift) {
  if (key.size() == 1) {
    // A letter of another script: Windows names the letter key by the US
    // letter at its place, which the key's code names ("KeyA").
    if (key[0] > 0x7F && code.size() == 4 && code.starts_with(u"Key"))
      return vantrel::ControlCharacter(code[3], shift);
    return vantrel::ControlCharacter(key[0], shift);
  }
  if (key == u"Escape")
    return vantrel::ControlCharacter(u'\x1B', shift);
  if (key == u"Backspace")
    return vantrel::ControlCharacter(u'\b', shift);
  if (key == u"Enter")
    return vantrel::ControlCharacter(u'\r', shift);
  return {};
}

// The accents a dead key puts on a letter: the combining mark Unicode
// decomposes the letter into, and the character the accent types alone.
struct Accent {
  char16_t mark, accent;
};
constexpr Accent kAccents[] = {
    {0x0300, u'`'}, {0x0301, u'\u00B4'}, {0x0302, u'^'},
    {0x0303, u'~'}, {0x0308, u'\u00A8'}, {0x0327, u'\u00B8'},
};

char16_t AccentOf(char16_t mark) {
  for (const Accent& accent : kAccents) {
    if (accent.mark == mark)
      return accent.accent;
  }
  return 0;
}

bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

Text KeyCharacters(std::u16string_view key, std::u16string_view code, unsigned modifiers) {
  // Alt with a key is a system key on Windows (a menu access key or nothing),
  // and Ctrl+Alt is AltGr there: whatever text it makes arrives as text. The
  // logo key belongs to the system.
  if ((modifiers & (kAlt | kAltGraph | kMeta)) != 0)
    return {};
  if ((modifiers & kCtrl) != 0)
    return ControlCharacter(key, code, (modifiers & kShift) != 0);
  if (key == u"Backspace")
    return u"\b";
  if (key == u"Enter")
    return u"\r";
  if (key == u"Escape")
    return u"\x1B";
  return {};
}

Text InsertedCharacters(std::u16string_view inserted, std::u16string_view decomposed,
                        bool afterDeadKey) {
  bool inPage = true;
  for (const char16_t unit : inserted)
    inPage = inPage && InCodePage(unit);
  if (afterDeadKey && !inPage && decomposed.size() == 2 && InCodePage(decomposed[0]) &&
      decomposed[0] >= 0x20) {
    if (const char16_t accent = AccentOf(decomposed[1]); accent != 0)
      return Text{accent, decomposed[0]};
  }
  Text typed;
  for (std::size_t i = 0; i < inserted.size(); ++i) {
    const char16_t unit = inserted[i];
    if (IsHighSurrogate(unit) && i + 1 < inserted.size() && IsLowSurrogate(inserted[i + 1]))
      ++i;
    typed.push_back(InCodePage(unit) ? unit : u'?');
  }
  return typed;
}

}  // namespace vantrel
