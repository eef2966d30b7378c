// Choices: the choice window definition, registering labels and `select`.
#include <algorithm>
#include <cstring>
#include <string>

#include "common/Buttons.h"
#include "script/SceneSlots.h"

namespace kobre {

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr int kCellWidth = 22;
constexpr int kLabelColumns = 100;

void releaseSlot(Runtime* rt, int i) {
  if (DIBSprite* sp = slotAt(rt, i)) sp->release();
}

// Icon rectangles include their right and bottom edges; choice boxes do not.
bool insideIcon(const DIBSprite& sp, int x, int y) {
  return spriteContains(sp, x, y, true);
}

bool insideBox(const DIBSprite& sp, int x, int y) {
  return spriteContains(sp, x, y, false);
}

}  // namespace

bool Lexer::WindowSel(const WindowSelArgs& a) {
  if (a.no != 1) ReportScriptError("現在サポートされていないウィンドウＮｏ．", a.noWord);
  if (state == nullptr) return true;
  state->selectX = a.x;
  state->selectY = a.y;
  state->selectWidth = a.width;
  state->selectHeight = a.height;
  state->selectTextX = a.textX;
  state->selectTextY = a.textY;
  state->selectColumns = a.columns;
  state->selectRows = a.rows;
  state->selectStepX = a.stepX;
  state->selectStepY = a.stepY;
  const size_t n = strnlen(a.picture, kNameSize - 1);
  std::memcpy(state->selectPicture, a.picture, n);
  state->selectPicture[n] = 0;
  state->selectPictureX = a.pictureX;
  state->selectPictureY = a.pictureY;
  return true;
}

bool Lexer::DefSel(const char* label) {
  if (choiceCount >= kMaxChoices) {
    ReportScriptError("選択肢はこれ以上登録できない", label);
    return true;
  }
  auto& entry = choiceTexts[static_cast<size_t>(choiceCount)];
  entry.reset();
  // "NULL" registers an empty entry: not shown, but it keeps its number.
  if (std::strcmp(label, "NULL") != 0) entry.emplace(label);
  ++choiceCount;
  return true;
}

bool Lexer::DrawChoices() {
  Runtime* rt = runtime_;
  if (state == nullptr) return true;
  const GameState& gs = *state;
  int k = 0;  // shown boxes close up over empty entries
  for (int i = 0; i < choiceCount && i < kMaxChoices; ++i) {
    const auto& label = choiceTexts[static_cast<size_t>(i)];
    if (!label) continue;
    // Script numbers may be anything: sums are taken in 64 bits.
    const int64_t left = int64_t{gs.selectX} + int64_t{k} * gs.selectStepX;
    const int64_t top = int64_t{gs.selectY} + int64_t{k} * gs.selectStepY;
    DIBSprite* box = slotAt(rt, slots::kChoiceBox + i);
    if (box != nullptr &&
        !box->createBox(placed(left), placed(top), gs.selectWidth, gs.selectHeight))
      return false;
    if (DIBSprite* text = slotAt(rt, slots::kChoiceLabel + i)) {
      text->setText(*label, &rt->messageFont, kWhite, kCellWidth, kLabelColumns, 1);
      int64_t x = left + gs.selectTextX;
      if (gs.flags[kFlagSelectCenter] != 0)
        x += (int64_t{gs.selectColumns} * kCellWidth) / 2 -
             (static_cast<int64_t>(label->size()) * kCellWidth) / 4;
      text->setPosition(placed(x), placed(top + gs.selectTextY));
    }
    const std::string picture(gs.selectPicture, strnlen(gs.selectPicture, kNameSize));
    std::string path = "cg\\" + picture + ".bmp";
    bool found = FileExists(path, true);
    if (!found) {
      path = "cg\\" + picture + ".psd";
      found = FileExists(path, false);
    }
    if (found) {
      DIBSprite* sp = slotAt(rt, slots::kChoicePicture + i);
      if (sp == nullptr || !sp->loadImage(path)) return false;
      sp->setPosition(placed(left + gs.selectPictureX), placed(top + gs.selectPictureY));
    }
    ++k;
  }
  if (DIBSprite* highlight = slotAt(rt, slots::kChoiceHighlight)) {
    const bool second = gs.flags[kFlagSecondGame] != 0;
    if (highlight->loadImage(second ? "cg\\_SelectSel2.psd" : "cg\\_SelectSel1.psd"))
      highlight->hide();
  }
  return true;
}

