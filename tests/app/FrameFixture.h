// The main window's logic over a stand-in engine on the headless platform:
// every engine step is logged and can be made to fail.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/frame/MainFrame.h"
#include "platform/headless/HeadlessPlatform.h"
#include "script/Runtime.h"
#include "storage/ArchiveFile.h"
#include "tests/storage/TempFolder.h"
#include "tools/writers/ArchiveWriter.h"

namespace kobre::testing {

inline std::string textFile(const TempFolder& folder, std::string_view rel) {
  auto bytes = folder.read(rel);
  return std::string(bytes.begin(), bytes.end());
}

class FakeEngine : public frame::FrameEngine {
 public:
  explicit FakeEngine(const platform::Platform& p) : runtime_(p), platform_(p) {}

  std::vector<std::string> log;
  std::set<std::string> failing;  // names of steps that fail
  std::function<bool()> onStep;   // the script's step; default: ends at once
  uint32_t padButtons = 0;
  bool padPresent = false;
  bool windowed = true;
  int shake = 0;
  int composes = 0;
  platform::FontSpec messageFont, smallFont;

  Runtime& runtime() override { return runtime_; }
  bool createCodecDriver() override { return ok("codec"); }
  bool createBackBuffer() override {
    backBuffer_ = ok("backBuffer");
    return backBuffer_;
  }
  void createSprites() override { log.push_back("sprites"); }
  bool createSoundDevice() override { return ok("soundDevice"); }
  void createSoundChannels() override { log.push_back("channels"); }
  void openJoypad() override { log.push_back("joypad"); }
  bool loadTopScript(std::string_view name) override {
    log.push_back("script " + std::string(name));
    std::vector<uint8_t> bytes;
    return loadDataFile(platform_.files, &runtime_.scriptArchive, name, bytes);
  }
  void setSkip(bool on) override { log.push_back(on ? "skip on" : "skip off"); }
  void setFonts(const platform::FontSpec& m, const platform::FontSpec& s) override {
    messageFont = m;
    smallFont = s;
  }
  void setWindowed(bool w) override { windowed = w; }
  bool isWindowed() override { return windowed; }
  bool step() override { return onStep ? onStep() : false; }
  void updateSound() override { ++soundUpdates; }
  bool pollJoypad(uint32_t& buttons) override {
    buttons = padButtons;
    return padPresent;
  }
  void setMouse(int x, int y) override {
    runtime_.cursorX = x;
    runtime_.cursorY = y;
  }
  bool hasBackBuffer() override { return backBuffer_; }
  void compose() override { ++composes; }
  void setShake(int offset) override { shake = offset; }
  bool present(platform::Host* host) override {
    std::vector<uint32_t> pixels(800 * 600, 0x00123456);
    host->present(pixels.data(), 800, shake);
    return true;
  }
  void releaseTopScript() override { log.push_back("release script"); }
  void releaseJoypad() override { log.push_back("release joypad"); }
  void releaseSoundChannels() override { log.push_back("release channels"); }
  void releaseSoundDevice() override { log.push_back("release soundDevice"); }
  void releaseSprites() override { log.push_back("release sprites"); }
  void releaseBackBuffer() override { log.push_back("release backBuffer"); }
  void releaseCodecDriver() override { log.push_back("release codec"); }
  void releaseArchives() override { log.push_back("release archives"); }
  void releaseFonts() override { log.push_back("release fonts"); }

  int soundUpdates = 0;

 private:
  bool ok(const std::string& step) {
    log.push_back(step);
    return !failing.count(step);
  }
  Runtime runtime_;
  platform::Platform platform_;
  bool backBuffer_ = false;
};

class FakeWindow : public frame::FrameWindow {
 public:
  std::vector<std::string> log;
  std::vector<std::vector<std::string>> driveLists;
  std::string caption;
  void setCaption(std::string_view utf8) override { caption = std::string(utf8); }
  void applyDisplayMode(bool windowed) override {
    log.push_back(windowed ? "windowed" : "full screen");
  }
  void restoreDesktopMode() override { log.push_back("restore desktop"); }
  std::string chooseDrive(const std::vector<std::string>& roots) override {
    driveLists.push_back(roots);
    return roots.empty() ? std::string() : roots.front();
  }
};

class FrameFixture : public ::testing::Test {
 protected:
  FrameFixture()
      : headless(dir.str(), dir.str() + "/.data"),
        engine(headless.platform()),
        frame(headless.platform(), engine, window) {}

  // A complete game folder: the three archives and the open script.
  void writeGame(bool withScriptArchive = true, bool withSound = true, bool withImages = true) {
    writers::ArchiveWriter scripts;
    scripts.add("open.scr", std::string_view("N\r\n"));
    if (withScriptArchive) {
      ASSERT_TRUE(scripts.writeFile(dir.str() + "/arc.scr", true));
    }
    writers::ArchiveWriter images;
    images.add("a.bmp", std::string_view("x"));
    if (withImages) {
      ASSERT_TRUE(images.writeFile(dir.str() + "/arc.cg", true));
    }
    writers::ArchiveWriter sounds;
    sounds.add("a.wav", std::string_view("x"));
    if (withSound) {
      ASSERT_TRUE(sounds.writeFile(dir.str() + "/arc.wav", false));
    }
  }

  std::vector<std::string> boxTexts() const {
    std::vector<std::string> out;
    for (const auto& b : headless.host.boxes()) out.push_back(b.spec.text);
    return out;
  }
  bool settingsWritten() const { return std::filesystem::exists(dir.path("KOBRE.ini")); }

  TempFolder dir;
  platform::headless::HeadlessPlatform headless;
  FakeEngine engine;
  FakeWindow window;
  frame::MainFrame frame;
};

}  // namespace kobre::testing
