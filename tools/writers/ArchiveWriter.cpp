#include "tools/writers/ArchiveWriter.h"

#include <cstring>
#include <fstream>

#include "common/ByteOrder.h"
#include "storage/ArchiveFile.h"

namespace kobre::writers {

bool ArchiveWriter::add(std::string_view name, std::span<const uint8_t> data) {
  if (name.empty() || name.size() >= kArchiveNameSize || name.find('\0') != std::string_view::npos)
    return false;
  entries_.push_back(Entry{std::string(name), std::vector<uint8_t>(data.begin(), data.end())});
  return true;
}

std::vector<uint8_t> ArchiveWriter::build(bool scrambled) const {
  const size_t indexBytes = entries_.size() * kArchiveEntrySize;
  size_t total = kArchiveHeaderSize + indexBytes;
  for (const Entry& e : entries_) total += e.data.size();
  std::vector<uint8_t> out(total, 0);
  storeLe32(out.data(), static_cast<uint32_t>(entries_.size()));
  size_t offset = kArchiveHeaderSize + indexBytes;
  for (size_t i = 0; i < entries_.size(); ++i) {
    uint8_t* e = out.data() + kArchiveHeaderSize + i * kArchiveEntrySize;
    storeLe32(e, static_cast<uint32_t>(offset));
    storeLe32(e + 4, static_cast<uint32_t>(entries_[i].data.size()));
    std::memcpy(e + 8, entries_[i].name.data(), entries_[i].name.size());
    if (!entries_[i].data.empty())
      std::memcpy(out.data() + offset, entries_[i].data.data(), entries_[i].data.size());
    offset += entries_[i].data.size();
  }
  if (scrambled) {
    applyScrambleKey(std::span<uint8_t>(out.data(), kArchiveHeaderSize), 0);
    applyScrambleKey(std::span<uint8_t>(out.data() + kArchiveHeaderSize, indexBytes), 0);
  }
  return out;
}

bool writeHostFile(const std::string& hostPath, std::span<const uint8_t> bytes) {
  std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

bool ArchiveWriter::writeFile(const std::string& hostPath, bool scrambled) const {
  return writeHostFile(hostPath, build(scrambled));
}

}  // namespace kobre::writers
