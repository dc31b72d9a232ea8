#pragma once

// The codes a shift pass brings back unchanged, shared by the passes (which
// take a fast path for them) and by Encode (which refuses any other).

#include <string_view>

namespace vantrel {

inline constexpr int kLowCode = 10;
inline constexpr int kHighCode = 125;
inline constexpr int kWrap = kHighCode + 1 - kLowCode;  // 116

// True when every unit of text lies from kLowCode to kHighCode. Branch-free,
// so that it vectorises: it runs over every text a command handles.
inline bool AllShiftable(std::u16string_view text) {
  constexpr auto from = static_cast<char16_t>(kLowCode);
  constexpr auto span = static_cast<char16_t>(kHighCode - kLowCode);
  char16_t outside = 0;
  for (const char16_t unit : text) {
    outside |= static_cast<char16_t>(static_cast<char16_t>(unit - from) > span);
  }
  return outside == 0;
}

}  // namespace vantrel
