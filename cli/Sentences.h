#pragma once

// What the window says, as a terminal user reads it: every message of the
// window model in one sentence of the tool's own, chosen by the message's
// identity, with the window's wording in quotes where that helps to match
// the two. The tool prefixes each with its name.

#include <string>
#include <string_view>

#include "Convert.h"
#include "app/Messages.h"

namespace vantrel::cli {

// One line, no newline.
std::string Sentence(const Message& message);

// The refusal, under --compatible, of a character that only the any-text
// form carries.
std::string NeedsAnyTextForm(const OutsideCodePage& where);

// A file name, or anything else the user typed, as a message may show it:
// the characters a refusal names by number (controls, and the invisible
// and direction-changing ones) as U+XXXX, and bytes that are not UTF-8 as
// \xHH, so that no name can send its own instructions to the terminal.
std::string Shown(std::string_view name);

}  // namespace vantrel::cli
