#include "platform/posix/StreamLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace kobre::platform {
namespace {

void writeLine(int fd, std::string_view line) {
  if (fd < 0) return;
  std::string out(line);
  out += '\n';
  size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::write(fd, out.data() + done, out.size() - done);
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

// Makes every missing folder of path (like mkdir -p).
bool makeFolders(const std::string& path) {
  for (size_t at = 1; at <= path.size(); ++at) {
    if (at != path.size() && path[at] != '/') continue;
    const std::string part = path.substr(0, at);
    if (::mkdir(part.c_str(), 0700) != 0) {
      struct stat st {};
      if (::stat(part.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    }
  }
  return true;
}

}  // namespace

void FdLog::write(std::string_view line) {
  writeLine(fd_, line);
}

FileLog::FileLog() {
  std::string folder;
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/') {
    folder = state;
  } else if (const char* home = std::getenv("HOME"); home && *home == '/') {
    folder = std::string(home) + "/.local/state";
  } else {
    return;
  }
  folder += "/kobre";
  if (!makeFolders(folder)) return;
  path_ = folder + "/kobre.log";
  fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
}

FileLog::~FileLog() {
  if (fd_ >= 0) ::close(fd_);
}

void FileLog::write(std::string_view line) {
  writeLine(fd_, line);
}

}  // namespace kobre::platform
