// A runtime with the real picture and sound side on the headless platform,
// for the options and name dialogs: back buffer, sprite slots, the message
// box in slot 5, and music playing on the music channel. Include it before
// any Qt header (Qt's "slots" keyword would rewrite the sound channels).
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>

#include "app/frame/OptionSettings.h"
#include "common/SjisText.h"
#include "platform/headless/HeadlessPlatform.h"
#include "platform/posix/IconvTextCodec.h"
#include "script/RuntimeObjects.h"
#include "sound/SoundBuffer.h"
#include "tests/platform/qt/DesktopTestApp.h"
#include "tests/storage/TempFolder.h"
#include "tools/writers/WavWriter.h"

namespace kobre::testing {

class DialogFixture : public ::testing::Test {
 protected:
  DialogFixture() : objects(runtime) {
    test::desktopApp();
    std::memcpy(runtime.settings.heroName, kSjisDefaultHeroName.data(),
                kSjisDefaultHeroName.size());
    EXPECT_TRUE(objects.createBackBuffer(true));
    objects.createSprites();
    EXPECT_TRUE(objects.createSoundDevice());
    objects.createSoundChannels();
    options.repaint = [this] {
      ++repaints;
      objects.backBuffer()->compose(*objects.sprites());
      objects.backBuffer()->present();
    };
  }
  ~DialogFixture() override {
    objects.releaseSoundChannels();
    objects.releaseSoundDevice();
  }

  // Music playing, looped, at the music volume of the settings.
  void playMusic() {
    auto tone = writers::makeSineWave(44100 * 3, 44100, 2, 330);
    folder.write("wav/m.wav", writers::writePcmWave(tone, 44100, 2));
    ASSERT_TRUE(bgm().loadStreamed("wav\\m.wav"));
    ASSERT_TRUE(bgm().setVolume(runtime.settings.volumeBgm, true));
    ASSERT_TRUE(bgm().play(true));
  }
  // The message box in slot 5, the backlog's opaque box in slot 20.
  void showBoxes() {
    ASSERT_TRUE(slot(5).createBox(100, 400, 600, 150));
    ASSERT_TRUE(slot(20).createBox(0, 0, 50, 50));
    slot(20).setBoxStyle(2);
  }

  SoundBuffer& bgm() { return objects.channels()->bgmChannel(); }
  SoundBuffer& se() { return objects.channels()->seChannel(); }
  DIBSprite& slot(int i) { return (*objects.sprites())[static_cast<size_t>(i)]; }
  // A pixel of the frame last put on the window.
  uint32_t shown(int x, int y) {
    const auto& frame = headless.host.lastFrame();
    return frame.empty() ? 0 : frame[static_cast<size_t>(y * 800 + x)] & 0xFFFFFF;
  }
  static std::string sj(std::string_view utf8) { return platform::utf8ToCp932(utf8); }
  std::string heroName() const {
    return std::string(runtime.settings.heroName,
                       strnlen(runtime.settings.heroName, sizeof runtime.settings.heroName));
  }

  TempFolder folder;
  platform::headless::HeadlessPlatform headless{folder.str()};
  Runtime runtime{headless.platform()};
  RuntimeObjects objects;
  frame::OptionSettings options{runtime};
  int repaints = 0;
};

}  // namespace kobre::testing
