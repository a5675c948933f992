#pragma once
// Owns the objects behind opaque handles, so that a stale or foreign handle is refused instead
// of being followed, and every object has one owner until its handle is closed.
#include <map>
#include <memory>
#include <mutex>

namespace codec {

template <typename T>
class HandleRegistry {
 public:
  // Takes the object; its address is its handle.
  T* Add(std::unique_ptr<T> object) {
    std::lock_guard lock(mutex_);
    T* handle = object.get();
    live_.emplace(handle, std::move(object));
    return handle;
  }
  // Destroys the object behind a live handle; false for a handle that is not live.
  bool Remove(T* object) {
    std::unique_ptr<T> gone;
    {
      std::lock_guard lock(mutex_);
      const auto found = live_.find(object);
      if (found == live_.end()) return false;
      gone = std::move(found->second);
      live_.erase(found);
    }
    return true;  // destroyed here, outside the lock
  }
  bool Contains(T* object) {
    std::lock_guard lock(mutex_);
    return object && live_.count(object) == 1;
  }

 private:
  std::mutex mutex_;
  std::map<T*, std::unique_ptr<T>> live_;
};

}  // namespace codec
