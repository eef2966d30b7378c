// The read-message record ("Read.dat"): for each script, the message keys
// (read positions just after the message text) the user has already seen.
//
// File layout (little-endian int32): per script, its name (1..255 bytes and a
// zero byte), its keys in the order they were added, then -1; after the last
// script a 0.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace kobre {

class ReadRecord {
 public:
  static constexpr int kMaxScripts = 1000;
  static constexpr int kMaxKeys = 4096;
  static constexpr int kMaxNameBytes = 255;

  ReadRecord();
  ~ReadRecord() = default;
  ReadRecord(const ReadRecord&) = delete;
  ReadRecord& operator=(const ReadRecord&) = delete;

  // True when key is among the script's keys. A script not yet in the
  // table is added (with no keys) and the answer is false.
  bool isRead(std::string_view script, int32_t key);
  // Appends key to the script's list; false when the script is not in the
  // table or its list is full. Does not look for duplicates.
  bool markRead(std::string_view script, int32_t key);
  // Appends a script with an empty list; false when the table is full.
  bool addScript(std::string_view script);

  // Reads "Read.dat" through the file system; false when it cannot be
  // opened (the record then stays empty).
  [[nodiscard]] bool load(platform::FileSystem* files, std::string_view path);
  // Parses a record image; a cut or damaged image keeps what was read whole.
  void loadBytes(std::span<const uint8_t> bytes);
  // Writes the record; true without touching the file when it is empty,
  // false when the file cannot be written.
  bool save(platform::FileSystem* files, std::string_view path) const;
  // The image save writes (empty when the record is empty).
  std::vector<uint8_t> saveBytes() const;
  // Frees every entry.
  void clear();

  int scriptCount() const { return count_; }
  int lookupCursor() const { return cursor_; }
  // Entry access for tests and the flag viewer.
  const std::string& scriptName(int i) const { return entries_[static_cast<size_t>(i)].name; }
  int keyCount(int i) const { return entries_[static_cast<size_t>(i)].keyCount; }
  int32_t key(int i, int k) const {
    return entries_[static_cast<size_t>(i)].keys[static_cast<size_t>(k)];
  }

 private:
  struct Entry {
    std::string name;
    std::unique_ptr<int32_t[]> keys;  // kMaxKeys places, unused ones -1
    int keyCount = 0;
  };
  // Finds the script's entry starting at the lookup cursor; nullptr if absent.
  Entry* findScript(std::string_view script);

  std::vector<Entry> entries_;  // kMaxScripts slots; the first count_ are used
  int count_ = 0;
  int cursor_ = 0;
};

}  // namespace kobre
