#pragma once

#include <string>

namespace kobre::platform {

// The single-instance guard: an exclusive flock on a lock file named after
// the mutex ("KOBRE_MUTEX_OBJECT") in $XDG_RUNTIME_DIR, else /tmp, held for
// the life of the object.
class InstanceLock {
 public:
  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // True when this process now holds the lock; false when another copy does
  // (or the lock file cannot be made).
  bool acquire(const std::string& name, const std::string& folder = {});
  void release();
  bool held() const { return fd_ >= 0; }

  static std::string defaultFolder();

 private:
  int fd_ = -1;
};

}  // namespace kobre::platform
