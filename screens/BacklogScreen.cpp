#include "screens/BacklogScreen.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/Buttons.h"
#include "script/SceneSlots.h"

namespace kobre {

namespace backlog {

namespace {

constexpr int kIconX = 739;
constexpr int kIconY[kIconCount] = {475, 515, 555};
constexpr uint32_t kWhite = 0xFFFFFF;

// The three forms of each icon; the newer icon's highlighted form is the
// same picture in both games.
struct IconPictures {
  const char* animated;
  const char* plain[2];
  const char* highlighted[2];
};
constexpr IconPictures kIcons[kIconCount] = {
    {"cg\\_iVoAnm1.psd",
     {"cg\\_iVo1.psd", "cg\\_iVo2.psd"},
     {"cg\\_iVoSel1.psd", "cg\\_iVoSel2.psd"}},
    {"cg\\_iLogUpAnm1.psd",
     {"cg\\_iLogUp1.psd", "cg\\_iLogUp2.psd"},
     {"cg\\_iLogUpSel1.psd", "cg\\_iLogUpSel2.psd"}},
    {"cg\\_iLogDownAnm1.psd",
     {"cg\\_iLogDown1.psd", "cg\\_iLogDown2.psd"},
     {"cg\\_iLogDownSel1.psd", "cg\\_iLogDownSel1.psd"}},
};

void setVisible(Runtime* rt, int slot, bool visible) {
  if (DIBSprite* s = slotAt(rt, slot)) visible ? s->show() : s->hide();
}

}  // namespace

int entryCount(const GameState& gs) {
  if (gs.backlogWrapped != 0) return kBacklogEntries;
  return std::clamp(gs.backlogIndex, 1, kBacklogEntries);
}

const BacklogEntry& entryAt(const GameState& gs, int n) {
  // Unsigned: a damaged record's index may be any 32-bit value.
  const uint32_t ring = static_cast<uint32_t>(gs.backlogIndex) - static_cast<uint32_t>(n);
  return gs.backlog[ring & (kBacklogEntries - 1)];
}

}  // namespace backlog

void Lexer::ShowBacklogEntry(int n) {
  Runtime* rt = runtime_;
  if (state == nullptr) return;
  const GameState& gs = *state;
  const BacklogEntry& entry = backlog::entryAt(gs, n);
  // An entry from a damaged save may hold no terminator.
  const std::string_view text(entry.text, strnlen(entry.text, sizeof entry.text));
  if (DIBSprite* s = slotAt(rt, backlog::kText)) {
    s->setText(text, &rt->messageFont, backlog::kWhite, 22, gs.textColumns, gs.textRows);
    s->setPosition(placed(int64_t{gs.windowX} + gs.textX), placed(int64_t{gs.windowY} + gs.textY));
  }
  if (DIBSprite* s = slotAt(rt, backlog::kCounter)) {
    char counter[32];
    std::snprintf(counter, sizeof counter, "%3d / %d", n, backlog::entryCount(gs));
    s->setText(counter, &rt->smallFont, backlog::kWhite, 18, 100, 1);
    s->setPosition(712, 443);
  }
}

Flow Lexer::BacklogScreen() {
  using namespace backlog;
  Runtime* rt = runtime_;
  if (state == nullptr) return Flow::Next;
  const GameState& gs = *state;
  if (IsSkipping()) SetSkip(false);
  SetWindowGroup(3);

  if (DIBSprite* box = slotAt(rt, kBox)) {
    // A box that cannot be made leaves the log without its backing; the
    // entries still show.
    if (box->createBox(gs.windowX, gs.windowY, gs.windowWidth, gs.windowHeight))
      box->setBoxStyle(2);
  }
  const int game = gs.flags[kFlagSecondGame] != 0 ? 1 : 0;
  if (DIBSprite* frame = slotAt(rt, kFrame);
      frame != nullptr && frame->loadImage(game == 1 ? "cg\\_Log2.psd" : "cg\\_Log1.psd"))
    frame->setPosition(placed(int64_t{gs.windowX} + gs.windowPictureX),
                       placed(int64_t{gs.windowY} + gs.windowPictureY));
  int n = 1;
  ShowBacklogEntry(n);
  for (int i = 0; i < kIconCount; ++i) {
    const char* names[3] = {kIcons[i].animated, kIcons[i].plain[game], kIcons[i].highlighted[game]};
    const int slotsOf[3] = {kIconAnimated + i, kIconPlain + i, kIconHighlight + i};
    for (int k = 0; k < 3; ++k) {
      DIBSprite* s = slotAt(rt, slotsOf[k]);
      if (s == nullptr || !s->loadImage(names[k])) continue;
      s->setPosition(kIconX, kIconY[i]);
      s->hide();
    }
  }

  auto show = [&](int entry) {
    n = entry;
    ShowBacklogEntry(n);
  };
  auto animatedVisible = [&](int icon) {
    DIBSprite* s = slotAt(rt, kIconAnimated + icon);
    return s != nullptr && s->isVisible();
  };
  while (!rt->closing) {
    if (rt->returnToTitle) {
      rt->returnToTitle = false;
      return Flow::EndWait;
    }
    if (rt->fontChanged) {
      if (DIBSprite* s = slotAt(rt, kText)) s->setFont(&rt->messageFont);
      rt->fontChanged = false;
    }
    if (!PollInput() || !Present()) return Flow::Unwind;

    const int count = entryCount(gs);
    const BacklogEntry& entry = entryAt(gs, n);
    setVisible(rt, kIconAnimated + kVoice, entry.voice[0] != 0);
    setVisible(rt, kIconAnimated + kOlder, n < count);
    setVisible(rt, kIconAnimated + kNewer, n > 1);

    int hovered = -1;
    for (int i = 0; i < kIconCount; ++i) {
      DIBSprite* anim = slotAt(rt, kIconAnimated + i);
      const bool visible = anim != nullptr && anim->isVisible();
      if (visible && spriteContains(*anim, rt->cursorX, rt->cursorY, true)) {
        setVisible(rt, kIconPlain + i, false);
        setVisible(rt, kIconHighlight + i, true);
        hovered = i;
      } else {
        setVisible(rt, kIconPlain + i, visible);
        setVisible(rt, kIconHighlight + i, false);
      }
    }

    const uint32_t pressed = rt->pressedButtons;
    if (pressed & kButtonCancel) break;
    if (pressed & kButtonOk) {
      if (hovered == kVoice) ReplayVoice(n);
      if (hovered == kOlder) show(n + 1);
      if (hovered == kNewer) show(n - 1);
    }
    if ((pressed & kButtonCenter) && animatedVisible(kVoice)) ReplayVoice(n);
    if ((pressed & kButtonWheelUp) && animatedVisible(kOlder)) show(n + 1);
    if ((pressed & kButtonWheelDown) && animatedVisible(kNewer)) show(n - 1);
  }

  for (int s : {kBox, 21, kFrame, kText})
    if (DIBSprite* sp = slotAt(rt, s)) sp->release();
  for (int s = kIconAnimated; s <= kCounter; ++s) setVisible(rt, s, false);
  SetWindowGroup(1);
  rt->pressedButtons = 0;
  return Flow::Next;
}

}  // namespace kobre
