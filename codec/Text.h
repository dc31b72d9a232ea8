#pragma once

#include <string>

namespace vantrel {

// Text as the window's fields hold it: a sequence of 16-bit code units.
using Text = std::u16string;

}  // namespace vantrel
