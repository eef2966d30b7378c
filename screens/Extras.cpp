#include "screens/Extras.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/Buttons.h"
#include "screens/ScreenSprites.h"
#include "script/SceneSlots.h"
#include "storage/FileHandle.h"

namespace kobre {

using namespace extras;

namespace {

using screens::place;
using screens::releaseSlots;
using screens::setVisible;

constexpr int kBackground = 40;
constexpr int kLastScreenSlot = 79;
constexpr int kLoopStart = 13;  // the extras menu's buttons repeat from this frame

// A button or tab picture that stays on the frame the screen gives it.
DIBSprite* placeStill(Runtime* rt, int slot, const std::string& picture, int x, int y,
                      int frame = 0) {
  DIBSprite* s = place(rt, slot, picture, x, y);
  if (s != nullptr) {
    s->setStill(true);
    s->setFrame(frame);
  }
  return s;
}

void setFrame(Runtime* rt, int slot, int frame) {
  if (DIBSprite* s = slotAt(rt, slot)) s->setFrame(frame);
}

// Shown on a given frame (setVisible starts a hidden sprite at frame 0).
void showFrame(Runtime* rt, int slot, int frame) {
  if (DIBSprite* s = slotAt(rt, slot)) {
    s->setVisible(true);
    s->setFrame(frame);
  }
}

bool slotShown(Runtime* rt, int slot) {
  DIBSprite* s = slotAt(rt, slot);
  return s != nullptr && s->isLoaded() && s->isVisible();
}

SoundBuffer* music(Runtime* rt) {
  return rt->soundChannels != nullptr ? &(*rt->soundChannels)[kBgmChannel] : nullptr;
}

// Screen music: streamed, at the music volume (remembered), looping.
void playMusic(Runtime* rt, const std::string& path) {
  SoundBuffer* bgm = music(rt);
  if (bgm == nullptr || !bgm->loadStreamed(path)) return;
  bgm->setVolume(rt->settings.volumeBgm, true);
  bgm->play(true);
}

void playTitleMusic(Runtime* rt, int game) {
  playMusic(rt, game == 0 ? "wav\\ki_01.wav" : "wav\\sd_01.wav");
}

int chosenGame(const GameState& gs) {
  return gs.flags[kFlagSecondGame] == 1 ? 1 : 0;
}

// "cg\_<stem><1|2><ext>": the chosen game's variant of a picture.
std::string variant(const std::string& stem, int game, const char* ext) {
  return "cg\\_" + stem + (game == 1 ? "2" : "1") + ext;
}

const GameExtras& tablesOf(Runtime* rt, int game) {
  if (!rt->extrasData) rt->extrasData = std::make_shared<const ExtrasData>(defaultExtras());
  return rt->extrasData->games[game];
}

// A hot area: left, top, width, height.
struct Area {
  int left, top, width, height;
  bool contains(int x, int y) const {
    return x >= left && x < left + width && y >= top && y < top + height;
  }
};
constexpr Area kTab[5] = {
    {390, 26, 23, 20}, {414, 12, 23, 20}, {438, 28, 23, 20}, {463, 12, 23, 20}, {487, 26, 23, 20}};
constexpr Area kTabGame1Third = {438, 26, 23, 20};
constexpr Area kSceneThirdTab = {448, 30, 79, 19};
constexpr Area kLeftJump = {624, 28, 54, 23};
constexpr Area kRightJump = {695, 28, 54, 23};
constexpr Area kMenuButton = {634, 558, 147, 31};
constexpr Area kStopButton = {393, 18, 114, 33};

Area thumbArea(int i) {
  return {thumbX(i), thumbY(i), kThumbWidth, kThumbHeight};
}

// Hot areas in hover order; the highest index under the point wins.
int hoverIndex(const std::vector<Area>& areas, int x, int y) {
  for (int i = static_cast<int>(areas.size()) - 1; i >= 0; --i)
    if (areas[static_cast<size_t>(i)].contains(x, y)) return i;
  return -1;
}

// The tabs, the two jump buttons, the twenty thumbnails, the menu button.
std::vector<Area> thumbScreenAreas(std::vector<Area> tabs) {
  std::vector<Area> areas = std::move(tabs);
  areas.push_back(kLeftJump);
  areas.push_back(kRightJump);
  for (int i = 0; i < kPerPage; ++i) areas.push_back(thumbArea(i));
  areas.push_back(kMenuButton);
  return areas;
}

// Puts thumbnail i of the sheet into its slot: a blank sprite with frame 0
// of the sheet cut from the thumbnail's place. Without a sheet the entry
// stays a blank rectangle (the missing sheet has been reported).
void placeThumb(Runtime* rt, int slot, int i) {
  DIBSprite* s = slotAt(rt, slot);
  if (s == nullptr || !s->createBlank(kThumbWidth, kThumbHeight)) return;
  s->setPosition(thumbX(i), thumbY(i));
  DIBSprite* sheet = rt->gallerySheet;
  if (sheet != nullptr && sheet->isLoaded()) s->copyFrom(sheet->bitmap(), thumbX(i), thumbY(i), 0);
}

// The copy under the mouse in slot 70: frame 1 of the sheet (frame 0 for a
// sheet of one frame).
void placeHover(Runtime* rt, int i) {
  DIBSprite* s = slotAt(rt, kHoverThumb);
  if (s == nullptr || !s->createBlank(kThumbWidth, kThumbHeight)) return;
  s->setPosition(thumbX(i), thumbY(i));
  DIBSprite* sheet = rt->gallerySheet;
  if (sheet != nullptr && sheet->isLoaded())
    s->copyFrom(sheet->bitmap(), thumbX(i), thumbY(i), sheet->frameCount() > 1 ? 1 : 0);
}

void loadSheet(Runtime* rt, const char* stem, int page, int game) {
  if (rt->gallerySheet == nullptr) return;
  char name[64];
  std::snprintf(name, sizeof name, "cg\\_%s%d%d.psd", stem, page + 1, game + 1);
  if (!rt->gallerySheet->loadImage(name)) rt->gallerySheet->release();
}

// Moves a cursor by the arrow keys: Up - 5 (at least 0), Down + 5 (or
// + downFromTop from the top row), Left and Right by one, within 0..last.
int moveCursor(int cursor, uint32_t pressed, int last, int topRow, int downFromTop) {
  if (pressed & kButtonUp) cursor = std::max(cursor - 5, 0);
  if (pressed & kButtonDown)
    cursor = std::min(cursor + (cursor >= 0 && cursor < topRow ? downFromTop : 5), last);
  if (pressed & kButtonLeft) cursor = std::max(cursor - 1, 0);
  if (pressed & kButtonRight) cursor = std::min(cursor + 1, last);
  return cursor;
}

}  // namespace

ExtrasData extras::readExtrasData(Lexer& lexer) {
  Runtime* rt = lexer.runtime();
  std::vector<uint8_t> bytes;
  FileHandle loose(rt->platform.files);
  ArchiveFile& archive = rt->scriptArchive;
  uint32_t size = 0;
  const bool fromFile = loose.openRead(kDataFile);
  if (fromFile) {
    size = loose.size();
  } else if (archive.find(kDataFile)) {
    size = archive.size();
  } else {
    return defaultExtras();
  }
  ExtrasData data;
  ExtrasError error;
  if (size > kMaxDataBytes) {
    error.message = "the file is larger than 1 MiB";
  } else {
    bytes.resize(size);
    const uint32_t got = size == 0  ? 0
                         : fromFile ? loose.read(bytes.data(), size)
                                    : archive.read(bytes.data(), size);
    if (got != size) {
      error.message = "the file cannot be read whole";
    } else if (parseExtras(bytes, data, error)) {
      return data;
    }
  }
  lexer.ReportError("おまけデータが正しくありません", error.message, kDataFile, error.line,
                    error.lineText);
  return defaultExtras();
}

bool Lexer::ExtrasMenu() {
  Runtime* rt = runtime_;
  const int game = chosenGame(rt->gameState);
  rt->extrasData = std::make_shared<const ExtrasData>(readExtrasData(*this));

  auto build = [&] {
    releaseSlots(rt, kBackground + 1, kLastScreenSlot);
    static constexpr const char* kButtons[4] = {"OmCg", "OmKaisou", "OmMusic", "OmRet"};
    static constexpr int kButtonX[2][4] = {{150, 102, 54, 6}, {539, 587, 635, 683}};
    static constexpr int kButtonY[4] = {236, 292, 348, 404};
    place(rt, kBackground, variant("OmBack", game, ".bmp"), 0, 0);
    place(rt, 41, variant("Mn5AnivAnime", game, ".psd"), game == 0 ? 460 : 0, 546);
    if (DIBSprite* s = place(rt, 42, variant("OmAnime", game, ".psd"), game == 0 ? 0 : 503, 291))
      s->setHoldLastFrame(true);
    for (int b = 0; b < 4; ++b) {
      DIBSprite* s =
          place(rt, 60 + b, variant(kButtons[b], game, ".psd"), kButtonX[game][b], kButtonY[b]);
      if (s == nullptr) continue;
      s->setLoopStart(kLoopStart);
      s->hide();
    }
  };
  auto leave = [&](bool result) {
    ScreenFade(0);
    rt->pressedButtons = 0;
    return result;
  };

  ScreenFade(0);
  build();
  ScreenFade(1);
  int selection = 0, shown = -1;
  int lastX = rt->cursorX, lastY = rt->cursorY;
  while (!rt->closing) {
    if (!PollInput() || !Present()) return false;
    if (rt->returnToTitle) {
      rt->returnToTitle = false;
      ReleaseAllSprites();
      ReleaseAllChannels();
      return true;
    }
    if (rt->cursorX != lastX || rt->cursorY != lastY) {
      lastX = rt->cursorX;
      lastY = rt->cursorY;
      selection = -1;
      for (int b = 3; b >= 0; --b) {
        DIBSprite* s = slotAt(rt, 60 + b);
        if (s != nullptr && s->hitTest(lastX, lastY)) {
          selection = b;
          break;
        }
      }
    }
    if (selection != shown) {
      if (shown >= 0) setVisible(rt, 60 + shown, false);
      if (selection >= 0) setVisible(rt, 60 + selection, true);
      shown = selection;
    }
    const uint32_t pressed = rt->pressedButtons;
    if ((pressed & kButtonOk) && selection >= 0) {
      if (selection == 3) return leave(true);
      // The screens lead to each other until one goes back to the title.
      int next = selection + 1;
      while (next != kLeave) {
        switch (next) {
          case kGallery:
            next = PictureGallery();
            break;
          case kRecollection:
            next = Recollection();
            break;
          default:
            next = MusicRoom();
            break;
        }
      }
      return leave(false);
    }
    if (pressed & kButtonUp) selection = selection <= 0 ? 3 : selection - 1;
    if (pressed & kButtonDown) selection = selection >= 3 || selection < 0 ? 0 : selection + 1;
  }
  return leave(true);
}

int Lexer::PictureGallery() {
  Runtime* rt = runtime_;
  const GameState& gs = rt->gameState;
  const int game = chosenGame(gs);
  const GameExtras& tables = tablesOf(rt, game);
  const int tabs = kGalleryPages[game];
  const int pages = std::min(static_cast<int>(tables.galleryPageSizes.size()), tabs);
  int& page = rt->galleryPage[game];
  if (page >= pages) page = 0;

  std::vector<Area> tabAreas(kTab, kTab + tabs);
  if (game == 1) tabAreas[2] = kTabGame1Third;
  const std::vector<Area> areas = thumbScreenAreas(tabAreas);
  const int firstThumb = tabs + 2, menu = firstThumb + kPerPage;
  const int recollectionButton = tabs, musicButton = tabs + 1;
  constexpr int kTabs = 41, kTabHighlight = 42, kKaisou = 43, kMusic = 44, kMenu = 65;

  auto flagOf = [&](int p, int i) { return tables.galleryFirstFlag + kPerPage * p + i; };
  auto unlocked = [&](int p, int i) {
    if (p >= pages || i >= tables.galleryPageSizes[static_cast<size_t>(p)]) return false;
    const int flag = flagOf(p, i);
    return flag >= 0 && flag < kFlagCount && gs.flags[flag] != 0;
  };
  auto build = [&](int p) {
    releaseSlots(rt, kBackground, kLastScreenSlot);
    const bool lastPage = p == tabs - 1;
    place(rt, kBackground,
          game == 0 ? (lastPage ? "cg\\_CgBack31.bmp" : "cg\\_CgBack11.bmp")
                    : (lastPage ? "cg\\_CgBack52.bmp" : "cg\\_CgBack12.bmp"),
          0, 0);
    placeStill(rt, kTabs, variant("CgPage", game, ".psd"), 385, 8, p);
    if (DIBSprite* s = placeStill(rt, kTabHighlight, variant("CgPageSel", game, ".psd"), 385, 8))
      s->hide();
    placeStill(rt, kKaisou, variant("CgKaisou", game, ".psd"), 593, 16);
    placeStill(rt, kMusic, variant("CgMusic", game, ".psd"), 593, 16);
    loadSheet(rt, "Cg", p, game);
    for (int i = 0; i < kPerPage; ++i)
      if (unlocked(p, i)) placeThumb(rt, kGalleryThumb + i, i);
    placeStill(rt, kMenu, variant("CgMenu", game, ".psd"), 634, 558);
  };
  auto leave = [&](int result) {
    ScreenFade(0);
    releaseSlots(rt, kBackground, kLastScreenSlot);
    rt->pressedButtons = 0;
    return result;
  };
  auto toTitle = [&] {
    rt->returnToTitle = false;
    ReleaseAllSprites();
    ReleaseAllChannels();
    return kLeave;
  };

  ScreenFade(0);
  build(page);
  ScreenFade(1);
  int cursor = 0, shown = -2;  // the first pass highlights the first tab
  int lastX = rt->cursorX, lastY = rt->cursorY;
  while (!rt->closing) {
    if (!PollInput() || !Present()) return kLeave;
    if (rt->returnToTitle) return toTitle();
    if (rt->cursorX != lastX || rt->cursorY != lastY) {
      lastX = rt->cursorX;
      lastY = rt->cursorY;
      cursor = hoverIndex(areas, lastX, lastY);
    }
    if (cursor != shown) {
      setFrame(rt, kTabs, page);
      setVisible(rt, kTabHighlight, false);
      for (int s : {kKaisou, kMusic, kMenu}) setFrame(rt, s, 0);
      releaseSlots(rt, kHoverThumb, kHoverThumb);
      if (cursor >= 0 && cursor < tabs) {
        showFrame(rt, kTabHighlight, cursor);
      } else if (cursor == recollectionButton) {
        setFrame(rt, kKaisou, 1);
      } else if (cursor == musicButton) {
        setFrame(rt, kMusic, 1);
      } else if (cursor == menu) {
        setFrame(rt, kMenu, 1);
      } else if (cursor >= firstThumb && slotShown(rt, kGalleryThumb + cursor - firstThumb)) {
        placeHover(rt, cursor - firstThumb);
      }
      shown = cursor;
    }
    const uint32_t pressed = rt->pressedButtons;
    if (pressed & kButtonOk) {
      if (cursor >= 0 && cursor < tabs) {
        if (cursor < pages) {
          page = cursor;
          ScreenFade(0);
          build(page);
          ScreenFade(1);
          shown = -2;
        }
      } else if (cursor == recollectionButton) {
        return leave(kRecollection);
      } else if (cursor == musicButton) {
        return leave(kMusicRoom);
      } else if (cursor == menu) {
        return leave(kLeave);
      } else if (cursor >= firstThumb && unlocked(page, cursor - firstThumb)) {
        // The full view: the picture whose def_cg value is its flag number.
        ScreenFade(0);
        bool wasVisible[kLastScreenSlot - kBackground + 1] = {};
        int frames[kLastScreenSlot - kBackground + 1] = {};
        for (int s = kBackground; s <= kLastScreenSlot; ++s) {
          wasVisible[s - kBackground] = slotShown(rt, s);
          if (DIBSprite* sp = slotAt(rt, s)) frames[s - kBackground] = sp->frame();
          setVisible(rt, s, false);
        }
        const std::string* name =
            rt->cgTable.findKeyByValue(std::to_string(flagOf(page, cursor - firstThumb)));
        if (name != nullptr) {
          if (DIBSprite* full = place(rt, 1, "cg\\" + *name + ".bmp", 0, 0)) full->show();
          ScreenFade(1);
          for (;;) {
            if (rt->closing) break;
            if (!PollInput() || !Present()) return kLeave;
            if (rt->returnToTitle) return toTitle();
            if (rt->pressedButtons & (kButtonOk | kButtonCancel)) break;
          }
        }
        ScreenFade(0);
        releaseSlots(rt, 1, 1);
        rt->pressedButtons = 0;
        for (int s = kBackground; s <= kLastScreenSlot; ++s)
          if (wasVisible[s - kBackground]) showFrame(rt, s, frames[s - kBackground]);
        ScreenFade(1);
        continue;
      }
    }
    cursor = moveCursor(cursor, pressed, menu, tabs + 2, game == 1 ? 7 : 5);
  }
  return leave(kLeave);
}

int Lexer::Recollection() {
  Runtime* rt = runtime_;
  GameState& gs = rt->gameState;
  platform::Host* host = rt->platform.host;
  const int game = chosenGame(gs);
  const GameExtras& tables = tablesOf(rt, game);
  constexpr int kPage1Tab = 41, kPage0Tab = 42, kThirdTab = 43, kMusic = 44, kGalleryJump = 45,
                kMenu = 66;
  constexpr int kTabCount = 3, kFirstThumb = 5, kMenuIndex = 25;
  constexpr int kMusicIndex = 3, kGalleryIndex = 4;

  if (game == 0) {
    bool all = true;
    for (int f = kFirstStoryScene; f <= kLastStoryScene; ++f) all = all && gs.flags[f] != 0;
    if (all) gs.flags[kSpecialScene] = 1;
  }

  const std::vector<Area> areas = thumbScreenAreas({kTab[0], kTab[1], kSceneThirdTab});
  auto sceneAt = [&](int p, int i) -> const Scene* {
    if (p < 0 || static_cast<size_t>(p) >= tables.scenePages.size()) return nullptr;
    const auto& entries = tables.scenePages[static_cast<size_t>(p)];
    if (i < 0 || static_cast<size_t>(i) >= entries.size()) return nullptr;
    const Scene& sc = entries[static_cast<size_t>(i)];
    return gs.flags[sc.flag] != 0 ? &sc : nullptr;
  };
  auto build = [&](int p) {
    releaseSlots(rt, kBackground, kLastScreenSlot);
    place(rt, kBackground, variant("KsBack" + std::to_string(p + 1), game, ".bmp"), 0, 0);
    if (DIBSprite* s = place(rt, kPage1Tab, variant("KsPage1", game, ".psd"), 385, 8)) s->hide();
    if (DIBSprite* s = place(rt, kPage0Tab, variant("KsPage2", game, ".psd"), 385, 8)) s->hide();
    if (DIBSprite* s =
            place(rt, kThirdTab, variant(p == 2 ? "KsName2" : "KsName1", game, ".psd"), 404, 26))
      s->hide();
    placeStill(rt, kMusic, variant("KsMusic", game, ".psd"), 593, 16);
    placeStill(rt, kGalleryJump, variant("KsCg", game, ".psd"), 593, 16);
    loadSheet(rt, "Ks", p, game);
    for (int i = 0; i < kPerPage; ++i)
      if (sceneAt(p, i) != nullptr) placeThumb(rt, kSceneThumb + i, i);
    placeStill(rt, kMenu, variant("KsMenu", game, ".psd"), 634, 558);
  };
  auto leave = [&](int result) {
    ScreenFade(0);
    releaseSlots(rt, kBackground, kLastScreenSlot);
    rt->pressedButtons = 0;
    return result;
  };
  auto toTitle = [&] {
    rt->returnToTitle = false;
    ReleaseAllSprites();
    ReleaseAllChannels();
    return kLeave;
  };

  int page = 0;
  // Plays a scene in a second Lexer on a copy of the game record; Cancel (or
  // the recollection exit of the menu) ends it. Afterwards Save00.dat comes
  // back over the global record, so nothing the scene changed stays. -1
  // when the page is back on screen, else the result to leave with.
  auto playScene = [&](const Scene& sc) -> int {
    ScreenFade(0);
    auto copy = std::make_unique<GameState>(gs);
    std::memset(copy->backlog, 0, sizeof copy->backlog);
    copy->backlogIndex = 0;
    copy->backlogWrapped = 0;
    copy->flags[kFlagRecollection] = 1;
    std::memset(copy->scriptName, 0, sizeof copy->scriptName);
    std::memcpy(copy->scriptName, sc.script.data(),
                std::min(sc.script.size(), sizeof copy->scriptName - 1));
    auto scene = std::make_unique<Lexer>(rt);
    releaseSlots(rt, 0, 2);
    const bool loaded = scene->Load("scr\\" + sc.script + ".scr", copy.get(), false);
    releaseSlots(rt, kBackground, kLastScreenSlot);

    // The message window of the record, as loading a game makes it.
    if (loaded && copy->windowWidth > 0 && copy->windowHeight > 0) {
      DIBSprite* box = slotAt(rt, slots::kWindowBox);
      if (box == nullptr ||
          !box->createBox(copy->windowX, copy->windowY, copy->windowWidth, copy->windowHeight))
        return kLeave;
      const std::string frameName(copy->windowPicture, strnlen(copy->windowPicture, kNameSize));
      std::string framePath = "cg\\" + frameName + ".bmp";
      if (!FileExists(framePath, true)) {
        framePath = "cg\\" + frameName + ".psd";
        if (!FileExists(framePath, false)) return kGallery;
      }
      DIBSprite* frame = slotAt(rt, slots::kWindowFrame);
      if (frame == nullptr || !frame->loadImage(framePath)) return kLeave;
      frame->setPosition(copy->windowX + copy->windowPictureX,
                         copy->windowY + copy->windowPictureY);
    }

    if (host != nullptr) {
      host->setMenuEnabled("MnTitle", false);
      host->setMenuVisible("MnKaisouExit", true);
    }
    // Cancel asks the scene's waits to end as the menu's recollection exit
    // does.
    const std::function<bool()> mainPoll = rt->frame.pollInput;
    rt->frame.pollInput = [rt, host, &mainPoll] {
      bool ok = true;
      if (mainPoll) {
        ok = mainPoll();
      } else {
        if (host != nullptr) host->pumpEvents();
        ok = !rt->closing;
      }
      if (rt->pressedButtons & kButtonCancel) rt->returnToMenu = true;
      return ok;
    };
    rt->returnToMenu = false;
    if (loaded)
      while (!rt->closing && !rt->returnToMenu && scene->Step()) {
      }
    rt->frame.pollInput = mainPoll;
    rt->returnToMenu = false;
    const bool closing = rt->closing;

    if (!closing) ScreenFade(0);
    if (host != nullptr) {
      host->setMenuEnabled("MnTitle", true);
      host->setMenuVisible("MnKaisouExit", false);
    }
    // What the scene put on screen or left sounding goes with it.
    releaseSlots(rt, 0, kLastScreenSlot);
    releaseSlots(rt, slots::kWaitCursor, slots::kWaitCursor);
    if (rt->soundChannels != nullptr) {
      (*rt->soundChannels)[kSeChannel].stop();
      (*rt->soundChannels)[kVoiceChannel].stop();
    }
    rt->pressedButtons = 0;
    if (!closing) {
      build(page);
      ScreenFade(1);
      playTitleMusic(rt, game);
    }
    // Save00.dat keeps the game that was chosen when it was last written;
    // the extras stay with the game they show.
    const uint8_t chosen = gs.flags[kFlagSecondGame];
    ReadLastingRecord(kUnit, kCodeLastingCorrupted);
    gs.flags[kFlagSecondGame] = chosen;
    return closing ? kLeave : -1;
  };

  ScreenFade(0);
  build(page);
  ScreenFade(1);
  int cursor = 0, shown = -2;
  int lastX = rt->cursorX, lastY = rt->cursorY;
  while (!rt->closing) {
    if (!PollInput() || !Present()) return kLeave;
    if (rt->returnToTitle) return toTitle();
    if (rt->cursorX != lastX || rt->cursorY != lastY) {
      lastX = rt->cursorX;
      lastY = rt->cursorY;
      cursor = hoverIndex(areas, lastX, lastY);
    }
    if (cursor != shown) {
      for (int s : {kPage1Tab, kPage0Tab, kThirdTab}) setVisible(rt, s, false);
      for (int s : {kMusic, kGalleryJump, kMenu}) setFrame(rt, s, 0);
      releaseSlots(rt, kHoverThumb, kHoverThumb);
      if (cursor == 1 && page == 0) {
        setVisible(rt, kPage1Tab, true);
      } else if (cursor == 0 && page == 1) {
        setVisible(rt, kPage0Tab, true);
      } else if (cursor == 2) {
        setVisible(rt, kThirdTab, true);
      } else if (cursor == kMusicIndex) {
        setFrame(rt, kMusic, 1);
      } else if (cursor == kGalleryIndex) {
        setFrame(rt, kGalleryJump, 1);
      } else if (cursor == kMenuIndex) {
        setFrame(rt, kMenu, 1);
      } else if (cursor >= kFirstThumb && cursor < kMenuIndex &&
                 slotShown(rt, kSceneThumb + cursor - kFirstThumb)) {
        placeHover(rt, cursor - kFirstThumb);
      }
      shown = cursor;
    }
    const uint32_t pressed = rt->pressedButtons;
    if (pressed & kButtonOk) {
      if (cursor >= 0 && cursor < kTabCount) {
        // From the third page every tab leads back to the first.
        page = page == 2 ? 0 : cursor;
        ScreenFade(0);
        build(page);
        ScreenFade(1);
        shown = -2;
      } else if (cursor == kMusicIndex) {
        return leave(kMusicRoom);
      } else if (cursor == kGalleryIndex) {
        return leave(kGallery);
      } else if (cursor == kMenuIndex) {
        return leave(kLeave);
      } else if (cursor >= kFirstThumb && cursor < kMenuIndex) {
        if (const Scene* sc = sceneAt(page, cursor - kFirstThumb)) {
          const Scene chosen = *sc;
          const int result = playScene(chosen);
          if (result >= 0) return result;
          shown = -2;
          continue;
        }
      }
    }
    cursor = moveCursor(cursor, pressed, kMenuIndex, 5, 5);
  }
  return leave(kLeave);
}

int Lexer::MusicRoom() {
  Runtime* rt = runtime_;
  const int game = chosenGame(rt->gameState);
  const GameExtras& tables = tablesOf(rt, game);
  const int trackCount = std::min(static_cast<int>(tables.tracks.size()), kMaxTracks);
  constexpr int kStop = 41, kCgJump = 42, kKaisouJump = 43, kNames = 44, kTrackCursor = 45,
                kPlaying = 46, kMenu = 47;
  constexpr int kFirstTrack = 3, kMenuIndex = 14;
  constexpr Area kTrackAt[kMaxTracks] = {{200, 389, 33, 25}, {237, 410, 33, 25}, {274, 389, 33, 25},
                                         {310, 410, 33, 25}, {347, 389, 33, 25}, {383, 410, 33, 25},
                                         {420, 389, 33, 25}, {456, 410, 33, 25}, {493, 389, 33, 25},
                                         {530, 410, 33, 25}, {567, 389, 33, 25}};
  std::vector<Area> areas = {kStopButton, kLeftJump, kRightJump};
  for (const Area& a : kTrackAt) areas.push_back(a);
  areas.push_back(kMenuButton);

  ScreenFade(0);
  if (SoundBuffer* bgm = music(rt)) bgm->stop();
  int playing = -1;
  releaseSlots(rt, kBackground, kLastScreenSlot);
  place(rt, kBackground, variant("MuBack", game, ".bmp"), 0, 0);
  placeStill(rt, kStop, variant("MuStop", game, ".psd"), 393, 18);
  placeStill(rt, kCgJump, variant("MuCg", game, ".psd"), 593, 16);
  placeStill(rt, kKaisouJump, variant("MuKaisou", game, ".psd"), 593, 16);
  if (DIBSprite* s = placeStill(rt, kNames, variant("MuName", game, ".psd"), 128, 144)) s->hide();
  if (DIBSprite* s = placeStill(rt, kTrackCursor, variant("MuSel", game, ".psd"), 191, 380))
    s->hide();
  if (DIBSprite* s = placeStill(rt, kPlaying, variant("MuPlay", game, ".psd"), 191, 380)) s->hide();
  placeStill(rt, kMenu, game == 0 ? "cg\\_CgMenu1.psd" : "cg\\_MuMenu2.psd", 634, 558);
  ScreenFade(1);

  auto leave = [&](int result) {
    ScreenFade(0);
    playTitleMusic(rt, game);
    releaseSlots(rt, kBackground, kLastScreenSlot);
    rt->pressedButtons = 0;
    return result;
  };
  int cursor = 0, shown = -2;
  int lastX = rt->cursorX, lastY = rt->cursorY;
  while (!rt->closing) {
    if (!PollInput() || !Present()) return kLeave;
    if (rt->returnToTitle) {
      rt->returnToTitle = false;
      ReleaseAllSprites();
      ReleaseAllChannels();
      return kLeave;
    }
    if (rt->cursorX != lastX || rt->cursorY != lastY) {
      lastX = rt->cursorX;
      lastY = rt->cursorY;
      cursor = hoverIndex(areas, lastX, lastY);
    }
    const int track = cursor - kFirstTrack;
    const bool onTrack = track >= 0 && track < trackCount && cursor < kMenuIndex;
    if (cursor != shown) {
      for (int s : {kStop, kCgJump, kKaisouJump, kMenu}) setFrame(rt, s, 0);
      for (int s : {kNames, kTrackCursor, kPlaying}) setVisible(rt, s, false);
      if (playing >= 0) {
        setFrame(rt, kStop, 1);
        showFrame(rt, kPlaying, playing);
      }
      if (cursor == 1) setFrame(rt, kCgJump, 1);
      if (cursor == 2) setFrame(rt, kKaisouJump, 1);
      if (onTrack) {
        showFrame(rt, kNames, track);
        showFrame(rt, kTrackCursor, track);
      }
      if (cursor == kMenuIndex) setFrame(rt, kMenu, 1);
      shown = cursor;
    }
    const uint32_t pressed = rt->pressedButtons;
    if (pressed & kButtonOk) {
      if (cursor == 0) {
        if (SoundBuffer* bgm = music(rt)) bgm->stop();
        playing = -1;
        setFrame(rt, kStop, 0);
        setVisible(rt, kNames, false);
        setVisible(rt, kPlaying, false);
      } else if (cursor == 1) {
        return leave(kGallery);
      } else if (cursor == 2) {
        return leave(kRecollection);
      } else if (cursor == kMenuIndex) {
        return leave(kLeave);
      } else if (onTrack) {
        playMusic(rt, "wav\\" + tables.tracks[static_cast<size_t>(track)] + ".wav");
        playing = track;
        showFrame(rt, kPlaying, track);
      }
    }
    if (pressed & kButtonLeft) cursor = std::max(cursor - 1, 0);
    if (pressed & kButtonRight) cursor = std::min(cursor + 1, kMenuIndex);
  }
  return leave(kLeave);
}

}  // namespace kobre
