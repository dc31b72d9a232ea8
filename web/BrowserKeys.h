#pragma once

// What the password field reports for the browser's keyboard events.
//
// The key is the sum of the codes of the characters typed into the field, so
// the page must report what Windows reports for the same keystrokes, or a
// code made in the browser would not decode in a window. A browser tells
// keys and text apart: a key event names the key pressed, and text arrives
// separately once the keyboard layout, a dead key, an input method or a
// phone's soft keyboard has made it. The page counts each where the browser
// is sure of it:
//
// - control characters from the key event: Backspace 8, Enter 13, Escape
//   27, and Ctrl with a letter, Backspace, Enter and a few others as Windows
//   gives them (KeyCharacters);
// - printable characters from the text inserted into the field, one count a
//   character, whatever made it: a key, AltGr, a dead key, a soft keyboard
//   or an input method (InsertedCharacters);
// - a deletion that no key event announced (a soft keyboard's) as
//   Backspace, which is how the same edit is typed on a PC.
//
// Text pasted into the field counts nothing; Ctrl+V itself counts 22.

#include <cstdint>
#include <string_view>

#include "codec/Text.h"

namespace vantrel {

// KeyboardEvent's modifier flags, as the page passes them.
enum KeyModifier : std::uint8_t {
  kCtrl = 1,
  kAlt = 2,
  kShift = 4,
  kMeta = 8,
  kAltGraph = 16,  // getModifierState("AltGraph"): AltGr on Linux and Windows
};

// The control characters a key event types, as Windows reports them with the
// US layout where layouts differ; empty when the key types no control
// character (printable keys type their text through the insertion instead).
// `key` and `code` are KeyboardEvent.key and .code.
Text KeyCharacters(std::u16string_view key, std::u16string_view code, unsigned modifiers);

// The characters counted for text inserted into the field. After a dead key,
// a letter the browser composed that the code page lacks counts as Windows
// types it, the accent and then the letter: `decomposed` is the text in
// Unicode's decomposed form (String.prototype.normalize("NFD")). A character
// outside the code page counts as "?" (63), as Windows counts it, though the
// field keeps the character; a pair of surrogates is one character.
Text InsertedCharacters(std::u16string_view inserted, std::u16string_view decomposed,
                        bool afterDeadKey);

}  // namespace vantrel
