// A script fixture with the real picture side: back buffer, 130 sprite slots
// and text drawing on the headless platform, and an input poll and present
// that work as the main window's do (logical buttons, newly pressed ones,
// compose and repaint). Pictures are generated into the game folder's cg/.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/Buttons.h"
#include "common/SjisText.h"
#include "input/InputMap.h"
#include "platform/posix/IconvTextCodec.h"
#include "script/RuntimeObjects.h"
#include "script/SceneSlots.h"
#include "sound/SoundDevice.h"
#include "tests/script/ScriptFixture.h"
#include "tools/writers/BmpWriter.h"
#include "tools/writers/PsdWriter.h"

namespace kobre::testing {

using Step = platform::headless::InputStep;

class SceneFixture : public ScriptFixture {
 protected:
  SceneFixture() : objects(*runtime) {
    std::memcpy(runtime->settings.heroName, kSjisDefaultHeroName.data(),
                kSjisDefaultHeroName.size());
    objects.createBackBuffer(true);
    objects.createSprites();
    objects.createSoundDevice();
    objects.createSoundChannels();
    back = objects.backBuffer();
    sprites = objects.sprites();
    sound = objects.soundDevice();
    channels = objects.channels();

    runtime->frame.pollInput = [this] { return poll(); };
    runtime->frame.present = [this] {
      ++composes;
      if (onCompose) onCompose();
      back->compose(*sprites);
      back->present();
      return !runtime->closing;
    };
    runtime->frame.presentShaken = [this](int offset) {
      back->setShake(offset);
      shakes.push_back(offset);
      back->present();
      return !runtime->closing;
    };
  }

  // The main window's poll: logical buttons held now, and those newly down.
  bool poll() {
    headless.host.pumpEvents();
    channels->pollUpdate();
    if (runtime->closing) return false;
    platform::InputState in;
    headless.host.readInput(in);
    const uint32_t held = composeButtons(in);
    runtime->pressedButtons = held & ~runtime->heldButtons;
    runtime->heldButtons = held;
    runtime->cursorX = in.cursorX;
    runtime->cursorY = in.cursorY;
    lexer->mouseX = in.cursorX;
    lexer->mouseY = in.cursorY;
    return true;
  }

  // A 24-bit BMP of one colour in cg/.
  void bmp(const std::string& name, int w, int h, uint32_t rgb) {
    std::vector<uint32_t> px(static_cast<size_t>(w) * h, rgb);
    dir.write("cg/" + name + ".bmp", writers::writeBmp24(w, h, px));
  }
  // A one-layer PSD with alpha in cg/, opaque in one colour.
  void psd(const std::string& name, int w, int h, uint32_t argb) {
    writers::PsdDocument doc;
    doc.width = static_cast<uint32_t>(w);
    doc.height = static_cast<uint32_t>(h);
    doc.layers.push_back(writers::makePsdLayer(0, 0, w, h, [&](int, int) { return argb; }));
    dir.write("cg/" + name + ".psd", writers::writePsd(doc));
  }
  // The pictures the message and choice waits load.
  void systemPictures() {
    psd("_Ret", 16, 16, 0xFFFFFF00);
    for (const char* icon : {"Log", "Save", "Load"}) {
      psd(std::string("_i") + icon + "Anm1", 40, 30, 0xFF00FF00);
      for (const char* n : {"1", "2"}) {
        psd(std::string("_i") + icon + n, 40, 30, 0xFF0000FF);
        psd(std::string("_i") + icon + "Sel" + n, 40, 30, 0xFFFF0000);
      }
    }
    psd("_SelectSel1", 300, 40, 0xFF808000);
    psd("_SelectSel2", 300, 40, 0xFF008080);
  }

  // Input from a poll on: buttons held, and the mouse (-1 keeps it).
  static Step input(uint64_t poll, uint32_t buttons, int x = -1, int y = -1) {
    Step s;
    s.poll = poll;
    s.buttons = buttons;
    s.x = x;
    s.y = y;
    return s;
  }
  uint64_t nextPoll() const { return headless.host.polls() + 1; }

  DIBSprite& slot(int i) { return (*sprites)[static_cast<size_t>(i)]; }
  uint32_t pixel(int x, int y) { return back->surface()->pixels(0)[y * 800 + x] & 0xFFFFFF; }
  const char* layerName(int i) const { return runtime->gameState.layerNames[i]; }
  uint64_t presents() const { return headless.host.presents(); }

  static std::string sj(std::string_view utf8) { return platform::utf8ToCp932(utf8); }
  static std::string utf8(std::string_view cp932) { return platform::cp932ToUtf8(cp932); }

  // The runtime's engine objects, wired as the program wires them.
  RuntimeObjects objects;
  GraphicsContext& graphics = objects.graphics;
  DIB* back = nullptr;
  SpriteSlots* sprites = nullptr;
  SoundDevice* sound = nullptr;
  SoundChannels* channels = nullptr;
  std::vector<int> shakes;
  int composes = 0;
  std::function<void()> onCompose;  // called before each composed present
};

}  // namespace kobre::testing
