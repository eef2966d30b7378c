#include "storage/ReadRecord.h"

#include <new>

namespace kobre {

ReadRecord::ReadRecord() {
  entries_.resize(kMaxScripts);
}

static uint8_t upperAscii(uint8_t b) {
  return (b >= 'a' && b <= 'z') ? b - 32 : b;
}

static bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (upperAscii(static_cast<uint8_t>(a[i])) != upperAscii(static_cast<uint8_t>(b[i])))
      return false;
  return true;
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
    if (sameName(e.name, script)) return &e;
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
  size_t pos = 0;
  auto readInt = [&](int32_t& v) {
    if (bytes.size() - pos < 4) {
      pos = bytes.size();
      return false;
    }
    v = static_cast<int32_t>(static_cast<uint32_t>(bytes[pos]) |
                             (static_cast<uint32_t>(bytes[pos + 1]) << 8) |
                             (static_cast<uint32_t>(bytes[pos + 2]) << 16) |
                             (static_cast<uint32_t>(bytes[pos + 3]) << 24));
    pos += 4;
    return true;
  };
  for (int record = 0; record < kMaxScripts; ++record) {
    if (pos >= bytes.size() || bytes[pos] == 0) break;
    std::string name;
    while (pos < bytes.size() && bytes[pos] != 0 && name.size() < kMaxNameBytes)
      name.push_back(static_cast<char>(bytes[pos++]));
    if (pos < bytes.size() && bytes[pos] == 0) ++pos;  // the name's zero byte
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
  auto putInt = [&](int32_t v) {
    const uint32_t u = static_cast<uint32_t>(v);
    out.push_back(static_cast<uint8_t>(u));
    out.push_back(static_cast<uint8_t>(u >> 8));
    out.push_back(static_cast<uint8_t>(u >> 16));
    out.push_back(static_cast<uint8_t>(u >> 24));
  };
  for (int i = 0; i < count_; ++i) {
    const Entry& e = entries_[static_cast<size_t>(i)];
    if (e.name.empty()) break;
    out.insert(out.end(), e.name.begin(), e.name.end());
    out.push_back(0);
    for (int k = 0; k < e.keyCount; ++k) putInt(e.keys[static_cast<size_t>(k)]);
    putInt(-1);
  }
  putInt(0);
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
