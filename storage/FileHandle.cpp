#include "storage/FileHandle.h"

namespace kobre {

bool FileHandle::openRead(std::string_view path) {
  close();
  if (files_ == nullptr) return false;
  file_ = files_->openRead(path);
  if (file_ == nullptr) return false;
  name_.assign(path);
  return true;
}

bool FileHandle::openWrite(std::string_view path) {
  close();
  if (files_ == nullptr) return false;
  // A file that cannot be written (read-only, or in a folder that cannot be
  // written) is refused here. Nothing is written before close: the previous
  // file stays as it is until the new bytes are put in place whole.
  if (!files_->canWrite(path)) return false;
  name_.assign(path);
  writing_ = true;
  pending_.clear();
  return true;
}

void FileHandle::adopt(std::unique_ptr<platform::File> file, std::string_view name) {
  close();
  file_ = std::move(file);
  name_.assign(name);
}

bool FileHandle::close() {
  bool ok = true;
  if (writing_) {
    ok = files_ != nullptr && files_->writeAtomic(name_, pending_);
    writing_ = false;
    pending_.clear();
    pending_.shrink_to_fit();
  }
  file_.reset();
  name_.clear();
  return ok;
}

uint32_t FileHandle::read(void* buffer, uint32_t count) {
  if (file_ == nullptr || count == 0) return 0;
  int64_t got = file_->read(buffer, count);
  return got > 0 ? static_cast<uint32_t>(got) : 0;
}

uint32_t FileHandle::write(const void* buffer, uint32_t count) {
  if (!writing_ || count == 0) return 0;
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  pending_.insert(pending_.end(), bytes, bytes + count);
  return count;
}

uint32_t FileHandle::size() {
  if (writing_) return static_cast<uint32_t>(pending_.size());
  if (file_ == nullptr) return 0;
  int64_t s = file_->size();
  if (s < 0 || s > static_cast<int64_t>(UINT32_MAX)) return 0;
  return static_cast<uint32_t>(s);
}

bool FileHandle::seek(uint32_t offset) {
  if (file_ == nullptr) return false;
  return file_->seek(offset);
}

uint32_t FileHandle::tell() {
  if (file_ == nullptr) return 0;
  int64_t t = file_->tell();
  return t > 0 && t <= static_cast<int64_t>(UINT32_MAX) ? static_cast<uint32_t>(t) : 0;
}

static void writeError(char* out, size_t outSize) {
  if (out == nullptr || outSize == 0) return;
  std::snprintf(out, outSize, "%s", "Error");
}

bool formatFatTime(const platform::FileTime& t, char* out, size_t outSize) {
  // FAT dates hold the years 1980..2107; anything else does not convert.
  if (t.year < 1980 || t.year > 2107 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 ||
      t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59) {
    writeError(out, outSize);
    return false;
  }
  const uint16_t date = static_cast<uint16_t>(((t.year - 1980) << 9) | (t.month << 5) | t.day);
  const uint16_t time = static_cast<uint16_t>((t.hour << 11) | (t.minute << 5) | (t.second / 2));
  if (out == nullptr || outSize < 17) {
    writeError(out, outSize);
    return false;
  }
  std::snprintf(out, outSize, "%04d/%02d/%02d %02d:%02d", (date >> 9) + 1980, (date >> 5) & 0x0F,
                date & 0x1F, time >> 11, (time >> 5) & 0x3F);
  return true;
}

bool FileHandle::lastWriteText(char* out, size_t outSize) {
  platform::FileTime t;
  if (file_ == nullptr || files_ == nullptr || name_.empty() || !files_->lastWriteTime(name_, t)) {
    writeError(out, outSize);
    return false;
  }
  return formatFatTime(t, out, outSize);
}

uint32_t freeSpaceMegabytes(platform::FileSystem* files, std::string_view /*root*/) {
  // The platform answers for the volume of the game folder, which is the
  // folder the program runs in.
  if (files == nullptr) return 0;
  int64_t bytes = files->freeSpaceBytes();
  if (bytes <= 0) return 0;
  return static_cast<uint32_t>(static_cast<uint64_t>(bytes) >> 20);
}

int64_t MemoryFile::read(void* buffer, int64_t bytes) {
  if (bytes < 0) return -1;
  const int64_t total = static_cast<int64_t>(bytes_.size());
  if (position_ >= total) return 0;
  int64_t n = std::min(bytes, total - position_);
  std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

bool MemoryFile::seek(int64_t offset) {
  if (offset < 0) return false;
  position_ = offset;
  return true;
}

}  // namespace kobre
