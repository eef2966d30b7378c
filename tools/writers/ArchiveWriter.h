// Writes the archive container the runtime reads (arc.scr, arc.cg, arc.wav):
// a 16-byte header, 32-byte index entries, then the entry data in the order
// added. Shared by kobre-arc, kobre-mkgame and the tests.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kobre::writers {

class ArchiveWriter {
 public:
  struct Entry {
    std::string name;  // bytes as stored (CP932 or ASCII), at most 23
    std::vector<uint8_t> data;
  };

  // Adds an entry; false when the name is empty or longer than 23 bytes.
  bool add(std::string_view name, std::span<const uint8_t> data);
  bool add(std::string_view name, std::string_view data) {
    return add(
        name, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(data.data()), data.size()));
  }
  const std::vector<Entry>& entries() const { return entries_; }
  void clear() { entries_.clear(); }

  // The archive image; scrambled XORs the header and the index with the
  // program's key (entry data is written as given).
  std::vector<uint8_t> build(bool scrambled) const;
  // Writes build() to a host path; false on any failure.
  bool writeFile(const std::string& hostPath, bool scrambled) const;

 private:
  std::vector<Entry> entries_;
};

// Writes bytes to a host path (whole file); false on failure.
bool writeHostFile(const std::string& hostPath, std::span<const uint8_t> bytes);

}  // namespace kobre::writers
