#include "storage/ReadRecord.h"

#include <new>

#include "common/AsciiCase.h"
#include "common/ByteReader.h"
#include "common/ByteWriter.h"
namespace kobre {

ReadRecord::ReadRecord() {
  entries_.resize(kMaxScripts);
}

// Names are kept as the file can hold them: at most 255 bytes, no zero byte.
static std::string_view storedName(std::string_view script) {
  size_t zero = script.find('\0');
  if (zero != std::string_view::npos) script = script.substr(0, zero);
  return script.substr(0, ReadRecord::kMaxNameBytes);
}

ReadRecord::Entry* ReadRecord::findScript(std::string_view script) {
  script = storedName(script);
  for (int tries = 0; tries < count_; ++tries) {
    if (cursor_ >= count_) cursor_ = 0;
    Entry& e = entries_[static_cast<size_t>(cursor_)];
    if (equalsIgnoreAsciiCase(e.name, script)) return &e;
    ++cursor_;
  }
  if (cursor_ >= count_) cursor_ = 0;
  return nullptr;
}

bool ReadRecord::addScript(std::string_view script) {
  script = storedName(script);
  if (count_ >= kMaxScripts || entries_.size() < kMaxScripts || script.empty()) return false;
  Entry& e = entries_[static_cast<size_t>(count_)];
  e.keys.reset(new (std::nothrow) int32_t[kMaxKeys]);
  if (e.keys == nullptr) return false;
  std::fill(e.keys.get(), e.keys.get() + kMaxKeys, -1);
  e.name.assign(script);
  e.keyCount = 0;
  ++count_;
  return true;
}

bool ReadRecord::isRead(std::string_view script, int32_t key) {
  Entry* e = findScript(script);
  if (e == nullptr) {
    addScript(script);
    return false;
  }
  for (int k = 0; k < kMaxKeys && e->keys[static_cast<size_t>(k)] != -1; ++k)
    if (e->keys[static_cast<size_t>(k)] == key) return true;
  return false;
}

bool ReadRecord::markRead(std::string_view script, int32_t key) {
  // -1 ends a key list in memory and on disk, so it is never stored.
  if (key == -1) return false;
  Entry* e = findScript(script);
  if (e == nullptr || e->keyCount >= kMaxKeys) return false;
  e->keys[static_cast<size_t>(e->keyCount++)] = key;
  return true;
}

bool ReadRecord::load(platform::FileSystem* files, std::string_view path) {
  std::vector<uint8_t> bytes;
  // Read.dat of a full record is about 16 MiB; anything far larger is not one.
  if (files == nullptr || !files->readAll(path, bytes, UINT64_C(64) << 20)) return false;
  loadBytes(bytes);
  return true;
}

void ReadRecord::loadBytes(std::span<const uint8_t> bytes) {
  ByteReader r(bytes);
  auto readInt = [&](int32_t& v) {
    v = r.le32s();
    return !r.ranOut();
  };
  for (int record = 0; record < kMaxScripts; ++record) {
    if (r.peek() == 0) break;  // the list's end, or the end of the bytes
    std::string name;
    while (r.peek() != 0 && name.size() < kMaxNameBytes) name.push_back(static_cast<char>(r.u8()));
    if (!r.atEnd() && r.peek() == 0) r.skip(1);  // the name's zero byte
    if (!addScript(name)) break;
    Entry& e = entries_[static_cast<size_t>(count_ - 1)];
    bool terminated = false;
    while (e.keyCount < kMaxKeys) {
      int32_t key = -1;
      if (!readInt(key) || key == -1) {
        terminated = true;
        break;
      }
      e.keys[static_cast<size_t>(e.keyCount++)] = key;
    }
    if (!terminated) {
      // A full list is still followed by its terminator; anything else there
      // means the image is damaged, so reading stops with what is whole.
      int32_t end = 0;
      if (!readInt(end) || end != -1) break;
    }
  }
}

std::vector<uint8_t> ReadRecord::saveBytes() const {
  std::vector<uint8_t> out;
  if (count_ == 0) return out;
  ByteWriter w(out);
  for (int i = 0; i < count_; ++i) {
    const Entry& e = entries_[static_cast<size_t>(i)];
    if (e.name.empty()) break;
    w.text(e.name);
    w.u8(0);
    for (int k = 0; k < e.keyCount; ++k)
      w.le32(static_cast<uint32_t>(e.keys[static_cast<size_t>(k)]));
    w.le32(static_cast<uint32_t>(-1));
  }
  w.le32(0);
  return out;
}

bool ReadRecord::save(platform::FileSystem* files, std::string_view path) const {
  if (count_ == 0) return true;
  if (files == nullptr) return false;
  return files->writeAtomic(path, saveBytes());
}

void ReadRecord::clear() {
  for (Entry& e : entries_) {
    e.name.clear();
    e.keys.reset();
    e.keyCount = 0;
  }
  count_ = 0;
  cursor_ = 0;
}

}  // namespace kobre
