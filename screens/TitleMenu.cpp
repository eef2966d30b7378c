#include "screens/TitleMenu.h"

#include <initializer_list>
#include <string>

#include "common/Buttons.h"
#include "screens/ScreenSprites.h"
#include "script/SceneSlots.h"

namespace kobre {

namespace {

using namespace title;

using screens::place;
using screens::releaseSlots;
using screens::setVisible;

// Screen music: streamed, at the music volume (remembered), looping. The
// same music already playing goes on where it is.
void playMusic(Runtime* rt, const char* path) {
  if (rt->soundChannels == nullptr) return;
  SoundBuffer& bgm = (*rt->soundChannels)[kBgmChannel];
  if (!bgm.loadStreamed(path)) return;
  bgm.setVolume(rt->settings.volumeBgm, true);
  bgm.play(true);
}

int chosenGame(const GameState& gs) {
  return gs.flags[kFlagGame] == 1 ? 1 : 0;
}
bool completed(const GameState& gs, int game) {
  return gs.flags[kFlagCompleted + game] != 0;
}

// Zeroes the whole record but the flags named.
void clearKeeping(GameState& gs, std::initializer_list<int> flags) {
  uint8_t kept[4] = {};
  int n = 0;
  for (int f : flags) kept[n++] = gs.flags[f];
  gs.clear();
  n = 0;
  for (int f : flags) gs.flags[f] = kept[n++];
}

// A picture name of the chosen game's variant: "cg\_<stem><1|2><ext>".
std::string variant(const char* stem, int game, const char* ext) {
  return std::string("cg\\_") + stem + (game == 1 ? "2" : "1") + ext;
}

struct TitleButton {
  const char* stem;  // null: the game has no such button
  const char* ext;
  int x;
  int y;
};
// Per game: new game, continue, extras, end, game select, after-story.
constexpr TitleButton kTitleButtons[2][6] = {
    {{"MnFirst", ".psd", 194, 292},
     {"MnCont", ".psd", 146, 348},
     {"MnOmake", ".psd", 98, 404},
     {"MnEnd", ".psd", 50, 460},
     {"MnGameSel", ".bmp", 0, 0},
     {nullptr, nullptr, 0, 0}},
    {{"MnFirst", ".psd", 448, 292},
     {"MnCont", ".psd", 496, 348},
     {"MnOmake", ".psd", 568, 404},
     {"MnEnd", ".psd", 640, 460},
     {"MnGameSel", ".bmp", 584, 0},
     {"MnAfter", ".psd", 334, 404}},
};
constexpr int kLoopStart = 13;  // the selected buttons repeat from this frame

// Game select hot rectangles: left, top, right, bottom (right and bottom
// excluded).
struct Rect {
  int left, top, right, bottom;
  bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};
constexpr Rect kGameRects[2] = {{107, 380, 227, 583}, {524, 428, 737, 531}};

// Route select: the three choices' plain and selected pictures, and the
// frame and name pictures of choices 0 and 1, per game.
struct Placed {
  const char* stem;
  const char* ext;
  int x[2];  // per game
  int y[2];
};
constexpr Placed kRoutePlain[3] = {{"MnPsLeft", ".bmp", {201, 201}, {312, 162}},
                                   {"MnPsRight", ".bmp", {473, 473}, {162, 312}},
                                   {"MnPsMain", ".psd", {0, 514}, {121, 121}}};
constexpr Placed kRouteSelected[3] = {{"MnPsLeftSel", ".bmp", {201, 201}, {312, 162}},
                                      {"MnPsRightSel", ".bmp", {473, 473}, {162, 312}},
                                      {"MnPsMainSel", ".psd", {0, 514}, {121, 121}}};
constexpr Placed kRouteFrame[2] = {{"MnPsLeftWaku", ".psd", {189, 189}, {300, 150}},
                                   {"MnPsRightWaku", ".psd", {461, 461}, {150, 300}}};
constexpr Placed kRouteName[2] = {{"MnPsLeftName", ".psd", {339, 339}, {300, 150}},
                                  {"MnPsRightName", ".psd", {156, 156}, {150, 300}}};
constexpr int kRoutePlainSlot = 60;
constexpr int kRouteSelectedSlot = 63;
constexpr int kRouteFrameSlot = 66;
constexpr int kRouteNameSlot = 69;
constexpr int kRouteChoices = 3;
constexpr int kLockedRoute = 1;      // open once the game has been completed
constexpr int kAfterStoryRoute = 2;  // back to the title screen

DIBSprite* placeRoute(Runtime* rt, int slot, const Placed& p, int game) {
  return place(rt, slot, variant(p.stem, game, p.ext), p.x[game], p.y[game]);
}

}  // namespace

void buildTitleScreen(Lexer& lexer) {
  Runtime* rt = lexer.runtime();
  const GameState& gs = rt->gameState;
  const int game = chosenGame(gs);
  releaseSlots(rt, kBackground + 1, kLastScreenSlot);
  place(rt, kBackground, variant("MnBack", game, ".bmp"), 0, 0);
  place(rt, 41, variant("Mn5AnivAnime", game, ".psd"), game == 0 ? 460 : 0, 546);
  if (DIBSprite* s = place(rt, 42, variant("MnAnime", game, ".psd"), game == 0 ? 0 : 451, 343))
    s->setHoldLastFrame(true);
  if (game == 1 && completed(gs, 1)) {
    if (DIBSprite* s = place(rt, 43, variant("MnAfterAnm", game, ".psd"), 334, 435))
      s->setHoldLastFrame(true);
  }
  for (int b = 0; b <= kAfterStory; ++b) {
    const TitleButton& button = kTitleButtons[game][b];
    if (button.stem == nullptr) continue;
    DIBSprite* s =
        place(rt, kFirstButton + b, variant(button.stem, game, button.ext), button.x, button.y);
    if (s == nullptr) continue;
    if (b != kGameSelect) s->setLoopStart(kLoopStart);
    s->hide();
  }
  playMusic(rt, game == 0 ? "wav\\ki_01.wav" : "wav\\sd_01.wav");
}

bool Lexer::TitleMenu() {
  Runtime* rt = runtime_;
  platform::Host* host = rt->platform.host;
  GameState& gs = rt->gameState;
  auto enableTitleItem = [&](bool on) {
    if (host != nullptr) host->setMenuEnabled("MnTitle", on);
  };
  // However the menu is left, returning to the title is possible again.
  auto stop = [&]() {
    enableTitleItem(true);
    return false;
  };
  auto leaveForGame = [&]() {
    enableTitleItem(true);
    if (rt->soundChannels != nullptr)
      (*rt->soundChannels)[kBgmChannel].startFade(rt->settings.volumeBgm, -5);
    ScreenFade(0);
    releaseSlots(rt, 0, kLastScreenSlot);
    return true;
  };

  enableTitleItem(false);
  ReadLastingRecord(kUnit, kCodeLastingCorrupted);
  for (;;) {
    if (!GameSelect()) return stop();
    const int game = chosenGame(gs);
    const int lastButton = game == 1 ? kAfterStory : kGameSelect;
    auto usable = [&](int b) {
      return b >= 0 && b <= lastButton &&
             (completed(gs, game) || (b != kExtras && b != kAfterStory));
    };
    buildTitleScreen(*this);
    ScreenFade(1);
    int selection = kNewGame;  // shown at the first pass
    int shown = -1;
    int lastX = rt->cursorX, lastY = rt->cursorY;
    bool toGameSelect = false;
    while (!rt->closing && !toGameSelect) {
      if (!PollInput() || !Present()) return stop();
      rt->returnToTitle = false;
      // The mouse picks the highest button under it; off every button the
      // last selection stays.
      if (rt->cursorX != lastX || rt->cursorY != lastY) {
        lastX = rt->cursorX;
        lastY = rt->cursorY;
        for (int b = lastButton; b >= 0; --b) {
          DIBSprite* s = slotAt(rt, kFirstButton + b);
          if (usable(b) && s != nullptr && s->hitTest(lastX, lastY)) {
            selection = b;
            break;
          }
        }
      }
      if (selection != shown) {
        if (selection >= 0) setVisible(rt, kFirstButton + selection, true);
        if (shown >= 0) setVisible(rt, kFirstButton + shown, false);
        shown = selection;
      }
      const uint32_t pressed = rt->pressedButtons;
      if ((pressed & kButtonOk) && selection >= 0) {
        switch (selection) {
          case kNewGame:
            ScreenFade(0);
            releaseSlots(rt, 0, kLastScreenSlot);
            if (!RouteSelect()) return stop();
            ScreenFade(0);
            releaseSlots(rt, 0, kLastScreenSlot);
            if (gs.flags[kFlagRoute] < kAfterStoryRoute) {
              clearKeeping(gs, {kFlagGame, kFlagRoute});
              return leaveForGame();
            }
            buildTitleScreen(*this);
            ScreenFade(1);
            selection = shown = -1;
            break;
          case kContinue: {
            const Flow loaded = SaveLoadScreen(true);
            if (loaded == Flow::Unwind) return stop();
            if (loaded == Flow::EndWait) {
              releaseSlots(rt, kFirstScreenSlot, 69);
              enableTitleItem(true);
              return true;
            }
            break;
          }
          case kExtras:
            ExtrasMenu();
            buildTitleScreen(*this);
            ScreenFade(1);
            shown = -1;  // the rebuilt buttons are all hidden
            break;
          case kEnd:
            if (host != nullptr) host->requestClose();
            break;
          case kGameSelect:
            ScreenFade(0);
            toGameSelect = true;
            break;
          case kAfterStory:
            clearKeeping(gs, {kFlagGame});
            gs.flags[kFlagRoute] = kAfterStoryRoute;
            return leaveForGame();
          default:
            break;
        }
      } else if (pressed & (kButtonUp | kButtonDown)) {
        // Wrap around the game's buttons, passing over the locked ones.
        const int step = (pressed & kButtonUp) ? -1 : 1;
        int b = selection >= 0 ? selection : (step > 0 ? -1 : lastButton + 1);
        do {
          b += step;
          if (b < 0) b = lastButton;
          if (b > lastButton) b = 0;
        } while (!usable(b));
        selection = b;
      }
    }
    if (!toGameSelect) return leaveForGame();  // the program is closing
  }
}

bool Lexer::GameSelect() {
  Runtime* rt = runtime_;
  releaseSlots(rt, kBackground + 1, kLastScreenSlot);
  place(rt, kBackground, "cg\\_MnGsBack.bmp", 0, 0);
  if (DIBSprite* s = place(rt, 41, "cg\\_MnGsMorvane.bmp", 0, 0)) s->hide();
  if (DIBSprite* s = place(rt, 42, "cg\\_MnGsQuellan.bmp", 0, 0)) s->hide();
  place(rt, 43, "cg\\_MnGsAnime.psd", 299, 314);
  playMusic(rt, "wav\\ki_07.wav");
  ScreenFade(1);

  int hovered = -1, shown = -1;
  int lastX = rt->cursorX, lastY = rt->cursorY;
  const FlagScope waiting(rt->gameSelectWaiting);
  while (!rt->closing) {
    if (!PollInput() || !Present()) return false;
    rt->returnToTitle = false;
    if (rt->cursorX != lastX || rt->cursorY != lastY) {
      lastX = rt->cursorX;
      lastY = rt->cursorY;
      hovered = -1;
      for (int g = 0; g < 2; ++g)
        if (kGameRects[g].contains(lastX, lastY)) hovered = g;
    }
    const uint32_t pressed = rt->pressedButtons;
    if (pressed & kButtonLeft) hovered = 0;
    if (pressed & kButtonRight) hovered = 1;
    if (hovered != shown) {
      setVisible(rt, kBackground, hovered == -1);
      setVisible(rt, 41, hovered == 0);
      setVisible(rt, 42, hovered == 1);
      shown = hovered;
    }
    if ((pressed & kButtonOk) && hovered >= 0) {
      rt->gameState.flags[kFlagGame] = static_cast<uint8_t>(hovered);
      break;
    }
  }
  ScreenFade(0);
  releaseSlots(rt, 0, kLastScreenSlot);
  return true;
}

bool Lexer::RouteSelect() {
  Runtime* rt = runtime_;
  GameState& gs = rt->gameState;
  const int game = chosenGame(gs);
  const bool open = completed(gs, game);
  releaseSlots(rt, kBackground + 1, kLastScreenSlot);
  place(rt, kBackground, variant("MnPsBack", game, ".bmp"), 0, 0);
  place(rt, 41, variant("MnPsHLine", game, ".psd"), 0, 121);
  place(rt, 42, variant("MnPsHLine", game, ".psd"), 0, 455);
  place(rt, 43, variant("MnPsLeftAnm", game, ".psd"), 0, 0);
  place(rt, 44, variant("MnPsRightAnm", game, ".psd"), 727, 0);
  place(rt, 45, variant("MnPsRead", game, ".psd"), game == 0 ? 514 : 0, 455);
  for (int i = 0; i < kRouteChoices; ++i) {
    placeRoute(rt, kRoutePlainSlot + i, kRoutePlain[i], game);
    if (DIBSprite* s = placeRoute(rt, kRouteSelectedSlot + i, kRouteSelected[i], game)) s->hide();
  }
  for (int i = 0; i < 2; ++i) {
    if (DIBSprite* s = placeRoute(rt, kRouteFrameSlot + i, kRouteFrame[i], game)) s->hide();
    if (DIBSprite* s = placeRoute(rt, kRouteNameSlot + i, kRouteName[i], game)) {
      s->setHoldLastFrame(true);
      s->setStill(true);
    }
  }
  ScreenFade(1);

  int choice = 0, shown = -2;  // choice 0 is shown at the first pass
  int lastX = rt->cursorX, lastY = rt->cursorY;
  auto locked = [&](int i) { return i == kLockedRoute && !open; };
  while (!rt->closing) {
    if (!PollInput() || !Present()) return false;
    rt->returnToTitle = false;
    if (rt->cursorX != lastX || rt->cursorY != lastY) {
      lastX = rt->cursorX;
      lastY = rt->cursorY;
      choice = -1;
      for (int i = kRouteChoices - 1; i >= 0; --i) {
        DIBSprite* s = slotAt(rt, kRoutePlainSlot + i);
        if (!locked(i) && s != nullptr && s->hitTest(lastX, lastY)) {
          choice = i;
          break;
        }
      }
    }
    if (choice != shown) {
      for (int i = 0; i < kRouteChoices; ++i) {
        const bool chosen = i == choice;
        setVisible(rt, kRoutePlainSlot + i, !chosen);
        setVisible(rt, kRouteSelectedSlot + i, chosen);
        if (i >= 2) continue;  // choice 2 has no frame or name picture
        setVisible(rt, kRouteFrameSlot + i, chosen);
        if (DIBSprite* name = slotAt(rt, kRouteNameSlot + i)) {
          name->setFrame(0);
          name->setStill(!chosen);
        }
      }
      shown = choice;
    }
    const uint32_t pressed = rt->pressedButtons;
    if ((pressed & kButtonOk) && choice >= 0) {
      gs.flags[kFlagRoute] = static_cast<uint8_t>(choice);
      break;
    }
    if (pressed & kButtonLeft) {
      choice = choice <= 0 ? kRouteChoices - 1 : choice - 1;
      if (locked(choice)) choice = 0;
    } else if (pressed & kButtonRight) {
      choice = choice < 0 || choice == kRouteChoices - 1 ? 0 : choice + 1;
      if (locked(choice)) choice = kRouteChoices - 1;
    }
  }
  ScreenFade(0);
  releaseSlots(rt, 0, kLastScreenSlot);
  return true;
}

}  // namespace kobre
