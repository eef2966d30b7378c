// A fresh temporary folder per test, removed afterwards; files written into
// it by host path (forward slashes).
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kobre::testing {

class TempFolder {
 public:
  TempFolder() {
    std::random_device rd;
    for (;;) {
      path_ = std::filesystem::temp_directory_path() /
              ("kobre-test-" + std::to_string(rd()) + std::to_string(rd()));
      if (std::filesystem::create_directory(path_)) break;
    }
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::string str() const { return path_.string(); }
  std::filesystem::path path(std::string_view rel = {}) const { return path_ / rel; }

  void write(std::string_view rel, std::span<const uint8_t> bytes) const {
    auto p = path_ / rel;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }
  void write(std::string_view rel, std::string_view text) const {
    write(rel,
          std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  }
  std::vector<uint8_t> read(std::string_view rel) const {
    std::ifstream in(path_ / rel, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
  }
  bool exists(std::string_view rel) const { return std::filesystem::exists(path_ / rel); }

 private:
  std::filesystem::path path_;
};

inline std::span<const uint8_t> bytesOf(std::string_view s) {
  return std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

}  // namespace kobre::testing
