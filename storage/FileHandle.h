// The thin file-access layer under the archive reader, the save data and the
// read-message record. Names are engine bytes in Windows style ("scr\open.scr")
// resolved by the platform's file system. Never raises: a failure is a false
// or a zero.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace kobre {

class FileHandle {
 public:
  explicit FileHandle(platform::FileSystem* files = nullptr) : files_(files) {}
  ~FileHandle() { close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  void setFileSystem(platform::FileSystem* files) { files_ = files; }
  platform::FileSystem* fileSystem() const { return files_; }

  // Closes any held file, then opens an existing file for reading.
  [[nodiscard]] bool openRead(std::string_view path);
  // Closes any held file, then opens the file for writing (created, or
  // replaced by what is written). Fails for a read-only file or where
  // nothing can be written. The bytes written are put in place when the
  // handle is closed (written whole and renamed, so a failed write or a
  // crash keeps the previous file).
  [[nodiscard]] bool openWrite(std::string_view path);
  // Takes an already open file (memory files for tests and fuzzing).
  void adopt(std::unique_ptr<platform::File> file, std::string_view name = {});
  // Closes; for a handle opened for writing this commits the file and
  // returns whether that worked.
  bool close();

  bool isOpen() const { return file_ != nullptr || writing_; }

  // Bytes read; 0 when empty or the read fails.
  uint32_t read(void* buffer, uint32_t count);
  // Bytes written; 0 when empty or failed.
  uint32_t write(const void* buffer, uint32_t count);
  // File size (files below 4 GiB); 0 when empty or unknown.
  uint32_t size();
  // Position from the start; false when empty or failed.
  bool seek(uint32_t offset);
  // Current position; 0 when empty.
  uint32_t tell();

  // Last-write time as "YYYY/MM/DD hh:mm" through the FAT date and time
  // fields into out (at least 17 bytes). "Error" and false on failure.
  bool lastWriteText(char* out, size_t outSize);

 private:
  platform::FileSystem* files_ = nullptr;
  std::unique_ptr<platform::File> file_;
  std::string name_;
  bool writing_ = false;
  std::vector<uint8_t> pending_;  // bytes of a file opened for writing
};

// Writes the FAT-style text of a local time into out ("Error" and false when
// the time does not fit the FAT fields). Split out for tests.
bool formatFatTime(const platform::FileTime& time, char* out, size_t outSize);

// Free space of the volume holding root, in MiB; 0 on failure.
uint32_t freeSpaceMegabytes(platform::FileSystem* files, std::string_view root);

// A read-only platform::File over bytes held by the caller (the span must
// outlive the file). Used to feed memory to file-based readers.
class MemoryFile : public platform::File {
 public:
  explicit MemoryFile(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  int64_t read(void* buffer, int64_t bytes) override;
  int64_t write(const void*, int64_t) override { return -1; }
  bool seek(int64_t offset) override;
  int64_t tell() override { return position_; }
  int64_t size() override { return static_cast<int64_t>(bytes_.size()); }

 private:
  std::span<const uint8_t> bytes_;
  int64_t position_ = 0;
};

}  // namespace kobre
