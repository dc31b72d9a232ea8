#pragma once

// How a multi-line field shows the text the window model holds, and back.
//
// Text widgets lose some characters on a round trip: a lone CR becomes a line
// break, other control characters vanish or turn into blanks. Codes hold such
// characters routinely, so the widgets never see them. A field's widget holds
// the display form of the model's text instead:
//
//   model                              display
//   CR LF                              line break ("\n")
//   LF not after CR                    U+240A (the LF picture), line break
//   other codes 0..31 (lone CR too)    U+2400 + code (the control pictures)
//   127                                U+2421 (the DEL picture)
//   0x81, 0x8D, 0x8F, 0x90, 0x9D       U+2460 .. U+2464 (circled 1 to 5)
//   any other character                itself
//
// Fields only hold Windows-1252 characters and none of the stand-ins is one,
// so a stand-in can never be taken for a real character. No Qt here: these
// functions are plain C++ over Text so that they can be fuzzed on their own.

#include "codec/Text.h"

namespace vantrel {

// The stand-in shown before the line break of a lone LF.
inline constexpr char16_t kLineFeedMark = 0x240A;

// True for the units a widget uses to break a line: LF, and the paragraph
// (U+2029) and line (U+2028) separators of Qt's text documents.
bool IsLineBreak(char16_t unit);

// The display form of a field's text. Defined for any text: a character
// outside the code page shows as "?", as the field would store it.
// FromDisplay(ToDisplay(t)) == ToCodePage(t) for every t.
Text ToDisplay(const Text& model);

// The field text a display form stands for. Defined for any text, including
// forms a user's editing leaves behind: a line break (LF, U+2028 or U+2029)
// not after the LF mark is CR LF; the LF mark alone is LF; every stand-in is
// its character; any other character goes through the code page ("?" when
// the page lacks it). ToDisplay(FromDisplay(d)) == d for every d that
// ToDisplay produced.
Text FromDisplay(const Text& display);

}  // namespace vantrel
