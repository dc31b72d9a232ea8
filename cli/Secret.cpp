#include "Secret.h"

#include <atomic>

namespace vantrel::cli {

void WipeBytes(void* data, std::size_t size) {
  volatile auto* bytes = static_cast<volatile unsigned char*>(data);
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = 0;
  std::atomic_signal_fence(std::memory_order_seq_cst);
}

void Wipe(std::string& bytes) {
  bytes.resize(bytes.capacity());  // the whole storage, within the string's rules
  WipeBytes(bytes.data(), bytes.size());
  bytes.clear();
}

void Wipe(Text& text) {
  text.resize(text.capacity());
  WipeBytes(text.data(), text.size() * sizeof(char16_t));
  text.clear();
}

void WipeInPlace(const Text& text) {
  // Writing through the const view is sound: the text itself is not const.
  WipeBytes(const_cast<char16_t*>(text.data()), text.size() * sizeof(char16_t));
}

[[gnu::noinline]] void WipeStack() {
  volatile unsigned char area[64 * 1024];
  for (auto& byte : area)
    byte = 0;
  std::atomic_signal_fence(std::memory_order_seq_cst);
}

}  // namespace vantrel::cli
