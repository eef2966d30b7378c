// The script's name tables: `define` (word -> replacement, keys exact) and
// `def_cg` (picture -> flag number, keys without ASCII case). At most 1000
// pairs; adding a key that is present replaces its value.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kobre {

class NameTable {
 public:
  static constexpr int kMaxEntries = 1000;

  explicit NameTable(bool keysIgnoreCase = false) : ignoreCase_(keysIgnoreCase) {}

  // False when the key is new and the table is full (the pair is dropped).
  bool add(std::string_view key, std::string_view value);
  // The value of key, or nullptr.
  const std::string* find(std::string_view key) const;
  // The first key whose value equals value exactly, or nullptr.
  const std::string* findKeyByValue(std::string_view value) const;
  int size() const { return static_cast<int>(entries_.size()); }
  const std::string& key(int i) const { return entries_[static_cast<size_t>(i)].key; }
  const std::string& value(int i) const { return entries_[static_cast<size_t>(i)].value; }
  void clear() { entries_.clear(); }

 private:
  struct Entry {
    std::string key;
    std::string value;
  };
  bool sameKey(std::string_view a, std::string_view b) const;

  bool ignoreCase_;
  std::vector<Entry> entries_;
};

}  // namespace kobre
