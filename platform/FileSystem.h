#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kobre::platform {

// Names are engine bytes (CP932), Windows style: "scr\open.scr" relative to
// the game folder, "\" as separator, each component matched without regard
// to case. An absolute name (drive root from the drive dialog, "/...") is
// taken as it stands.

// An open file. Reads and writes return the bytes moved, or -1 on failure.
class File {
 public:
  virtual ~File() = default;
  virtual int64_t read(void* buffer, int64_t bytes) = 0;
  virtual int64_t write(const void* buffer, int64_t bytes) = 0;
  virtual bool seek(int64_t offset) = 0;
  virtual int64_t tell() = 0;
  virtual int64_t size() = 0;
};

// Local time of a file's last write.
struct FileTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Opening for reading looks first in the writable folder (when the game
  // folder is not writable) and then in the game folder.
  virtual std::unique_ptr<File> openRead(std::string_view name) = 0;
  virtual bool exists(std::string_view name) = 0;
  // Reads a whole file; refuses (false) a file larger than maxBytes.
  virtual bool readAll(std::string_view name, std::vector<uint8_t>& out,
                       uint64_t maxBytes = UINT64_C(1) << 31) = 0;
  // Writes a whole file the program owns (settings, saves, Read.dat, ...):
  // into the game folder when it is writable, otherwise into the per-game
  // folder under $XDG_DATA_HOME/kobre/; through a temporary file renamed into
  // place, so the previous file survives a failed write.
  // A read-only file is refused (the rename would otherwise replace it); the
  // file keeps its permissions.
  virtual bool writeAtomic(std::string_view name, std::span<const uint8_t> data) = 0;
  // Whether writeAtomic(name, ...) may work: false for a read-only file, a
  // name that is a folder, or a folder that cannot be written or made.
  // Nothing is written.
  virtual bool canWrite(std::string_view name) = 0;
  virtual bool remove(std::string_view name) = 0;
  virtual bool lastWriteTime(std::string_view name, FileTime& time) = 0;
  // Free space, in bytes, of the file system holding the game folder.
  virtual int64_t freeSpaceBytes() = 0;
  // Roots of mounted optical media ("/media/cdrom/"), for the drive dialog.
  virtual std::vector<std::string> opticalDrives() = 0;
  // The host path a name resolves to (for diagnostics and libraries that need
  // a path); empty when no such file exists and it cannot be created.
  virtual std::string hostPath(std::string_view name) = 0;
};

}  // namespace kobre::platform
