#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "Text.h"

namespace vantrel {

// An error that ends a handler: a number and a description, which is all the
// error report shows of it. Expected problems never travel this way; they are
// answered with a message box by the command that meets them.
class Error : public std::exception {
 public:
  Error(std::int32_t number, Text description);

  std::int32_t Number() const noexcept { return number_; }
  const Text& Description() const noexcept { return description_; }
  // The description with every code unit above 127 shown as "?".
  const char* what() const noexcept override { return narrow_.c_str(); }

 private:
  std::int32_t number_;
  Text description_;
  std::string narrow_;
};

// Errors of the program's own arithmetic and bookkeeping.
inline constexpr std::int32_t kInvalidCallNumber = 5;
inline constexpr std::int32_t kOverflowNumber = 6;
inline constexpr std::int32_t kOutOfMemoryNumber = 7;
inline constexpr std::int32_t kSubscriptNumber = 9;
inline constexpr std::int32_t kInternalErrorNumber = 51;
inline constexpr std::int32_t kInvalidPropertyNumber = 380;
inline constexpr std::int32_t kClipboardNumber = 521;

// A count that does not fit its integer type: the window's 16-bit counters
// (the key sum, a shift pass's length and position) and the codec's 32-bit
// counts. Such a value is this error, never a wrapped value.
Error OverflowError();

// A value a window property cannot take, such as a geometry the window
// system refuses; the closing animation skips the step that met it.
Error InvalidPropertyValue();

// The clipboard stayed busy or refused the text.
Error ClipboardError();

}  // namespace vantrel
