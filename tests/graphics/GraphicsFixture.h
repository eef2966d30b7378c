// A headless platform over a fresh game folder, with a graphics context wired
// to it: loose files, an image archive in memory and recorded boxes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "common/Settings.h"
#include "graphics/GraphicsContext.h"
#include "platform/headless/HeadlessPlatform.h"
#include "storage/ArchiveFile.h"
#include "storage/FileHandle.h"
#include "storage/SystemError.h"
#include "tools/writers/ArchiveWriter.h"

namespace kobre::testing {

class GraphicsFixture : public ::testing::Test {
 protected:
  GraphicsFixture() : folder_(makeFolder()), headless_(folder_.string()) {
    context.host = &headless_.host;
    context.clock = &headless_.clock;
    context.files = &headless_.files;
    context.text = &headless_.text;
    context.raster = &headless_.raster;
    context.settings = &settings;
    context.pressedButtons = &pressed;
  }
  ~GraphicsFixture() override {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }

  static std::filesystem::path makeFolder() {
    std::random_device rd;
    for (;;) {
      auto p = std::filesystem::temp_directory_path() /
               ("kobre-gfx-" + std::to_string(rd()) + std::to_string(rd()));
      if (std::filesystem::create_directory(p)) return p;
    }
  }

  // A loose file relative to the game folder ("cg/a.bmp").
  void writeLoose(const std::string& rel, std::span<const uint8_t> bytes) {
    auto p = folder_ / rel;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }

  // The image archive from entries (name, bytes as stored).
  void setArchive(const writers::ArchiveWriter& writer) {
    archiveBytes_ = writer.build(true);
    archive_ = std::make_unique<ArchiveFile>();
    ASSERT_TRUE(archive_->open(std::make_unique<MemoryFile>(archiveBytes_), true));
    context.imageArchive = archive_.get();
  }

  const std::vector<platform::headless::RecordedBox>& boxes() { return headless_.host.boxes(); }
  std::vector<std::string> boxTexts() {
    std::vector<std::string> out;
    for (auto& b : boxes()) {
      EXPECT_EQ(b.spec.caption, "System Error");
      EXPECT_TRUE(b.spec.ownerless);
      EXPECT_EQ(b.spec.buttons, platform::BoxButtons::Ok);
      out.push_back(b.spec.text);
    }
    return out;
  }
  // The message line of each box (after "unit (code)\n").
  std::vector<std::string> boxMessages() {
    std::vector<std::string> out;
    for (auto& t : boxTexts()) out.push_back(t.substr(t.find('\n') + 1));
    return out;
  }
  void clearBoxes() { headless_.host.clearBoxes(); }

  Settings settings;
  uint32_t pressed = 0;
  GraphicsContext context;
  std::filesystem::path folder_;
  platform::headless::HeadlessPlatform headless_;

 private:
  std::vector<uint8_t> archiveBytes_;
  std::unique_ptr<ArchiveFile> archive_;
};

inline uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return (a << 24) | (r << 16) | (g << 8) | b;
}

}  // namespace kobre::testing
