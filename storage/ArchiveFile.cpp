#include "storage/ArchiveFile.h"

#include <cstring>

#include "common/AsciiCase.h"
#include "common/ByteReader.h"
#include "common/PathName.h"
#include "common/Sjis.h"

namespace kobre {

void applyScrambleKey(std::span<uint8_t> bytes, size_t firstIndex) {
  size_t k = firstIndex % kScrambleKeyLength;
  for (uint8_t& b : bytes) {
    b ^= scrambleKey[k];
    if (++k == kScrambleKeyLength) k = 0;
  }
}

std::string_view archiveKey(std::string_view name) {
  return afterLastBackslash(name);
}

bool archiveNameEquals(const char* entryName, size_t entryCapacity, std::string_view key) {
  size_t i = 0;
  bool trail = false;
  for (;; ++i) {
    const uint8_t a = i < entryCapacity ? static_cast<uint8_t>(entryName[i]) : 0;
    const uint8_t b = i < key.size() ? static_cast<uint8_t>(key[i]) : 0;
    if (trail) {
      if (a != b) return false;
      trail = false;
    } else {
      if (toUpperAscii(a) != toUpperAscii(b)) return false;
      trail = isWideLead(a);
    }
    if (a == 0) return true;  // both ended together
  }
}

bool ArchiveFile::open(std::string_view path, bool scrambled) {
  close();
  if (!handle_.openRead(path)) return false;
  return openHandle(scrambled);
}

bool ArchiveFile::open(std::unique_ptr<platform::File> file, bool scrambled) {
  close();
  if (file == nullptr) return false;
  handle_.adopt(std::move(file));
  return openHandle(scrambled);
}

bool ArchiveFile::openHandle(bool scrambled) {
  fileSize_ = handle_.size();
  uint8_t header[kArchiveHeaderSize];
  if (handle_.read(header, sizeof header) != sizeof header) {
    close();
    return false;
  }
  if (scrambled) applyScrambleKey(header, 0);
  const uint64_t count = loadLe32(header);
  // The index must lie wholly inside the file; this also bounds the
  // allocation by the file's size.
  const uint64_t indexBytes = count * kArchiveEntrySize;
  if (fileSize_ < kArchiveHeaderSize || indexBytes > fileSize_ - kArchiveHeaderSize) {
    close();
    return false;
  }
  std::vector<uint8_t> raw(static_cast<size_t>(indexBytes));
  if (!raw.empty() && handle_.read(raw.data(), static_cast<uint32_t>(raw.size())) != raw.size()) {
    close();
    return false;
  }
  if (scrambled) applyScrambleKey(raw, 0);
  index_.resize(static_cast<size_t>(count));
  ByteReader r(raw);
  for (ArchiveEntry& e : index_) {
    e.dataOffset = r.le32();
    e.dataSize = r.le32();
    const std::span<const uint8_t> name = r.bytes(kArchiveNameSize);
    std::memcpy(e.name, name.data(), name.size());
  }
  open_ = true;
  selected_ = -1;
  return true;
}

bool ArchiveFile::attachSupplement(std::string_view path, bool scrambled) {
  supplement_ = std::make_unique<ArchiveFile>(handle_.fileSystem());
  return supplement_->open(path, scrambled);
}

bool ArchiveFile::attachSupplement(std::unique_ptr<platform::File> file, bool scrambled) {
  supplement_ = std::make_unique<ArchiveFile>(handle_.fileSystem());
  return supplement_->open(std::move(file), scrambled);
}

bool ArchiveFile::find(std::string_view name) {
  if (!open_) return false;  // a closed archive does not ask its supplement
  const std::string_view key = archiveKey(name);
  for (size_t i = 0; i < index_.size(); ++i) {
    const ArchiveEntry& e = index_[i];
    if (!archiveNameEquals(e.name, kArchiveNameSize, key)) continue;
    // The first equal name wins; an entry that points outside the file is
    // refused rather than read short.
    const uint64_t end = static_cast<uint64_t>(e.dataOffset) + e.dataSize;
    if (end > fileSize_ || !handle_.seek(e.dataOffset)) {
      selected_ = -1;
      return false;
    }
    selected_ = static_cast<int>(i);
    return true;
  }
  if (supplement_ != nullptr && supplement_->find(name)) {
    selected_ = -2;
    return true;
  }
  selected_ = -1;
  return false;
}

uint32_t ArchiveFile::size() const {
  if (!open_) return 0;
  if (selected_ == -2) return supplement_ != nullptr ? supplement_->size() : 0;
  if (selected_ < 0) return 0;
  return index_[static_cast<size_t>(selected_)].dataSize;
}

uint32_t ArchiveFile::read(void* buffer, uint32_t count) {
  if (!open_) return 0;
  if (selected_ == -2) return supplement_ != nullptr ? supplement_->read(buffer, count) : 0;
  if (selected_ < 0) return 0;
  return handle_.read(buffer, count);
}

void ArchiveFile::close() {
  supplement_.reset();
  handle_.close();
  index_.clear();
  index_.shrink_to_fit();
  open_ = false;
  fileSize_ = 0;
  selected_ = -1;
}

bool ArchiveFile::readEntry(std::string_view name, std::vector<uint8_t>& out) {
  out.clear();
  if (!find(name)) return false;
  const uint32_t n = size();
  out.resize(n);
  if (n != 0 && read(out.data(), n) != n) {
    out.clear();
    return false;
  }
  return true;
}

bool loadDataFile(platform::FileSystem* files, ArchiveFile* archive, std::string_view name,
                  std::vector<uint8_t>& out) {
  if (files != nullptr) {
    FileHandle loose(files);
    if (loose.openRead(name)) {
      const uint32_t n = loose.size();
      out.resize(n);
      return n == 0 || loose.read(out.data(), n) == n;
    }
  }
  return archive != nullptr && archive->readEntry(name, out);
}

}  // namespace kobre
