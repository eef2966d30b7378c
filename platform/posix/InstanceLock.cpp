#include "platform/posix/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

namespace kobre::platform {

InstanceLock::~InstanceLock() {
  release();
}

std::string InstanceLock::defaultFolder() {
  const char* dir = std::getenv("XDG_RUNTIME_DIR");
  if (dir && *dir && ::access(dir, W_OK) == 0) return dir;
  return "/tmp";
}

bool InstanceLock::acquire(const std::string& name, const std::string& folder) {
  release();
  std::string path = (folder.empty() ? defaultFolder() : folder) + "/" + name;
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

void InstanceLock::release() {
  if (fd_ >= 0) {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
  }
}

}  // namespace kobre::platform
