// A clock and a host for fuzz targets that run scripts: time passes only by
// sleeping, there is no input, and every box is answered OK (a box without a
// caption or text is a fault and stops the run).
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/Platform.h"

namespace kobre::fuzz {

class FuzzClock : public platform::Clock {
 public:
  uint32_t tickCount() override { return now; }
  void sleep(uint32_t ms) override { now += ms; }
  uint32_t now = 0;
};

class FuzzHost : public platform::Host {
 public:
  void pumpEvents() override {}
  bool isActive() override { return true; }
  void readInput(platform::InputState& s) override { s = {}; }
  void present(const uint32_t*, int, int) override {}
  platform::BoxResult messageBox(const platform::MessageBoxSpec& spec) override {
    ++boxes;
    if (spec.caption.empty() || spec.text.empty()) __builtin_trap();
    return platform::BoxResult::Ok;
  }
  void setMenuEnabled(std::string_view, bool) override {}
  void setMenuVisible(std::string_view, bool) override {}
  void setMenuChecked(std::string_view, bool) override {}
  bool isMenuChecked(std::string_view) override { return false; }
  void setMenuCaption(std::string_view, std::string_view) override {}
  int screenWidth() override { return 1920; }
  int screenHeight() override { return 1080; }
  int screenBitsPerPixel() override { return 32; }
  void requestClose() override {}
  long boxes = 0;
};

}  // namespace kobre::fuzz
