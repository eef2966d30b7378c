#include "platform/posix/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace kobre::platform {
namespace {

constexpr const char* kLockName = "KOBRE_MUTEX_OBJECT";

bool writableFolder(const char* dir) {
  struct stat st;
  return dir && *dir && ::stat(dir, &st) == 0 && S_ISDIR(st.st_mode) && ::access(dir, W_OK) == 0;
}

std::string describe(const std::string& path, int error) {
  return path + ": " + std::strerror(error);
}

}  // namespace

InstanceLock::~InstanceLock() {
  release();
}

std::string InstanceLock::defaultPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (writableFolder(runtime)) return std::string(runtime) + "/" + kLockName;
  // The temporary folder is shared by every user of the machine: the name
  // carries the user id so that each user has a lock of their own.
  const char* tmp = std::getenv("TMPDIR");
  std::string folder = writableFolder(tmp) ? tmp : "/tmp";
  return folder + "/" + kLockName + "." + std::to_string(::geteuid());
}

InstanceLock::Result InstanceLock::lockOpened(int fd, const std::string& path) {
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int e = errno;
    ::close(fd);
    if (e == EWOULDBLOCK) return Result::HeldElsewhere;
    error_ = describe(path, e);
    return Result::Unavailable;
  }
  fd_ = fd;
  return Result::Acquired;
}

InstanceLock::Result InstanceLock::acquire(const std::string& path) {
  release();
  error_.clear();
  // No symlinks: in a shared folder one could point anywhere.
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    error_ = describe(path, errno);
    return Result::Unavailable;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
    ::close(fd);
    error_ = path + ": not a file of this user";
    return Result::Unavailable;
  }
  return lockOpened(fd, path);
}

InstanceLock::Result InstanceLock::acquireFolder(const std::string& folder) {
  release();
  error_.clear();
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    error_ = describe(folder, errno);
    return Result::Unavailable;
  }
  return lockOpened(fd, folder);
}

void InstanceLock::release() {
  if (fd_ >= 0) {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
  }
}

}  // namespace kobre::platform
