// Message window text: text lines, showing a message with the typewriter
// effect and waiting for the player, skip mode, the backlog, the in-game
// icons, and the commands window, ret, cls and window_off / window_on.
#include <algorithm>
#include <cstring>
#include <string>

#include "common/Buttons.h"
#include "common/Sjis.h"
#include "common/SjisText.h"
#include "script/SceneSlots.h"

namespace kobre {

namespace {

constexpr int kCellWidth = 22;
constexpr int kLineHeight = 26;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr int kIconX = 739;
// Backlog, save, load.
constexpr int kIconY[slots::kIconCount] = {475, 555, 515};
constexpr const char* kIconName[slots::kIconCount] = {"Log", "Save", "Load"};

void showSlot(Runtime* rt, int i, bool visible) {
  if (DIBSprite* sp = slotAt(rt, i)) visible ? sp->show() : sp->hide();
}

void releaseSlot(Runtime* rt, int i) {
  if (DIBSprite* sp = slotAt(rt, i)) sp->release();
}

// The window group: box, frame picture, text, the nine icon slots, cursor.
template <typename Fn>
void forWindowGroup(Fn fn, bool withCursor) {
  for (int s : {slots::kWindowBox, slots::kWindowFrame, slots::kMessageText}) fn(s);
  for (int s = slots::kIconAnimated; s < slots::kIconHighlight + slots::kIconCount; ++s) fn(s);
  if (withCursor) fn(slots::kWaitCursor);
}

bool inside(const DIBSprite& sp, int x, int y) {
  return spriteContains(sp, x, y, true);
}

uint32_t elapsed(uint32_t now, uint32_t since) {
  return now - since;
}

}  // namespace

Flow Lexer::AddText() {
  // The word ends at the first ASCII space, tab or CR; what follows a space
  // is read as a new word by the next step.
  const std::string_view word(token);
  PassToken();
  if (!messageText || !HasWindow()) {
    ReportScriptError("window が定義されていません", "");
    return Flow::Unwind;
  }
  char* text = messageText.get();
  if (messageDone) {
    text[0] = 0;
    messageDone = false;
  }
  size_t used = strnlen(text, kMessageSize);
  // A message that would reach 2000 bytes silently loses the line.
  if (used + word.size() < static_cast<size_t>(kMessageSize)) {
    std::memcpy(text + used, word.data(), word.size());
    used += word.size();
    text[used] = 0;
  }
  const uint8_t next = at(position);
  if ((next == 0 || next == '\r' || next == '\n') && used + 1 < static_cast<size_t>(kMessageSize)) {
    text[used] = '\n';
    text[used + 1] = 0;
  }
  if (state != nullptr && state->flags[kFlagAutoReturnOff] != 0) return Flow::Next;
  return ShowMessage(true);
}

bool Lexer::HasWindow() const {
  if (windowDefined) return true;
  if (state == nullptr) return false;
  const GameState& gs = *state;
  return gs.windowWidth != 0 || gs.windowHeight != 0 || gs.textColumns != 0 || gs.textRows != 0;
}

Flow Lexer::Ret(bool skippable) {
  if (state == nullptr || state->flags[kFlagAutoReturnOff] != 1) return Flow::Next;
  if (!messageText) return Flow::Next;
  return ShowMessage(skippable);
}

Flow Lexer::WaitStep(bool present) {
  Runtime* rt = runtime_;
  if (!PollInput()) return Flow::EndWait;
  if (present && !Present()) return Flow::EndWait;
  if (rt->closing) return Flow::EndWait;
  if (rt->returnToTitle) {
    rt->returnToTitle = false;
    return Flow::EndWait;
  }
  if (rt->fontChanged) {
    if (DIBSprite* sp = slotAt(rt, slots::kMessageText)) sp->setFont(&rt->messageFont);
    for (int i = 0; i < choiceCount && i < kMaxChoices; ++i)
      if (DIBSprite* sp = slotAt(rt, slots::kChoiceLabel + i)) sp->setFont(&rt->messageFont);
    rt->fontChanged = false;
  }
  return Flow::Next;
}

Flow Lexer::ShowMessage(bool skippable) {
  Runtime* rt = runtime_;
  if (!messageText || state == nullptr) return Flow::Next;
  const Settings& set = rt->settings;
  const GameState& gs = *state;

  // Text already read is drawn in grey.
  uint32_t colour = kWhite;
  if (set.messageReaded && rt->readRecord.isRead(scriptPath, position)) {
    const uint32_t g = static_cast<uint32_t>(std::clamp(set.messageReadedLumi, 0, 255));
    colour = (g << 16) | (g << 8) | g;
  }
  DIBSprite* text = slotAt(rt, slots::kMessageText);
  if (text != nullptr) {
    text->setText(messageText.get(), &rt->messageFont, colour, kCellWidth, gs.textColumns,
                  gs.textRows);
    text->setPosition(placed(int64_t{gs.windowX} + gs.textX),
                      placed(int64_t{gs.windowY} + gs.textY));
  }

  if (const Flow typed = TypeMessage(text); typed != Flow::Next) return afterWait(typed);

  // The cursor stands in the last cell of the text area.
  if (DIBSprite* cursor = slotAt(rt, slots::kWaitCursor)) {
    // Without its picture the cursor stays blank; the wait goes on.
    (void)cursor->loadImage("cg\\_Ret.psd");
    cursor->setPosition(
        placed(int64_t{gs.windowX} + gs.textX + (int64_t{gs.textColumns} - 1) * kCellWidth),
        placed(int64_t{gs.windowY} + gs.textY + (int64_t{gs.textRows} - 1) * kLineHeight));
  }
  ShowIcons(0);

  uint32_t skipStart = tickNow();
  if (!rt->readRecord.isRead(scriptPath, position)) {
    rt->readRecord.markRead(scriptPath, position);
    if (set.skipUnread && rt->skipMode) SetSkip(false);
  }

  bool windowShown = true;
  for (;;) {
    if (WaitStep(true) == Flow::EndWait) return Flow::Next;
    if (rt->returnToMenu) {
      rt->returnToMenu = false;
      return Flow::Unwind;
    }
    if (!windowShown && rt->skipMode) SetSkip(false);
    if (rt->skipMode && skippable && SkipTimerRanOut(skipStart)) break;

    if (windowShown) {
      const int hovered = HoverIcons();
      const uint32_t pressed = rt->pressedButtons;
      if ((pressed & kButtonOk) && hovered == -1) break;
      if (const Flow screen = OpenScreenFromWait(hovered); screen != Flow::Next)
        return afterWait(screen);
    }

    if (windowShown && skippable && (rt->heldButtons & kButtonControl)) break;

    if (rt->pressedButtons & (kButtonOk | kButtonCancel)) {
      windowShown = !windowShown;
      SetWindowGroup(windowShown ? 1 : 3);
    }

    if (windowShown) {
      const bool blinkOn = (tickNow() & 512u) != 0;
      showSlot(rt, slots::kWaitCursor, blinkOn && !rt->skipMode);
    }
  }
  AdvanceMessage();
  return Flow::Next;
}

uint32_t Lexer::tickNow() const {
  platform::Clock* clock = runtime_->platform.clock;
  return clock != nullptr ? clock->tickCount() : 0u;
}

Flow Lexer::TypeMessage(DIBSprite* text) {
  Runtime* rt = runtime_;
  // Speed 0 shows a character every 5th frame, 1 every 3rd, 2 every frame;
  // 3 and above show the whole text at once.
  const int speed = std::max(0, rt->settings.messageSpeed);
  if (speed < 3 && text != nullptr) {
    const int count = text->charCount();
    const int every = speed == 0 ? 5 : speed == 1 ? 3 : 1;
    for (int shown = 1, pass = 0;;) {
      if (WaitStep(false) == Flow::EndWait) return Flow::EndWait;
      if (rt->returnToMenu) {
        rt->returnToMenu = false;
        return Flow::Unwind;
      }
      if (shown >= count || (rt->pressedButtons & kButtonOk) || (rt->heldButtons & kButtonControl))
        break;
      text->setShownChars(shown);
      if (!Present()) return Flow::Unwind;
      ++pass;
      if (pass % every == 0) ++shown;
    }
  }
  if (text != nullptr) text->setShownChars(DIBSprite::kAllChars);
  return Flow::Next;
}

bool Lexer::SkipTimerRanOut(uint32_t& skipStart) {
  Runtime* rt = runtime_;
  const Settings& set = rt->settings;
  // A playing voice holds the timer back unless voices are skipped.
  SoundBuffer* voice = rt->soundChannels ? &(*rt->soundChannels)[kVoiceChannel] : nullptr;
  if (!set.skipVoice && voice != nullptr && voice->isPlaying()) skipStart = tickNow();
  if (rt->pressedButtons & (kButtonOk | kButtonCancel)) {
    SetSkip(false);
    rt->pressedButtons = 0;
  }
  const bool active = rt->platform.host == nullptr || rt->platform.host->isActive();
  return elapsed(tickNow(), skipStart) > static_cast<uint32_t>(std::max(0, set.skipWait)) * 1000u &&
         active && rt->skipMode;
}

int Lexer::HoverIcons() {
  Runtime* rt = runtime_;
  int hovered = -1;
  for (int i = 0; i < slots::kIconCount; ++i) {
    DIBSprite* anim = slotAt(rt, slots::kIconAnimated + i);
    const bool visible = anim != nullptr && anim->isVisible();
    if (visible && inside(*anim, rt->cursorX, rt->cursorY)) {
      showSlot(rt, slots::kIconPlain + i, false);
      showSlot(rt, slots::kIconHighlight + i, true);
      hovered = i;
    } else {
      if (visible) showSlot(rt, slots::kIconPlain + i, true);
      showSlot(rt, slots::kIconHighlight + i, false);
    }
  }
  return hovered;
}

Flow Lexer::OpenScreenFromWait(int hovered) {
  Runtime* rt = runtime_;
  const uint32_t pressed = rt->pressedButtons;
  DIBSprite* logIcon = slotAt(rt, slots::kIconAnimated + slots::kIconBacklog);
  const bool logVisible = logIcon != nullptr && logIcon->isVisible();
  if ((pressed & kButtonOk) && hovered == slots::kIconSave) return SaveLoadScreen(false);
  if ((pressed & kButtonOk) && hovered == slots::kIconLoad) return SaveLoadScreen(true);
  if (((pressed & kButtonOk) && hovered == slots::kIconBacklog) ||
      ((pressed & kButtonWheelUp) && logVisible))
    return BacklogScreen();
  if ((pressed & kButtonLoad) && isTopScript) return SaveLoadScreen(true);
  if ((pressed & kButtonSave) && isTopScript) return SaveLoadScreen(false);
  return Flow::Next;
}

void Lexer::AdvanceMessage() {
  Runtime* rt = runtime_;
  if (!rt->settings.voiceNext && rt->soundChannels != nullptr)
    (*rt->soundChannels)[kVoiceChannel].startFade(rt->settings.volumeVoice, -20);
  releaseSlot(rt, slots::kWaitCursor);
  for (int s = slots::kIconAnimated; s < slots::kIconHighlight; ++s) releaseSlot(rt, s);
  // The highlighted forms stay loaded but must not outlive their icons.
  for (int i = 0; i < slots::kIconCount; ++i) showSlot(rt, slots::kIconHighlight + i, false);
  AddBacklog(false);
  messageDone = true;
}

void Lexer::AddBacklog(bool isChoice, std::string_view label) {
  if (state == nullptr) return;
  GameState& gs = *state;
  // A record read from a damaged save may hold any index.
  int index = ((gs.backlogIndex % kBacklogEntries) + kBacklogEntries) % kBacklogEntries;
  BacklogEntry& entry = gs.backlog[index];
  std::memset(&entry, 0, sizeof entry);
  constexpr size_t kTextMax = kBacklogTextSize - 1;  // the rest is the terminator
  size_t n = 0;
  // Appends whole characters only, as long as they fit.
  auto put = [&](std::string_view bytes) {
    if (n + bytes.size() > kTextMax) return false;
    std::memcpy(entry.text + n, bytes.data(), bytes.size());
    n += bytes.size();
    return true;
  };
  if (isChoice) {
    put(kSjisChoiceLogPrefix);
    const size_t end = label.find('\0');
    if (end != std::string_view::npos) label = label.substr(0, end);
    for (size_t p = 0; p < label.size();) {
      const size_t len = isWideLead(label[p]) && p + 1 < label.size() ? 2 : 1;
      if (!put(label.substr(p, len))) break;
      p += len;
    }
  } else {
    const size_t v = strnlen(gs.voiceName, kNameSize - 1);
    std::memcpy(entry.voice, gs.voiceName, std::min(v, static_cast<size_t>(kBacklogVoiceSize - 1)));
    const char* hero = runtime_->settings.heroName;
    const std::string_view heroName(hero, strnlen(hero, sizeof runtime_->settings.heroName));
    const char* msg = messageText ? messageText.get() : "";
    const std::string_view text(msg, strnlen(msg, kMessageSize));
    for (size_t p = 0; p < text.size();) {
      if (text.substr(p, kSjisHeroMarker.size()) == kSjisHeroMarker) {
        if (!put(heroName)) break;
        p += kSjisHeroMarker.size();
        continue;
      }
      const size_t len = isWideLead(text[p]) && p + 1 < text.size() ? 2 : 1;
      if (!put(text.substr(p, len))) break;
      p += len;
    }
  }
  ++index;
  if (index >= kBacklogEntries) gs.backlogWrapped = 1;
  gs.backlogIndex = index % kBacklogEntries;
}

bool Lexer::ReplayVoice(int back) {
  Runtime* rt = runtime_;
  if (state == nullptr || rt->soundChannels == nullptr) return false;
  // Unsigned: a damaged record's index may be any 32-bit value.
  const uint32_t index =
      (static_cast<uint32_t>(state->backlogIndex) - static_cast<uint32_t>(back)) % kBacklogEntries;
  const BacklogEntry& entry = state->backlog[index];
  const std::string_view name(entry.voice, strnlen(entry.voice, kBacklogVoiceSize));
  if (name.empty()) return false;
  SoundBuffer& voice = (*rt->soundChannels)[kVoiceChannel];
  const std::string path = "wav\\" + std::string(name) + ".wav";
  if (!voice.loadWhole(path)) return false;
  voice.setVolume(rt->settings.volumeVoice, true);
  voice.setPan(0);  // replayed voices are centred, whoever spoke them
  return voice.play(false);
}

void Lexer::SetWindowGroup(int form) {
  Runtime* rt = runtime_;
  if (form < 0 || form > 3) return;
  const bool show = form == 0 || form == 1;
  if (form == 0 || form == 2)
    for (int s = 0; s < kLayerCount; ++s) showSlot(rt, s, show);
  forWindowGroup([&](int s) { showSlot(rt, s, show); }, true);
}

void Lexer::SetWindowSlotsVisible(bool visible) {
  Runtime* rt = runtime_;
  forWindowGroup([&](int s) { showSlot(rt, s, visible); }, false);
}

int Lexer::ShowIcons(int form) {
  Runtime* rt = runtime_;
  if ((form != 0 && form != 1) || state == nullptr) return 0;
  const bool second = state->flags[kFlagSecondGame] != 0;
  auto load = [&](int icon) {
    const std::string base = kIconName[icon];
    const std::string game = second ? "2" : "1";
    const std::string names[3] = {"cg\\_i" + base + "Anm1.psd", "cg\\_i" + base + game + ".psd",
                                  "cg\\_i" + base + "Sel" + game + ".psd"};
    const int slotsOf[3] = {slots::kIconAnimated + icon, slots::kIconPlain + icon,
                            slots::kIconHighlight + icon};
    for (int k = 0; k < 3; ++k) {
      DIBSprite* sp = slotAt(rt, slotsOf[k]);
      if (sp == nullptr || !sp->loadImage(names[k])) continue;
      sp->setPosition(kIconX, kIconY[icon]);
      if (k != 0) sp->hide();
    }
  };
  if (state->backlogIndex != 0 || state->backlogWrapped != 0) load(slots::kIconBacklog);
  if (isTopScript) {
    load(slots::kIconLoad);
    load(slots::kIconSave);
  }
  return 0;
}

bool Lexer::Window(const WindowArgs& a) {
  Runtime* rt = runtime_;
  if (a.no != 0) ReportScriptError("現在サポートされていないウィンドウＮｏ．", a.noWord);
  if (state != nullptr) {
    GameState& gs = *state;
    gs.windowX = a.x;
    gs.windowY = a.y;
    gs.windowWidth = a.width;
    gs.windowHeight = a.height;
    gs.textX = a.textX;
    gs.textY = a.textY;
    gs.textColumns = a.columns;
    gs.textRows = a.rows;
    gs.windowPictureX = a.pictureX;
    gs.windowPictureY = a.pictureY;
    const size_t n = strnlen(a.picture, kNameSize - 1);
    std::memset(gs.windowPicture, 0, kNameSize);
    std::memcpy(gs.windowPicture, a.picture, n);
    gs.flags[kFlagWindowHidden] = 0;
  }
  messageText.reset(new (std::nothrow) char[kMessageSize]());
  if (!messageText) {
    ReportScriptError("メモリが足りません", "");
    return false;
  }
  windowDefined = true;
  DIBSprite* box = slotAt(rt, slots::kWindowBox);
  if (box != nullptr && !box->createBox(placed(a.x), placed(a.y), a.width, a.height)) return false;

  std::string path = std::string("cg\\") + a.picture + ".bmp";
  if (!FileExists(path, true)) {
    path = std::string("cg\\") + a.picture + ".psd";
    if (!FileExists(path, false)) return true;
  }
  DIBSprite* frame = slotAt(rt, slots::kWindowFrame);
  if (frame == nullptr) return true;
  if (!frame->loadImage(path)) return false;
  frame->setPosition(placed(int64_t{a.x} + a.pictureX), placed(int64_t{a.y} + a.pictureY));
  return true;
}

bool Lexer::Cls() {
  releaseSlot(runtime_, slots::kMessageText);
  return true;
}

}  // namespace kobre
