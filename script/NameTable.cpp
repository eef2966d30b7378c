#include "script/NameTable.h"

#include "common/AsciiCase.h"

namespace kobre {

bool NameTable::sameKey(std::string_view a, std::string_view b) const {
  if (a.size() != b.size()) return false;
  if (!ignoreCase_) return a == b;
  return equalsIgnoreAsciiCase(a, b);
}

bool NameTable::add(std::string_view key, std::string_view value) {
  for (Entry& e : entries_) {
    if (sameKey(e.key, key)) {
      e.value.assign(value);
      return true;
    }
  }
  if (static_cast<int>(entries_.size()) >= kMaxEntries) return false;
  entries_.push_back(Entry{std::string(key), std::string(value)});
  return true;
}

const std::string* NameTable::find(std::string_view key) const {
  for (const Entry& e : entries_)
    if (sameKey(e.key, key)) return &e.value;
  return nullptr;
}

const std::string* NameTable::findKeyByValue(std::string_view value) const {
  for (const Entry& e : entries_)
    if (e.value == value) return &e.key;
  return nullptr;
}

}  // namespace kobre
