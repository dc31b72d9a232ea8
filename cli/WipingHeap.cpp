// The tool's heap: every block is overwritten with zeros when it is freed,
// so that no freed copy of the password (or of a text) stays in memory.
// Built into vantrel-cli only. Each block carries its size in a header.

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

#include "Secret.h"

namespace {

constexpr std::size_t kHeader = alignof(std::max_align_t);
static_assert(kHeader >= sizeof(std::size_t));

void* Allocate(std::size_t size) {
  if (size > static_cast<std::size_t>(-1) - kHeader)
    throw std::bad_alloc();
  for (;;) {
    if (auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader))) {
      std::memcpy(block, &size, sizeof size);
      return block + kHeader;
    }
    const std::new_handler handler = std::get_new_handler();
    if (handler == nullptr)
      throw std::bad_alloc();
    handler();
  }
}

void* AllocateOrNull(std::size_t size) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}

void Free(void* p) noexcept {
  if (p == nullptr)
    return;
  auto* block = static_cast<unsigned char*>(p) - kHeader;
  std::size_t size = 0;
  std::memcpy(&size, block, sizeof size);
  vantrel::cli::WipeBytes(p, size);
  std::free(block);
}

}  // namespace

void* operator new(std::size_t size) {
  return Allocate(size);
}
void* operator new[](std::size_t size) {
  return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return AllocateOrNull(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return AllocateOrNull(size);
}
void operator delete(void* p) noexcept {
  Free(p);
}
void operator delete[](void* p) noexcept {
  Free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  Free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  Free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  Free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  Free(p);
}
