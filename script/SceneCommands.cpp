// Scene graphics commands: picture layers 0-2 with their six fade kinds,
// whole-screen fades on the back buffer, shake and rotation.
#include <algorithm>
#include <cstring>
#include <string>

#include "common/Buttons.h"
#include "script/SceneSlots.h"

namespace kobre {

namespace {

bool is(const char* kind, const char* word) {
  return std::strcmp(kind, word) == 0;
}

void storeName(char (&field)[kNameSize], const char* name) {
  const size_t n = strnlen(name, kNameSize - 1);
  std::memset(field, 0, kNameSize);
  std::memcpy(field, name, n);
}

// The level change per frame. A speed below 1 would never finish a fade.
int effectSpeed(const Runtime* rt) {
  return std::max(1, rt->settings.effectSpeed);
}

}  // namespace

bool Lexer::Fade(const char* kind, int first, int second, int third, int divisor) {
  Runtime* rt = runtime_;
  const int given[3] = {first, second, third};
  const bool brightnessMode = first == 0;
  const bool skipped = rt->skipMode && rt->settings.skipEffect;
  const int speed = effectSpeed(rt);
  auto setLevel = [&](int level) {
    const int v = std::clamp(level, 0, 255);
    for (int s : given)
      if (DIBSprite* sp = slotAt(rt, s)) brightnessMode ? sp->setBrightness(v) : sp->setOpacity(v);
  };
  auto frame = [&]() { return Present() && PollInput(); };
  auto pollFrame = [&]() { return PollInput() && Present(); };

  if (is(kind, "FADE_SET")) return true;
  if (is(kind, "FADE_NONE")) return Present();
  if (is(kind, "FADE_STOP")) {
    setLevel(0);
    return Present();
  }
  if (is(kind, "FADE_OUT")) {
    // Half speed and slower fades (fo2) divide the step; it never drops to 0.
    const int step = std::max(1, speed / std::max(1, divisor));
    if (!skipped) {
      for (int level = 256;;) {
        setLevel(level);
        if (!frame()) return false;
        if (rt->pressedButtons & kButtonOk) break;
        if (rt->pressedButtons & kButtonCancel) SetSkip(false);
        if (rt->heldButtons & kButtonControl) break;
        level -= step;
        if (level < 1) break;
      }
    }
    for (int s : given) {
      if (DIBSprite* sp = slotAt(rt, s)) sp->release();
      if (state != nullptr && s >= 0 && s < kLayerCount) storeName(state->layerNames[s], "");
    }
    return Present();
  }
  if (is(kind, "FADE_IN")) {
    if (!skipped) {
      for (int level = 0;;) {
        if (brightnessMode) {
          if (DIBSprite* sp = slotAt(rt, first)) sp->setBrightness(level);
          for (int s : {second, third})
            if (DIBSprite* sp = slotAt(rt, s)) {
              sp->setBrightness(level);
              sp->setOpacity(255);
            }
        } else {
          setLevel(level);
        }
        if (!pollFrame()) return false;
        if (rt->pressedButtons & kButtonOk) break;
        // Clears the flag only; the menu caption stays as it is.
        if (rt->pressedButtons & kButtonCancel) rt->skipMode = false;
        if (rt->heldButtons & kButtonControl) break;
        level += speed;
        if (level > 255) break;
      }
    }
    setLevel(255);
    return pollFrame();
  }
  if (is(kind, "FADE_CROSS")) {
    DIBSprite* spare = slotAt(rt, slots::kCrossSpare);
    DIBSprite* target = slotAt(rt, first);
    if (!skipped) {
      for (int level = 0;;) {
        if (target) target->setOpacity(level);
        if (spare) spare->setOpacity(255 - level);
        if (!pollFrame()) return false;
        if (rt->pressedButtons & kButtonOk) break;
        if (rt->pressedButtons & kButtonCancel) SetSkip(false);
        if (rt->heldButtons & kButtonControl) break;
        level += speed;
        if (level > 255) break;
      }
    }
    if (target) target->setOpacity(255);
    if (spare) spare->release();
    return pollFrame();
  }
  ReportBadParameter(kind);
  return true;
}

bool Lexer::SetLayer(int slot, const char* name, const char* kind, int x, int y) {
  Runtime* rt = runtime_;
  if (slot < 0 || slot >= kLayerCount) return true;
  if (state != nullptr) storeName(state->layerNames[slot], name);
  DIBSprite* sp = slotAt(rt, slot);
  if (name[0] == 0) {
    if (is(kind, "FADE_NONE")) {
      if (sp) sp->release();
      return Present();
    }
    if (is(kind, "FADE_SET")) {
      if (sp) sp->release();
      return true;
    }
  }
  if (is(kind, "FADE_OUT")) return Fade("FADE_OUT", slot, -1, -1, 1);

  std::string path = std::string("cg\\") + name + ".bmp";
  if (!FileExists(path, true)) {
    path = std::string("cg\\") + name + ".psd";
    if (!FileExists(path, false)) return true;
  }
  if (is(kind, "FADE_CROSS")) {
    // The old picture stays on screen in the spare slot while the new fades in.
    DIBSprite* spare = slotAt(rt, slots::kCrossSpare);
    if (sp && spare) sp->swapWith(*spare);
  }
  if (sp == nullptr || !sp->loadImage(path)) return true;
  sp->setPosition(x, y);
  if (state != nullptr) state->layerX[slot] = x;
  return Fade(kind, slot, -1, -1, 1);
}

bool Lexer::ClearForFadeIn(bool withBackground, const char* kind) {
  if (!is(kind, "FADE_IN")) return true;
  auto shown = [&](int s) {
    DIBSprite* sp = slotAt(runtime_, s);
    return sp != nullptr && sp->isLoaded();
  };
  if (!((withBackground && shown(0)) || shown(1) || shown(2))) return true;
  return withBackground ? Fade("FADE_OUT", 0, 1, 2, 1) : Fade("FADE_OUT", 1, 2, -1, 1);
}

bool Lexer::Bg(const char* name, const char* kind) {
  return SetLayer(0, name, kind, 0, 0);
}

bool Lexer::Bg1(const char* name, const char* kind) {
  if (!ClearForFadeIn(true, kind)) return false;
  if (!SetLayer(0, name, "FADE_SET", 0, 0)) return false;
  return Fade(kind, 0, -1, -1, 1);
}

bool Lexer::Bg2(const char* name1, const char* name2, const char* kind) {
  if (!ClearForFadeIn(true, kind)) return false;
  if (!SetLayer(0, name1, "FADE_SET", 0, 0)) return false;
  if (!SetLayer(1, name2, "FADE_SET", 0, 0)) return false;
  return Fade(kind, 0, 1, -1, 1);
}

bool Lexer::Bg3(const char* name1, const char* name2, const char* name3, const char* kind) {
  if (!ClearForFadeIn(true, kind)) return false;
  if (!SetLayer(0, name1, "FADE_SET", 0, 0)) return false;
  if (!SetLayer(1, name2, "FADE_SET", -kSideCharacterOffset, 0)) return false;
  if (!SetLayer(2, name3, "FADE_SET", kSideCharacterOffset, 0)) return false;
  return Fade(kind, 0, 1, 2, 1);
}

bool Lexer::Ev1(const char* name, const char* kind) {
  return Bg1(name, kind);
}

bool Lexer::Sp(int32_t layer, const char* name, const char* kind, int x) {
  // Only layers 1 and 2 are recorded: anything else is refused.
  if (layer < 0 || layer > 1) {
    ReportBadParameter(std::to_string(layer));
    return true;
  }
  return SetLayer(static_cast<int>(layer) + 1, name, kind, x, 0);
}

bool Lexer::Sp1(const char* name, const char* kind) {
  if (!ClearForFadeIn(false, kind)) return false;
  if (is(kind, "FADE_CROSS")) return SetLayer(1, name, "FADE_CROSS", 0, 0);
  if (!SetLayer(1, name, "FADE_SET", 0, 0)) return false;
  return Fade(kind, 1, -1, -1, 1);
}

bool Lexer::Sp2(const char* name1, const char* name2, const char* kind) {
  if (!ClearForFadeIn(false, kind)) return false;
  if (!SetLayer(1, name1, "FADE_SET", -kSideCharacterOffset, 0)) return false;
  if (!SetLayer(2, name2, "FADE_SET", kSideCharacterOffset, 0)) return false;
  return Fade(kind, 1, 2, -1, 1);
}

bool Lexer::ScreenFade(int form) {
  Runtime* rt = runtime_;
  DIB* back = rt->backBuffer;
  // Compose once (the present shows it), then work on the pixels directly:
  // each pass only repaints the window.
  Present();
  if (back == nullptr || back->surface() == nullptr || back->surface()->pixels(0) == nullptr)
    return true;
  uint32_t* px = back->surface()->pixels(0);
  constexpr size_t kPixels = static_cast<size_t>(DIB::kWidth) * DIB::kHeight;
  const int speed = effectSpeed(rt);
  auto repaint = [&]() {
    // The pixels were written through px since the last present.
    back->surface()->markChanged();
    PresentShaken(0);
    PollInput();
  };
  // The screen as it is now, kept in slot 127 while fading from it.
  auto copyScreen = [&]() -> const uint32_t* {
    DIBSprite* copy = slotAt(rt, slots::kScreenCopy);
    if (copy == nullptr || !copy->createBlank(DIB::kWidth, DIB::kHeight)) return nullptr;
    uint32_t* dst = copy->bitmap()->pixels(0);
    if (dst == nullptr) return nullptr;
    std::memcpy(dst, px, kPixels * sizeof(uint32_t));
    return dst;
  };
  auto perByte = [&](auto fn) {
    uint8_t* b = reinterpret_cast<uint8_t*>(px);
    for (size_t i = 0; i < kPixels * 4; ++i) b[i] = fn(i, b[i]);
  };

  switch (form) {
    case 0:  // darken to black; the alpha byte is left alone
      for (int level = 256; level > 0; level -= speed) {
        for (size_t i = 0; i < kPixels; ++i) {
          uint32_t p = px[i];
          uint32_t out = p & 0xFF000000u;
          for (int shift = 0; shift < 24; shift += 8) {
            int c = static_cast<int>((p >> shift) & 0xFF) - speed;
            out |= static_cast<uint32_t>(std::max(c, 0)) << shift;
          }
          px[i] = out;
        }
        repaint();
      }
      return true;
    case 1: {  // from black
      const uint32_t* copy = copyScreen();
      if (copy == nullptr) return true;
      const uint8_t* src = reinterpret_cast<const uint8_t*>(copy);
      for (int level = 0; level < 256; level += speed) {
        perByte([&](size_t i, uint8_t) { return static_cast<uint8_t>(src[i] * level / 256); });
        repaint();
      }
      if (DIBSprite* c = slotAt(rt, slots::kScreenCopy)) c->release();
      return true;
    }
    case 2:  // to white
      for (int pass = 0; pass <= 255; pass += speed) {
        perByte([&](size_t, uint8_t b) { return static_cast<uint8_t>(std::min(b + speed, 255)); });
        repaint();
      }
      return true;
    case 3: {  // from white
      const uint32_t* copy = copyScreen();
      if (copy == nullptr) return true;
      const uint8_t* src = reinterpret_cast<const uint8_t*>(copy);
      for (int level = 255; level >= 0; level -= speed) {
        perByte(
            [&](size_t i, uint8_t) { return static_cast<uint8_t>(std::max<int>(src[i], level)); });
        repaint();
      }
      if (DIBSprite* c = slotAt(rt, slots::kScreenCopy)) c->release();
      return true;
    }
    default:
      return true;
  }
}

bool Lexer::Shake(const char* /*word*/) {
  Runtime* rt = runtime_;
  SetRumble(10000);
  bool ok = true;
  for (int n = 20, pass = 0; n >= 1; --n, ++pass) {
    if (!PollInput()) {
      ok = false;
      break;
    }
    if ((rt->skipMode && rt->settings.skipEffect) || (rt->heldButtons & kButtonControl) ||
        (rt->pressedButtons & kButtonOk))
      break;
    const int amplitude = (n / 2) * (n / 2);
    if (!PresentShaken(pass % 2 == 0 ? -amplitude : amplitude)) {
      ok = false;
      break;
    }
  }
  SetRumble(0);
  return PresentShaken(0) && ok;
}

bool Lexer::Rotate(int32_t angle, int32_t step, const char* mode) {
  Runtime* rt = runtime_;
  auto setAll = [&](int32_t a) {
    for (int s = 0; s < kLayerCount; ++s)
      if (DIBSprite* sp = slotAt(rt, s)) sp->setRotation(static_cast<int>(a));
  };
  if (is(mode, "ROTATE_SET")) {
    setAll(angle);
    return true;
  }
  if (!is(mode, "ROTATE_MOVE")) return true;
  // A step of 0 or less would never reach the angle.
  if (step < 1) step = 1;
  DIBSprite* first = slotAt(rt, 0);
  int64_t current = first ? first->rotation() : 0;
  while (static_cast<int64_t>(angle) >= current) {
    setAll(static_cast<int32_t>(current));
    if (!Present() || !PollInput()) return false;
    if (rt->heldButtons & kButtonControl) break;
    current += step;
  }
  setAll(angle);
  return Present();
}

}  // namespace kobre
