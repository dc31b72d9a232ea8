#pragma once

// What the window says, as a terminal user reads it: every message of the
// window model in one sentence of the tool's own, chosen by the message's
// identity, with the window's wording in quotes where that helps to match
// the two. The tool prefixes each with its name.

#include <string>

#include "Convert.h"
#include "app/Messages.h"

namespace vantrel::cli {

// One line, no newline.
std::string Sentence(const Message& message);

// The refusal of a character the window's code page lacks.
std::string NotInCodePage(const OutsideCodePage& where);

}  // namespace vantrel::cli
