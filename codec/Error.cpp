#include "Error.h"

#include <utility>

namespace vantrel {

Error::Error(std::int32_t number, Text description)
    : number_(number), description_(std::move(description)) {
  narrow_.reserve(description_.size());
  for (const char16_t unit : description_) {
    narrow_.push_back(unit < 128 ? static_cast<char>(unit) : '?');
  }
}

Error OverflowError() {
  return Error(kOverflowNumber, u"Overflow");
}

Error InvalidPropertyValue() {
  return Error(kInvalidPropertyNumber, u"Invalid property value");
}

Error ClipboardError() {
  return Error(kClipboardNumber, u"Can't open Clipboard");
}

}  // namespace vantrel