Flow Lexer::Select(int32_t no, const char* noWord) {
  Runtime* rt = runtime_;
  if (no != 1) ReportScriptError("現在サポートされていないウィンドウＮｏ．", noWord);
  if (!DrawChoices()) return Flow::Unwind;
  if (state != nullptr && state->flags[kFlagWindowHidden] == 0 && isTopScript) ShowIcons(0);

  const int count = std::min(choiceCount, kMaxChoices);
  int selected = -1, previous = -1;
  int lastX = rt->cursorX, lastY = rt->cursorY;
  auto releaseHighlight = [&]() { releaseSlot(rt, slots::kChoiceHighlight); };
  const FlagScope waiting(rt->choiceWaiting);
  for (;;) {
    if (WaitStep(true) == Flow::EndWait) return Flow::Next;
    if (rt->returnToMenu) {
      rt->returnToMenu = false;
      return Flow::Unwind;
    }
    const uint32_t pressed = rt->pressedButtons;
    if ((pressed & kButtonOk) && selected != -1) {
      if (rt->closing) return Flow::Next;
      for (int i = 0; i < count; ++i) {
        releaseSlot(rt, slots::kChoiceBox + i);
        releaseSlot(rt, slots::kChoicePicture + i);
        releaseSlot(rt, slots::kChoiceLabel + i);
      }
      releaseHighlight();
      if (!Present()) return Flow::Unwind;
      const auto& label = choiceTexts[static_cast<size_t>(selected)];
      const std::string picked = label ? *label : std::string();
      choiceCount = 0;
      if (state != nullptr) state->variable('S') = selected + 1;
      AddBacklog(true, picked);
      return Flow::Next;
    }

    // The mouse picks the last box under it; keys move from there.
    if (rt->cursorX != lastX || rt->cursorY != lastY) {
      lastX = rt->cursorX;
      lastY = rt->cursorY;
      selected = -1;
      for (int i = 0; i < count; ++i) {
        if (!choiceTexts[static_cast<size_t>(i)]) continue;
        DIBSprite* box = slotAt(rt, slots::kChoiceBox + i);
        if (box != nullptr && insideBox(*box, lastX, lastY)) selected = i;
      }
    }
    if (selected != previous) {
      if (DIBSprite* highlight = slotAt(rt, slots::kChoiceHighlight)) {
        if (selected == -1) {
          highlight->hide();
        } else {
          DIBSprite* picture = slotAt(rt, slots::kChoicePicture + selected);
          if (picture != nullptr) highlight->setPosition(picture->x(), picture->y());
          highlight->show();
        }
      }
      previous = selected;
    }
    for (int i = 0; i < count; ++i) {
      if (!choiceTexts[static_cast<size_t>(i)]) continue;
      if (DIBSprite* box = slotAt(rt, slots::kChoiceBox + i))
        box->setBoxStyle(i == selected ? 2 : 1);
      if (DIBSprite* picture = slotAt(rt, slots::kChoicePicture + i))
        i == selected ? picture->hide() : picture->show();
    }

    // The in-game icons, as in the message wait.
    int hovered = -1;
    for (int i = 0; i < slots::kIconCount; ++i) {
      DIBSprite* anim = slotAt(rt, slots::kIconAnimated + i);
      DIBSprite* plain = slotAt(rt, slots::kIconPlain + i);
      DIBSprite* high = slotAt(rt, slots::kIconHighlight + i);
      const bool visible = anim != nullptr && anim->isVisible();
      if (visible && insideIcon(*anim, rt->cursorX, rt->cursorY)) {
        if (plain) plain->hide();
        if (high) high->show();
        hovered = i;
      } else {
        if (visible && plain) plain->show();
        if (high) high->hide();
      }
    }
    DIBSprite* logIcon = slotAt(rt, slots::kIconAnimated + slots::kIconBacklog);
    const bool logVisible = logIcon != nullptr && logIcon->isVisible();
    if ((pressed & kButtonOk) && hovered == slots::kIconSave) {
      if (SaveLoadScreen(false) == Flow::Unwind) return Flow::Unwind;
    } else if ((pressed & kButtonOk) && hovered == slots::kIconLoad) {
      if (const Flow f = SaveLoadScreen(true); f != Flow::Next) {
        releaseHighlight();
        return afterWait(f);
      }
    }
    if (((pressed & kButtonOk) && hovered == slots::kIconBacklog) ||
        ((pressed & (kButtonWheelUp | kButtonWheelDown)) && logVisible)) {
      if (const Flow f = BacklogScreen(); f != Flow::Next) {
        releaseHighlight();
        return afterWait(f);
      }
    }

    if (pressed & kButtonUp) {
      if (selected == -1)
        selected = 0;
      else if (selected > 0)
        --selected;
    } else if (pressed & kButtonDown) {
      if (selected == -1)
        selected = 0;
      else if (selected < count - 1)
        ++selected;
    } else if ((pressed & kButtonLoad) && isTopScript) {
      if (const Flow f = SaveLoadScreen(true); f != Flow::Next) {
        releaseHighlight();
        return afterWait(f);
      }
    } else if ((pressed & kButtonSave) && isTopScript) {
      if (SaveLoadScreen(false) == Flow::Unwind) return Flow::Unwind;
    }
  }
}

}  // namespace kobre
