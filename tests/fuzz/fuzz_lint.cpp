// Lints a game whose only file is "scr\open.scr" made of arbitrary bytes:
// every walk must end, stay inside the script and report through boxes.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "script/Lint.h"

namespace {

class MemoryFile : public kobre::platform::File {
 public:
  explicit MemoryFile(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
  int64_t read(void* buffer, int64_t n) override {
    const int64_t left = static_cast<int64_t>(bytes_.size()) - at_;
    const int64_t got = std::max<int64_t>(0, std::min(n, left));
    if (got > 0) std::memcpy(buffer, bytes_.data() + at_, static_cast<size_t>(got));
    at_ += got;
    return got;
  }
  int64_t write(const void*, int64_t) override { return -1; }
  bool seek(int64_t offset) override {
    if (offset < 0 || offset > static_cast<int64_t>(bytes_.size())) return false;
    at_ = offset;
    return true;
  }
  int64_t tell() override { return at_; }
  int64_t size() override { return static_cast<int64_t>(bytes_.size()); }

 private:
  const std::vector<uint8_t>& bytes_;
  int64_t at_ = 0;
};

// One file, "scr\open.scr" (matched without case); nothing else exists.
class OneScript : public kobre::platform::FileSystem {
 public:
  explicit OneScript(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  std::unique_ptr<kobre::platform::File> openRead(std::string_view name) override {
    if (!isScript(name)) return nullptr;
    return std::make_unique<MemoryFile>(bytes_);
  }
  bool exists(std::string_view name) override { return isScript(name); }
  bool readAll(std::string_view name, std::vector<uint8_t>& out, uint64_t) override {
    if (!isScript(name)) return false;
    out = bytes_;
    return true;
  }
  bool writeAtomic(std::string_view, std::span<const uint8_t>) override { return false; }
  bool canWrite(std::string_view) override { return false; }
  bool remove(std::string_view) override { return false; }
  bool lastWriteTime(std::string_view, kobre::platform::FileTime&) override { return false; }
  int64_t freeSpaceBytes() override { return 0; }
  std::vector<std::string> opticalDrives() override { return {}; }
  std::string hostPath(std::string_view) override { return {}; }

 private:
  static bool isScript(std::string_view name) {
    constexpr std::string_view kName = "scr\\open.scr";
    if (name.size() != kName.size()) return false;
    for (size_t i = 0; i < name.size(); ++i) {
      char c = name[i];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      if (c != kName[i]) return false;
    }
    return true;
  }
  std::vector<uint8_t> bytes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  OneScript files(std::vector<uint8_t>(data, data + size));
  kobre::platform::Platform p;
  p.files = &files;
  const auto findings = kobre::lintGame(p, {"open.scr"});
  for (const auto& f : findings)
    if (f.script != "open.scr" || f.line < 0 || f.message.empty()) __builtin_trap();
  return 0;
}
