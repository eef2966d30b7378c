// Loads a slot file of arbitrary bytes into a running game through the real
// Lexer, then merges the same bytes as Save00.dat and reads them back as the
// title menu does. The first input byte chooses whether the checksum is
// fixed up first, so that the rebuild after a load is reached too. Files live
// in memory; every script name finds a small script.
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "script/Lexer.h"
#include "script/Runtime.h"
#include "script/SaveFile.h"
#include "tests/fuzz/FuzzPlatform.h"

namespace {

using kobre::fuzz::FuzzClock;
using kobre::fuzz::FuzzHost;

class BytesFile : public kobre::platform::File {
 public:
  explicit BytesFile(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  int64_t read(void* buffer, int64_t n) override {
    if (n < 0) return -1;
    const int64_t left = static_cast<int64_t>(bytes_.size()) - position_;
    if (n > left) n = left;
    if (n > 0) std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
  }
  int64_t write(const void*, int64_t) override { return -1; }
  bool seek(int64_t offset) override {
    if (offset < 0 || offset > static_cast<int64_t>(bytes_.size())) return false;
    position_ = offset;
    return true;
  }
  int64_t tell() override { return position_; }
  int64_t size() override { return static_cast<int64_t>(bytes_.size()); }

 private:
  std::vector<uint8_t> bytes_;
  int64_t position_ = 0;
};

class MemoryFiles : public kobre::platform::FileSystem {
 public:
  std::map<std::string, std::vector<uint8_t>, std::less<>> files;
  std::vector<uint8_t> script;  // every "scr\..." name

  const std::vector<uint8_t>* find(std::string_view name) const {
    if (name.substr(0, 4) == "scr\\") return &script;
    auto it = files.find(name);
    return it == files.end() ? nullptr : &it->second;
  }
  std::unique_ptr<kobre::platform::File> openRead(std::string_view name) override {
    const auto* bytes = find(name);
    return bytes ? std::make_unique<BytesFile>(*bytes) : nullptr;
  }
  bool exists(std::string_view name) override { return find(name) != nullptr; }
  bool readAll(std::string_view name, std::vector<uint8_t>& out, uint64_t max) override {
    const auto* bytes = find(name);
    if (bytes == nullptr || bytes->size() > max) return false;
    out = *bytes;
    return true;
  }
  bool writeAtomic(std::string_view name, std::span<const uint8_t> data) override {
    files[std::string(name)].assign(data.begin(), data.end());
    return true;
  }
  bool canWrite(std::string_view) override { return true; }
  bool remove(std::string_view name) override { return files.erase(std::string(name)) > 0; }
  bool lastWriteTime(std::string_view, kobre::platform::FileTime&) override { return false; }
  int64_t freeSpaceBytes() override { return 1 << 30; }
  std::vector<std::string> opticalDrives() override { return {}; }
  std::string hostPath(std::string_view) override { return {}; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool fixChecksum = (data[0] & 1) != 0;
  std::vector<uint8_t> image(data + 1, data + size);
  if (fixChecksum && image.size() == kobre::kGameStateSize) {
    const uint32_t sum = kobre::gameStateChecksum(image);
    std::memcpy(image.data(), &sum, sizeof sum);
  }

  FuzzClock clock;
  FuzzHost host;
  MemoryFiles files;
  const std::string text = "NA=A+1\r\nvo v\r\nB=2 C=3\r\n\x82\xa0\r\n";
  files.script.assign(text.begin(), text.end());
  files.files["Save01.dat"] = image;
  files.files["Save00.dat"] = image;
  kobre::platform::Platform p;
  p.clock = &clock;
  p.host = &host;
  p.files = &files;
  auto runtime = std::make_unique<kobre::Runtime>(p);
  long polls = 0;
  runtime->frame.pollInput = [&]() {
    if (++polls > 2000) runtime->closing = true;
    return !runtime->closing;
  };
  kobre::Lexer lexer(runtime.get());
  runtime->topLexer = &lexer;
  if (!lexer.LoadFromBytes(files.script, "scr\\open.scr", &runtime->gameState, true)) return 0;

  if (lexer.LoadGame(1)) {
    if (std::memcmp(runtime->gameState.variables, image.data() + 72, 104) != 0) __builtin_trap();
    for (int steps = 0; steps < 200 && !runtime->closing; ++steps) {
      if (lexer.position < 0 || lexer.position > lexer.sourceSize + 1) __builtin_trap();
      if (!lexer.Step()) break;
    }
  }
  lexer.UpdateGlobalFlags();
  if (kobre::checkSaveImage(files.files["Save00.dat"]) != kobre::SaveImage::Ok) __builtin_trap();
  lexer.ReadLastingRecord("xMenu", 1);
  lexer.SaveGame(2);
  if (kobre::checkSaveImage(files.files["Save02.dat"]) != kobre::SaveImage::Ok) __builtin_trap();
  return 0;
}
