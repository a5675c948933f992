#pragma once
// Owners for what xcb hands over to be released with free(): replies, errors, events and the
// keycode lists of xcb-keysyms. Held from the line that receives them, every return frees them.
#include <cstdlib>
#include <memory>

namespace platform {

struct FreeDeleter {
  void operator()(void* block) const noexcept { std::free(block); }
};

template <typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter>;

// Takes over `reply`, which may be null (a failed request).
template <typename T>
XcbReply<T> Owned(T* reply) {
  return XcbReply<T>(reply);
}

}  // namespace platform
