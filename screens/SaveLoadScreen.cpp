#include "screens/SaveLoadScreen.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "common/Buttons.h"
#include "common/Sjis.h"
#include "screens/CommentFilter.h"
#include "script/SaveFile.h"
#include "script/SceneSlots.h"
#include "storage/FileHandle.h"

namespace kobre {

namespace {

using namespace saveload;

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr int kCellWidth = 22;
constexpr int kColumns = 100;
constexpr const char* kOverwriteQuestion = "上書きしてよろしいですか？";
constexpr const char* kCaption = "KOBRE ver 1.32";

struct Point {
  int x, y;
};

// Pictures per mode ([0] load, [1] save) and game.
constexpr const char* kCursorPicture[2] = {"cg\\_LoadSel.psd", "cg\\_SaveSel.psd"};
constexpr const char* kBackPicture[2][2] = {{"cg\\_LoadBack1.bmp", "cg\\_LoadBack2.bmp"},
                                            {"cg\\_SaveBack1.bmp", "cg\\_SaveBack2.bmp"}};
constexpr const char* kReturnPicture[2][2] = {{"cg\\_LoadRet1.psd", "cg\\_LoadRet2.psd"},
                                              {"cg\\_SaveRet1.psd", "cg\\_SaveRet2.psd"}};
constexpr Point kReturnAt[2][2] = {{{19, 558}, {634, 558}}, {{634, 558}, {19, 558}}};

// The hovered slot's comment: left for game 0 loading and game 1 saving.
Point commentAt(bool load, int game) {
  return (load == (game == 0)) ? Point{53, 506} : Point{307, 506};
}

void releaseRange(Runtime* rt, int first, int last) {
  for (int i = first; i <= last; ++i)
    if (DIBSprite* s = slotAt(rt, i)) s->release();
}

// Copies text into a comment field: whole characters, always terminated.
void storeComment(char (&out)[kCommentSize], std::string_view text) {
  std::memset(out, 0, sizeof out);
  size_t n = 0;
  for (size_t p = 0; p < text.size();) {
    const size_t len = isWideLead(text[p]) && p + 1 < text.size() ? 2 : 1;
    if (n + len > sizeof out - 1) break;
    std::memcpy(out + n, text.data() + p, len);
    n += len;
    p += len;
  }
}

void showComment(Runtime* rt, const SlotRecord& record, Point at) {
  DIBSprite* s = slotAt(rt, kComment);
  if (s == nullptr) return;
  if (record.empty()) {
    s->release();
    return;
  }
  const std::string_view text(record.comment, strnlen(record.comment, kCommentSize));
  s->setText(text, &rt->messageFont, kWhite, kCellWidth, kColumns, 1);
  s->setPosition(at.x, at.y);
}

}  // namespace

void buildSlotList(Lexer& lexer, bool load, int game, SlotList& list) {
  Runtime* rt = lexer.runtime();
  const int mode = load ? 0 : 1;
  game = game == 1 ? 1 : 0;
  auto scratch = std::make_unique<GameState>();
  for (int i = 0; i < kSlotCount; ++i) {
    SlotRecord& record = list[static_cast<size_t>(i)];
    const int row = i % 10;
    record.x = i < 10 ? 80 : 464;
    record.textX = i < 10 ? 120 : 504;
    record.y = 80 + 40 * row;
    record.textY = record.y + 17;
    DIBSprite* caption = slotAt(rt, kFirstCaption + i);
    FileHandle file(rt->platform.files);
    if (!file.openRead(saveFileName(slotFileNumber(i, game)))) {
      std::memset(record.comment, 0, sizeof record.comment);
      record.comment[0] = kEmptyMark;
      if (caption != nullptr) caption->release();
      continue;
    }
    // A short or damaged file still lists what it holds; loading it is
    // what checks it.
    std::memset(scratch.get(), 0, sizeof(GameState));
    file.read(scratch.get(), static_cast<uint32_t>(sizeof(GameState)));
    char time[32];
    file.lastWriteText(time, sizeof time);
    file.close();
    storeComment(record.comment, fieldText(scratch->saveComment));
    if (caption != nullptr) {
      caption->setText(time, &rt->messageFont, kWhite, kCellWidth, kColumns, 1);
      caption->setPosition(record.textX, record.textY);
    }
  }
  if (DIBSprite* s = slotAt(rt, kCursor); s != nullptr && s->loadImage(kCursorPicture[mode])) {
    s->setHoldLastFrame(true);
    s->hide();
  }
  if (DIBSprite* s = slotAt(rt, kBackground);
      s != nullptr && s->loadImage(kBackPicture[mode][game]))
    s->setPosition(0, 0);
  if (DIBSprite* s = slotAt(rt, kReturnButton);
      s != nullptr && s->loadImage(kReturnPicture[mode][game])) {
    s->setPosition(kReturnAt[mode][game].x, kReturnAt[mode][game].y);
    s->hide();
  }
}

Flow Lexer::SaveLoadScreen(bool load) {
  Runtime* rt = runtime_;
  ScreenFade(0);
  bool wasVisible[kGameSlots] = {};
  for (int i = 0; i < kGameSlots; ++i) {
    DIBSprite* s = slotAt(rt, i);
    if (s == nullptr) continue;
    wasVisible[i] = s->isVisible();
    s->hide();
  }
  if (DIBSprite* s = slotAt(rt, slots::kWaitCursor)) s->hide();

  const int game = rt->gameState.flags[kFlagSecondGame] == 1 ? 1 : 0;
  auto list = std::make_unique<SlotList>();
  buildSlotList(*this, load, game, *list);
  ScreenFade(1);
  if (rt->soundChannels != nullptr)
    (*rt->soundChannels)[kVoiceChannel].startFade(rt->settings.volumeVoice, -20);

  const Point commentPoint = commentAt(load, game);
  int cursor = 0;
  // What the cursor picture and comment show; 0 at first, so nothing is
  // shown until the mouse moves or a key is pressed.
  int shown = 0;
  int lastX = rt->cursorX, lastY = rt->cursorY;
  bool loaded = false;
  auto contains = [&](const SlotRecord& r, int x, int y) {
    DIBSprite* c = slotAt(rt, kCursor);
    if (c == nullptr || !c->isLoaded()) return false;
    return x >= r.x && y >= r.y && x - r.x < c->width() && y - r.y < c->height();
  };

  while (!rt->closing) {
    if (rt->returnToTitle) {
      rt->returnToTitle = false;
      ReleaseAllSprites();
      ReleaseAllChannels();
      rt->pressedButtons = 0;
      return Flow::EndWait;
    }
    if (rt->fontChanged) {
      for (int i = 0; i < kSlotCount; ++i)
        if (DIBSprite* s = slotAt(rt, kFirstCaption + i); s != nullptr && s->hasText())
          s->setFont(&rt->messageFont);
      if (DIBSprite* s = slotAt(rt, kComment); s != nullptr && s->hasText())
        s->setFont(&rt->messageFont);
      rt->fontChanged = false;
    }
    if (!PollInput() || !Present()) return Flow::Unwind;

    if (rt->cursorX != lastX || rt->cursorY != lastY) {
      lastX = rt->cursorX;
      lastY = rt->cursorY;
      cursor = -1;
      for (int i = 0; i < kSlotCount; ++i)
        if (contains((*list)[static_cast<size_t>(i)], lastX, lastY)) {
          cursor = i;
          break;
        }
    }
    if (cursor != shown) {
      DIBSprite* c = slotAt(rt, kCursor);
      if (cursor >= 0 && cursor < kSlotCount) {
        const SlotRecord& r = (*list)[static_cast<size_t>(cursor)];
        if (c != nullptr) {
          c->setFrame(0);
          c->setPosition(r.x, r.y);
          c->hide();
          c->show();
        }
        showComment(rt, r, commentPoint);
      } else {
        // Off every slot, or on the return button.
        if (c != nullptr) c->hide();
        if (DIBSprite* s = slotAt(rt, kComment)) s->release();
      }
      shown = cursor;
    }
    if (DIBSprite* ret = slotAt(rt, kReturnButton)) {
      const bool over = ret->hitTest(rt->cursorX, rt->cursorY);
      ret->setVisible(over);
      if (over) cursor = kReturnCursor;
    }

    const uint32_t pressed = rt->pressedButtons;
    if (pressed & kButtonOk) {
      if (cursor == kReturnCursor) break;
      if (cursor >= 0 && cursor < kSlotCount) {
        const SlotRecord& r = (*list)[static_cast<size_t>(cursor)];
        const int number = slotFileNumber(cursor, game);
        if (load && !r.empty()) {
          if (LoadFromScreen(number)) {
            loaded = true;
            break;
          }
        } else if (!load) {
          const std::string preset =
              r.empty() ? std::string() : std::string(r.comment, strnlen(r.comment, kCommentSize));
          if (SaveFromScreen(number, preset)) {
            buildSlotList(*this, load, game, *list);
            shown = -2;  // the rebuilt cursor picture is hidden: show it again
          }
        }
      }
    } else if (pressed & kButtonCancel) {
      break;
    } else if (pressed & (kButtonUp | kButtonDown | kButtonLeft | kButtonRight)) {
      if (pressed & kButtonUp) cursor -= 1;
      if (pressed & kButtonDown) cursor = std::min(cursor + 1, kSlotCount - 1);
      if (pressed & kButtonLeft) cursor -= 10;
      if (pressed & kButtonRight) cursor = std::min(cursor + 10, kSlotCount - 1);
      if (cursor < 0) cursor = 0;
      if (shown == 0 && cursor == 0) shown = -2;  // a key shows the first cursor too
    }
  }

  if (!loaded) ScreenFade(0);
  releaseRange(rt, kBackground, kLastScreenSlot);
  for (int i = 0; i < kGameSlots; ++i)
    if (wasVisible[i])
      if (DIBSprite* s = slotAt(rt, i)) s->show();
  if (DIBSprite* s = slotAt(rt, slots::kWaitCursor)) s->show();
  ScreenFade(1);
  rt->pressedButtons = 0;
  return loaded ? Flow::EndWait : Flow::Next;
}

bool Lexer::LoadFromScreen(int number) {
  Runtime* rt = runtime_;
  // The running game's pictures are released only for a save that will
  // load: a damaged or missing file reports its box and leaves the game
  // and the screen as they are.
  auto record = std::make_unique<GameState>();
  const bool loadable =
      readSaveFile(rt->platform.files, saveFileName(number), *record) == SaveImage::Ok &&
      isSafeScriptName(*record) &&
      FileExists("scr\\" + std::string(fieldText(record->scriptName)) + ".scr", true);
  if (!loadable) return LoadGame(number);
  ScreenFade(0);
  releaseRange(rt, 0, kGameSlots - 1);
  if (LoadGame(number)) return true;
  ScreenFade(1);
  return false;
}

bool Lexer::SaveFromScreen(int number, const std::string& preset) {
  Runtime* rt = runtime_;
  platform::CommentAnswer answer;
  if (rt->platform.dialogs != nullptr) {
    answer = rt->platform.dialogs->saveComment(preset);
  } else {
    rt->stub("save comment dialog");
    answer.ok = true;
    answer.text = preset;
  }
  // The answer may still hold the key that closed the dialog.
  rt->pressedButtons = 0;
  if (!answer.ok) return false;
  const std::string name = saveFileName(number);
  if (rt->settings.saveOverWriteCheck && rt->platform.files != nullptr &&
      rt->platform.files->exists(name) && rt->platform.host != nullptr) {
    platform::MessageBoxSpec box;
    box.caption = kCaption;
    box.text = kOverwriteQuestion;
    box.buttons = platform::BoxButtons::YesNo;
    box.icon = platform::BoxIcon::Question;
    box.defaultButton = platform::BoxResult::No;
    if (rt->platform.host->messageBox(box) == platform::BoxResult::No) return false;
  }
  const std::string comment = filterComment(answer.text);
  GameState& gs = rt->gameState;
  std::memset(gs.saveComment, 0, sizeof gs.saveComment);
  std::memcpy(gs.saveComment, comment.data(), std::min(comment.size(), sizeof gs.saveComment - 1));
  SaveGame(number);
  // The list is rebuilt even after a failed save (reported by SaveGame).
  return true;
}

}  // namespace kobre
