#pragma once

// Texts of every kind, one a row, shared by the window model's and the
// tool's tests: each must come back exactly.

#include "codec/Text.h"

namespace vantrel {

// clang-format off
inline const Text kEveryKindOfText[] = {
    u"I\u2019m \u201Cfine\u201D \u2014 caf\u00E9\u2026",                    // curly quotes, dash, accent
    u"M\u00FCller, S\u00E3o Paulo, \u0141\u00F3d\u017A",                    // accented Latin
    u"tab\there ~tilde~ a\u00A0b \u20AC5 \u00A3",                           // tab, "~", NBSP, currency
    u"\u039A\u03B1\u03BB\u03B7 \u041F\u0440\u0438\u0432\u0435\u0442",      // Greek, Cyrillic
    u"\u0645\u0631\u062D\u0628\u0627 \u05E9\u05DC\u05D5\u05DD",            // Arabic, Hebrew
    u"\u0928\u092E\u0938\u094D\u0924\u0947 \u0E2A\u0E27\u0E31\u0E2A",      // Devanagari, Thai
    u"\u4F60\u597D\u4E16\u754C \uC548\uB155\uD558\uC138\uC694",            // CJK, Hangul
    u"\U0001F44B\U0001F3FD \U0001F469\u200D\U0001F469\u200D\U0001F467",    // skin tone, joiners
    u"e\u0301 a\u0308\u0323 \U00010348 \U0010FFFF",                         // combining, above U+FFFF
    u"one\r\ntwo\nthree\rfour\r\n",                                         // line ends in every mix
    Text(u"nul\0inside", 10),                                               // NUL
    u"\x0E\x0F shift characters \x1F\x1E",                                  // the form's own controls
    u"\x1F\x1E" u"plain after the marker's first two",                      // looks like a form's start
    u"\x1F\x1E" u"This text needs a newer Vantrel.\r\n\x0E" u"AGk\x0F",     // a form as a text
};
// clang-format on

}  // namespace vantrel
