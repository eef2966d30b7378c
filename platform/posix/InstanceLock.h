#pragma once

#include <string>

namespace kobre::platform {

// An exclusive flock held for the life of the object. The desktop program
// locks "KOBRE_MUTEX_OBJECT" in the user's runtime folder so that one copy
// plays at a time; headless runs lock the folder they write to instead.
class InstanceLock {
 public:
  enum class Result {
    Acquired,       // this process holds the lock now
    HeldElsewhere,  // another process holds it: a second copy
    Unavailable,    // the lock could not be made; see error()
  };

  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Locks the file at path, made (mode 0600) when missing. A file owned by
  // another user is not used: it could be held to keep this user out.
  Result acquire(const std::string& path);
  // Locks an existing folder itself: no file is left in it.
  Result acquireFolder(const std::string& folder);
  void release();
  bool held() const { return fd_ >= 0; }
  // Why the last acquire gave Unavailable.
  const std::string& error() const { return error_; }

  // The desktop lock: "KOBRE_MUTEX_OBJECT" in $XDG_RUNTIME_DIR when that is
  // a writable folder, otherwise "KOBRE_MUTEX_OBJECT.<uid>" in $TMPDIR or /tmp.
  static std::string defaultPath();

 private:
  Result lockOpened(int fd, const std::string& path);

  int fd_ = -1;
  std::string error_;
};

}  // namespace kobre::platform
