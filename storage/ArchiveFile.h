// The archive container ("arc.scr", "arc.cg", "arc.wav" and their "arc2"
// supplements) and its reader.
//
// Layout (little-endian uint32): entryCount, 12 reserved bytes, then
// entryCount index entries of 32 bytes (dataOffset, dataSize, a name of at
// most 23 bytes zero-terminated in 24), then the entry data. A scrambled
// archive has its 16 header bytes and its index XORed with scrambleKey, each
// counted from 0; entry data is never touched here.
//
// Calling order of every reader: find(name); if true, allocate size() bytes
// and read() them once. Between a find and its read no other lookup may run
// on the same archive.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"
#include "storage/FileHandle.h"

namespace kobre {

// The program's one 9-byte XOR key: archive headers and indexes, scrambled
// scripts and the heads of picture entries.
inline constexpr uint8_t scrambleKey[10] = {0x5A, 0x1C, 0x73, 0x2E, 0x91,
                                            0x4D, 0xB8, 0x06, 0xE7, 0x00};
constexpr size_t kScrambleKeyLength = 9;

// XORs bytes with the key, byte i with key byte ((firstIndex + i) mod 9).
void applyScrambleKey(std::span<uint8_t> bytes, size_t firstIndex = 0);

constexpr size_t kArchiveHeaderSize = 16;
constexpr size_t kArchiveEntrySize = 32;
constexpr size_t kArchiveNameSize = 24;

struct ArchiveEntry {
  uint32_t dataOffset;
  uint32_t dataSize;
  char name[kArchiveNameSize];  // zero-terminated within the 24 bytes
};
static_assert(sizeof(ArchiveEntry) == kArchiveEntrySize);

class ArchiveFile {
 public:
  explicit ArchiveFile(platform::FileSystem* files = nullptr) : handle_(files) {}
  ~ArchiveFile() { close(); }
  ArchiveFile(const ArchiveFile&) = delete;
  ArchiveFile& operator=(const ArchiveFile&) = delete;

  void setFileSystem(platform::FileSystem* files) { handle_.setFileSystem(files); }

  // Releases any previous state (supplement included), then opens the
  // archive. An archive whose header or index runs past the end of the file
  // is refused (closed, false).
  [[nodiscard]] bool open(std::string_view path, bool scrambled);
  // The same over an already open file (memory archives in tests/fuzzing).
  [[nodiscard]] bool open(std::unique_ptr<platform::File> file, bool scrambled);

  // Replaces the supplement with a new archive and returns its open result.
  // The supplement stays attached after a failed open and then finds nothing.
  bool attachSupplement(std::string_view path, bool scrambled);
  bool attachSupplement(std::unique_ptr<platform::File> file, bool scrambled);

  // Selects the first entry named like the part of name after its last
  // backslash (ASCII letters compared without case) and positions the file
  // at its data; else asks the supplement. A closed archive finds nothing,
  // and does not ask its supplement. An entry whose data lies outside the
  // file is refused. Scans the index in place, no allocation.
  bool find(std::string_view name);
  // dataSize of the selected entry; 0 when closed or nothing is selected.
  uint32_t size() const;
  // Bytes read from the current position; 0 when closed or nothing is
  // selected. Not bounded by the entry.
  uint32_t read(void* buffer, uint32_t count);
  // Releases supplement, file and index.
  void close();

  bool isOpen() const { return open_; }
  int entryCount() const { return static_cast<int>(index_.size()); }
  // Entry chosen by the last lookup; -1 when it failed, -2 when the
  // supplement holds it.
  int selected() const { return selected_; }
  const ArchiveEntry& entry(int i) const { return index_[static_cast<size_t>(i)]; }
  ArchiveFile* supplement() const { return supplement_.get(); }

  // find, then read the whole entry into out; false when missing or short.
  [[nodiscard]] bool readEntry(std::string_view name, std::vector<uint8_t>& out);

 private:
  [[nodiscard]] bool openHandle(bool scrambled);

  FileHandle handle_;
  bool open_ = false;
  uint32_t fileSize_ = 0;
  std::vector<ArchiveEntry> index_;
  int selected_ = -1;
  std::unique_ptr<ArchiveFile> supplement_;
};

// The loose-file rule every data reader follows: the name as a file relative
// to the game folder first ("cg\_Ret.psd"), then the archive of its kind.
// False when neither has it (or the file cannot be read whole).
[[nodiscard]] bool loadDataFile(platform::FileSystem* files, ArchiveFile* archive,
                                std::string_view name, std::vector<uint8_t>& out);

// Compares an entry name with a lookup key as the archive does: byte by byte,
// ASCII letters folded to upper case, trail bytes of two-byte characters
// compared exactly; the key ends at its length, the name at its zero.
bool archiveNameEquals(const char* entryName, size_t entryCapacity, std::string_view key);

// The part of a name after its last backslash (a forward slash is no
// separator; a backslash that is the second byte of a two-byte character is
// not one either).
std::string_view archiveKey(std::string_view name);

}  // namespace kobre
