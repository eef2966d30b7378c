#include "platform/posix/PosixFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

#include "common/AsciiCase.h"
#include "common/Sjis.h"
#include "platform/posix/IconvTextCodec.h"

namespace kobre::platform {
namespace {

bool isAbsolute(std::string_view name) {
  return !name.empty() && name[0] == '/';
}

// Splits an engine name into its components. "\\" and "/" separate them only
// between characters: the second byte of a two-byte character may be 0x5C
// ("ソ" is 0x83 0x5C) and belongs to that character.
std::vector<std::string> splitName(std::string_view name) {
  std::vector<std::string> parts;
  std::string cur;
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (isWideLead(c) && i + 1 < name.size()) {
      cur += c;
      cur += name[++i];
    } else if (c == '\\' || c == '/') {
      if (!cur.empty()) parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  return parts;
}

bool isPureAscii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

std::string joinPath(const std::string& base, const std::string& part) {
  if (base.empty()) return part;
  if (base.back() == '/') return base + part;
  return base + "/" + part;
}

// Finds the entry of `dir` that matches `component` (CP932 bytes).
std::string matchComponent(const std::string& dir, const std::string& component) {
  if (component == "." || component == "..") return component;
  std::string utf8 = isPureAscii(component) ? component : cp932ToUtf8(component);
  struct stat st;
  if (::stat(joinPath(dir, utf8).c_str(), &st) == 0) return utf8;
  if (::stat(joinPath(dir, component).c_str(), &st) == 0) return component;
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return {};
  std::string found;
  while (dirent* e = ::readdir(d)) {
    std::string_view entry = e->d_name;
    if (equalsIgnoreAsciiCase(entry, utf8) || equalsIgnoreAsciiCaseSjis(entry, component)) {
      found = std::string(entry);
      break;
    }
  }
  ::closedir(d);
  return found;
}

class PosixFile : public File {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override { ::close(fd_); }
  int64_t read(void* buffer, int64_t bytes) override {
    if (bytes < 0) return -1;
    int64_t done = 0;
    while (done < bytes) {
      ssize_t r = ::read(fd_, static_cast<char*>(buffer) + done, bytes - done);
      if (r < 0) return -1;
      if (r == 0) break;
      done += r;
    }
    return done;
  }
  int64_t write(const void*, int64_t) override { return -1; }  // opened for reading
  bool seek(int64_t offset) override { return offset >= 0 && ::lseek(fd_, offset, SEEK_SET) >= 0; }
  int64_t tell() override { return ::lseek(fd_, 0, SEEK_CUR); }
  int64_t size() override {
    struct stat st;
    return ::fstat(fd_, &st) == 0 ? st.st_size : -1;
  }

 private:
  int fd_;
};

bool folderWritable(const std::string& folder) {
  return ::access(folder.empty() ? "." : folder.c_str(), W_OK) == 0;
}

// A file with no write bit at all counts as read-only.
bool isWritableMode(mode_t mode) {
  return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

// The folder part of a host path ("." for a bare name, "/" for the root).
std::string parentOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool makeFolders(const std::string& path) {
  std::string cur;
  std::stringstream ss(path);
  std::string part;
  if (!path.empty() && path[0] == '/') cur = "/";
  while (std::getline(ss, part, '/')) {
    if (part.empty()) continue;
    cur = joinPath(cur, part);
    if (::mkdir(cur.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return true;
}

}  // namespace

PosixFileSystem::PosixFileSystem(std::string gameFolder, std::string writableFolder)
    : gameFolder_(std::move(gameFolder)), writableFolder_(std::move(writableFolder)) {
  if (gameFolder_.empty()) gameFolder_ = ".";
  if (writableFolder_.empty()) {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (xdg && *xdg) {
      base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
      base = std::string(home) + "/.local/share";
    } else {
      base = "/tmp";
    }
    char real[PATH_MAX];
    std::string folder = gameFolder_;
    if (::realpath(gameFolder_.c_str(), real)) folder = real;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    std::string leaf = folder.substr(folder.find_last_of('/') + 1);
    if (leaf.empty()) leaf = "game";
    writableFolder_ = base + "/kobre/" + leaf;
  }
}

std::string PosixFileSystem::resolveExisting(const std::string& base, std::string_view name) {
  std::vector<std::string> parts = splitName(name);
  std::string path = isAbsolute(name) ? "/" : base;
  if (parts.empty()) return {};
  for (const std::string& part : parts) {
    std::string match = matchComponent(path, part);
    if (match.empty()) return {};
    path = joinPath(path, match);
  }
  return path;
}

std::string PosixFileSystem::resolveForWrite(const std::string& base, std::string_view name) {
  std::vector<std::string> parts = splitName(name);
  std::string path = isAbsolute(name) ? "/" : base;
  if (parts.empty()) return {};
  for (size_t i = 0; i < parts.size(); ++i) {
    std::string match = matchComponent(path, parts[i]);
    if (match.empty()) {
      // New from here on: keep the remaining components as they are spelled.
      for (size_t j = i; j < parts.size(); ++j)
        path = joinPath(path, isPureAscii(parts[j]) ? parts[j] : cp932ToUtf8(parts[j]));
      return path;
    }
    path = joinPath(path, match);
  }
  return path;
}

bool PosixFileSystem::gameFolderWritable() {
  return !readOnly_ && folderWritable(gameFolder_);
}

std::string PosixFileSystem::writeFolder() {
  return gameFolderWritable() ? gameFolder_ : writableFolder_;
}

std::string PosixFileSystem::readPath(std::string_view name) {
  if (!isAbsolute(name) && !gameFolderWritable()) {
    std::string p = resolveExisting(writableFolder_, name);
    if (!p.empty()) return p;
  }
  return resolveExisting(gameFolder_, name);
}

std::unique_ptr<File> PosixFileSystem::openRead(std::string_view name) {
  std::string path = readPath(name);
  if (path.empty()) return nullptr;
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  return std::make_unique<PosixFile>(fd);
}

bool PosixFileSystem::exists(std::string_view name) {
  std::string path = readPath(name);
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool PosixFileSystem::readAll(std::string_view name, std::vector<uint8_t>& out, uint64_t maxBytes) {
  out.clear();
  auto file = openRead(name);
  if (!file) return false;
  int64_t size = file->size();
  if (size < 0 || static_cast<uint64_t>(size) > maxBytes) return false;
  out.resize(static_cast<size_t>(size));
  if (file->read(out.data(), size) != size) {
    out.clear();
    return false;
  }
  return true;
}

std::string PosixFileSystem::writePath(std::string_view name) {
  return resolveForWrite(isAbsolute(name) ? std::string() : writeFolder(), name);
}

bool PosixFileSystem::canWrite(std::string_view name) {
  const std::string path = writePath(name);
  if (path.empty()) return false;
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) {
    // The mode bits decide even for root, who may write anything: a file
    // marked read-only stays as it is.
    return S_ISREG(st.st_mode) && isWritableMode(st.st_mode) && folderWritable(parentOf(path)) &&
           ::access(path.c_str(), W_OK) == 0;
  }
  // A new file: the nearest folder that exists must be one and writable
  // (the folders below it are made on writing).
  std::string dir = parentOf(path);
  while (::stat(dir.c_str(), &st) != 0) {
    if (errno != ENOENT || dir == "." || dir == "/") return false;
    dir = parentOf(dir);
  }
  return S_ISDIR(st.st_mode) && folderWritable(dir);
}

bool PosixFileSystem::writeAtomic(std::string_view name, std::span<const uint8_t> data) {
  const bool toUserFolder = !isAbsolute(name) && writeFolder() == writableFolder_;
  if (toUserFolder && !makeFolders(writableFolder_)) return false;
  std::string path = writePath(name);
  if (path.empty()) return false;
  std::string dir = path.substr(0, path.find_last_of('/') + 1);
  if (!dir.empty() && !makeFolders(dir)) return false;
  // An existing file keeps its permissions; a read-only one is not replaced.
  mode_t mode = 0644;
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode) || !isWritableMode(st.st_mode)) return false;
    mode = st.st_mode & 07777;
  }
  std::string temp = path + ".tmp";
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, mode) == 0;
  size_t done = 0;
  while (ok && done < data.size()) {
    ssize_t w = ::write(fd, data.data() + done, data.size() - done);
    if (w <= 0) {
      ok = false;
      break;
    }
    done += static_cast<size_t>(w);
  }
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

bool PosixFileSystem::remove(std::string_view name) {
  std::string path = readPath(name);
  return !path.empty() && ::unlink(path.c_str()) == 0;
}

bool PosixFileSystem::lastWriteTime(std::string_view name, FileTime& time) {
  std::string path = readPath(name);
  struct stat st;
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return false;
  std::tm tm{};
  time_t t = st.st_mtime;
  if (!::localtime_r(&t, &tm)) return false;
  time.year = tm.tm_year + 1900;
  time.month = tm.tm_mon + 1;
  time.day = tm.tm_mday;
  time.hour = tm.tm_hour;
  time.minute = tm.tm_min;
  time.second = tm.tm_sec;
  return true;
}

int64_t PosixFileSystem::freeSpaceBytes() {
  struct statvfs vfs;
  if (::statvfs(writeFolder().c_str(), &vfs) != 0) return -1;
  return static_cast<int64_t>(vfs.f_bavail) * static_cast<int64_t>(vfs.f_frsize);
}

std::vector<std::string> PosixFileSystem::parseOpticalMounts(std::string_view mounts) {
  std::vector<std::string> roots;
  std::istringstream in{std::string(mounts)};
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string device, mountPoint, type;
    if (!(fields >> device >> mountPoint >> type)) continue;
    bool optical = type == "iso9660" || type == "udf" || device.rfind("/dev/sr", 0) == 0 ||
                   device.rfind("/dev/cdrom", 0) == 0 || device.rfind("/dev/dvd", 0) == 0;
    if (!optical) continue;
    // /proc/mounts writes blanks in paths as \040.
    std::string decoded;
    for (size_t i = 0; i < mountPoint.size(); ++i) {
      auto octal = [&](size_t k) { return mountPoint[k] >= '0' && mountPoint[k] <= '7'; };
      if (mountPoint[i] == '\\' && i + 3 < mountPoint.size() && octal(i + 1) && octal(i + 2) &&
          octal(i + 3)) {
        int v = (mountPoint[i + 1] - '0') * 64 + (mountPoint[i + 2] - '0') * 8 +
                (mountPoint[i + 3] - '0');
        decoded += static_cast<char>(v);
        i += 3;
      } else {
        decoded += mountPoint[i];
      }
    }
    if (decoded.empty() || decoded.back() != '/') decoded += '/';
    roots.push_back(decoded);
  }
  return roots;
}

std::vector<std::string> PosixFileSystem::opticalDrives() {
  std::ifstream in("/proc/mounts");
  std::stringstream ss;
  ss << in.rdbuf();
  return parseOpticalMounts(ss.str());
}

std::string PosixFileSystem::hostPath(std::string_view name) {
  std::string p = readPath(name);
  if (!p.empty()) return p;
  return writePath(name);
}

}  // namespace kobre::platform
