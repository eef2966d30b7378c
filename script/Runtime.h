// The running program's engine objects, created by start-up in a fixed order
// and released in a fixed order. There is no other process-wide state: every
// class takes what it needs from here by pointer, so a test can build as many
// runtimes as it likes.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "common/Settings.h"
#include "common/SjisText.h"
#include "common/SoundChannelCount.h"
#include "common/SpriteSlotCount.h"
#include "platform/Mci.h"
#include "platform/Platform.h"
#include "script/GameState.h"
#include "script/NameTable.h"
#include "storage/ArchiveFile.h"
#include "storage/ReadRecord.h"

namespace kobre {

class DIB;
class DIBSprite;
class SoundBuffer;
struct SoundChannels;
class Joypad;
class Lexer;
namespace extras {
struct ExtrasData;
}

constexpr int kBgmChannel = 0;
constexpr int kSeChannel = 2;
constexpr int kVoiceChannel = 4;
constexpr int kBracketSetSize = 64;  // openingBrackets / closingMarks, with the zero

// What the main window does for the script's waits; start-up sets these.
// Unset, `pollInput` pumps the host's events and fails only once `closing`
// is set, and `present` just lets one frame's time pass on the clock.
struct FrameServices {
  std::function<bool()> pollInput;                // Lexer::PollInput
  std::function<bool()> present;                  // Lexer::Present
  std::function<bool(int offset)> presentShaken;  // Lexer::PresentShaken
};

struct Runtime {
  explicit Runtime(const platform::Platform& p = {}) {
    setPlatform(p);
    resetBrackets();
  }
  Runtime(const Runtime&) = delete;
  Runtime& operator=(const Runtime&) = delete;

  void setPlatform(const platform::Platform& p) {
    platform = p;
    if (!platform.log) platform.log = &nullLog_;
    scriptArchive.setFileSystem(p.files);
    imageArchive.setFileSystem(p.files);
    soundArchive.setFileSystem(p.files);
  }

  platform::Platform platform;

  // The three archives: scripts and pictures with scrambled indexes, sounds
  // plain. Each may carry its supplement.
  ArchiveFile scriptArchive;
  ArchiveFile imageArchive;
  ArchiveFile soundArchive;

  GameState gameState{};  // the one global record, zeroed
  ReadRecord readRecord;
  Settings settings;

  NameTable defineTable{false};  // `define`: keys exact
  NameTable cgTable{true};       // `def_cg`: keys without case

  // Main-window flags, set by menu commands and dialogs that run nested in a
  // wait, tested by every wait after each poll.
  bool closing = false;
  bool returnToTitle = false;
  bool returnToMenu = false;  // recollection exit
  bool fontChanged = false;
  bool mciNotified = false;
  bool moviePlaying = false;
  // For the headless runner's auto-choose: a `select`, or the game select
  // of the title menu, waits for its pick (the title screens use the choice
  // slots for their own pictures).
  bool choiceWaiting = false;
  bool gameSelectWaiting = false;

  // Input sets of the last poll, and the mouse in back-buffer pixels.
  uint32_t heldButtons = 0;
  uint32_t pressedButtons = 0;
  int cursorX = 0;
  int cursorY = 0;

  // The main window's fonts: the message font of the font dialog (22 px)
  // and the small font (18 px). Text sprites keep pointers to these.
  platform::FontSpec messageFont{std::string(kSjisDefaultFontFace), 22};
  platform::FontSpec smallFont{std::string(kSjisDefaultFontFace), 18};

  // Skip mode and the message box's two character sets (CP932).
  bool skipMode = false;
  char openingBrackets[kBracketSetSize] = {};
  char closingMarks[kBracketSetSize] = {};

  // Engine objects built by the graphics, sound and input layers; owned by
  // start-up (RuntimeObjects), borrowed here. The sprite table always has
  // its kSpriteSlotCount entries: all null until the slots exist.
  DIB* backBuffer = nullptr;

 private:
  std::array<DIBSprite*, kSpriteSlotCount> noSprites_{};  // before spriteSlots, which starts on it

 public:
  std::span<DIBSprite*, kSpriteSlotCount> spriteSlots{noSprites_};
  SoundChannels* soundChannels = nullptr;
  Joypad* joypad = nullptr;
  // The command-string service for movies and MIDI (made with the sound
  // device; null before).
  platform::MciService* mci = nullptr;

  // The sprite table back to all null (the slots are being released).
  void clearSpriteSlots() { spriteSlots = std::span<DIBSprite*, kSpriteSlotCount>(noSprites_); }

  // The thumbnail sheet of the gallery or recollection page shown (two
  // frames: as shown and under the mouse); made with the sprite slots.
  DIBSprite* gallerySheet = nullptr;
  // The gallery page last shown, per game; kept while the program runs.
  int galleryPage[2] = {};
  // The extras tables, read when the extras menu opens (null: the defaults).
  std::shared_ptr<const extras::ExtrasData> extrasData;

  Lexer* topLexer = nullptr;
  FrameServices frame;

  // Reports, once per run, a hook that is not built yet.
  void stub(std::string_view what) { platform.log->stub(what); }

  // Sets the bracket sets to their defaults.
  void resetBrackets() {
    copyBrackets(openingBrackets, kSjisOpeningBrackets);
    copyBrackets(closingMarks, kSjisClosingMarks);
  }
  static void copyBrackets(char (&out)[kBracketSetSize], std::string_view text) {
    const size_t n = text.size() < kBracketSetSize - 1 ? text.size() : kBracketSetSize - 1;
    for (size_t i = 0; i < n; ++i) out[i] = text[i];
    out[n] = 0;
  }

 private:
  platform::NullLog nullLog_;
};

// The sprite in slot i, or null for a slot out of range or no slots yet.
// Sets a flag for as long as it lives.
struct FlagScope {
  explicit FlagScope(bool& f) : flag(f) { flag = true; }
  ~FlagScope() { flag = false; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;
  bool& flag;
};

inline DIBSprite* slotAt(Runtime* rt, int i) {
  if (i < 0 || i >= kSpriteSlotCount) return nullptr;
  return rt->spriteSlots[static_cast<size_t>(i)];
}

// x offset of the left and right character pictures from the centre.
constexpr int kSideCharacterOffset = 150;

}  // namespace kobre
