#pragma once

// How a multi-line field shows the text the window model holds, and back.
//
// Text widgets lose some characters on a round trip: a lone CR becomes a line
// break, other control characters vanish or turn into blanks, and Qt's
// documents take U+2029, U+FDD0 and U+FDD1 for paragraph breaks. Codes hold
// control characters routinely, and a field holds any text, so the widgets
// never see those characters. A field's widget holds the display form of the
// model's text instead:
//
//   model                              display
//   CR LF                              line break ("\n")
//   LF not after CR                    U+240A (the LF picture), line break
//   other codes 0..31 (lone CR too)    U+2400 + code (the control pictures)
//   127                                U+2421 (the DEL picture)
//   0x81, 0x8D, 0x8F, 0x90, 0x9D       U+2460 .. U+2464 (circled 1 to 5)
//   one of those pictures itself,      U+2060 (word joiner, which draws
//     U+2060 or U+2028                   nothing), then the character
//   U+2029                             U+2060, line break
//   U+FDD0, U+FDD1                     U+2060, then U+2426, U+2425
//   any other character                itself
//
// So a real "␉" or "①" stays that character and never turns into the tab or
// the control character whose stand-in it is. No Qt here: these functions
// are plain C++ over Text so that they can be fuzzed on their own.

#include "codec/Text.h"

namespace vantrel {

// The stand-in shown before the line break of a lone LF.
inline constexpr char16_t kLineFeedMark = 0x240A;
// Shown before a character that would otherwise be read as a stand-in or a
// line break, so that it reads back as itself.
inline constexpr char16_t kLiteralMark = 0x2060;

// True for the units a widget uses to break a line: LF, and the paragraph
// (U+2029) and line (U+2028) separators of Qt's text documents.
bool IsLineBreak(char16_t unit);

// The display form of a field's text. Defined for any text, lone surrogates
// included. FromDisplay(ToDisplay(t)) == t for every t.
Text ToDisplay(const Text& model);

// The field text a display form stands for. Defined for any text, including
// forms a user's editing leaves behind: a line break (LF, U+2028 or U+2029)
// not after one of the marks is CR LF; the LF mark alone is LF; every
// stand-in is its character; the literal mark before a character that needs
// it is that character, and alone is itself; any other character is itself.
// ToDisplay(FromDisplay(d)) == d for every d that ToDisplay produced.
Text FromDisplay(const Text& display);

}  // namespace vantrel
