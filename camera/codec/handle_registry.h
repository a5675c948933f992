#pragma once
// Keeps the objects behind opaque handles, so that a stale or foreign handle is refused instead
// of being followed.
#include <mutex>
#include <set>

namespace codec {

template <typename T>
class HandleRegistry {
 public:
  void Add(T* object) {
    std::lock_guard lock(mutex_);
    live_.insert(object);
  }
  // True when the handle was live; it is not any more.
  bool Remove(T* object) {
    std::lock_guard lock(mutex_);
    return live_.erase(object) == 1;
  }
  bool Contains(T* object) {
    std::lock_guard lock(mutex_);
    return object && live_.count(object) == 1;
  }

 private:
  std::mutex mutex_;
  std::set<T*> live_;
};

}  // namespace codec
