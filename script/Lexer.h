// One loaded script and its interpreter: finding, loading and unscrambling a
// script file, reading words and lines, classifying lines, expressions and
// conditions, the command dispatcher, and the script error box.
//
// Command hooks: commands whose behaviour belongs to the message, choice,
// scene, audio, save, movie and screen layers are dispatched here with their
// arguments already read (and expressions evaluated); their bodies live in
// the files named beside each group below.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "script/Flow.h"
#include "script/GameState.h"
#include "script/Runtime.h"

namespace kobre {

constexpr int kTokenSize = 1024;    // `token` and `lineText`
constexpr int kArgumentSize = 64;   // the usual argument buffer
constexpr int kMessageSize = 2000;  // `messageText`
constexpr int kMaxChoices = 10;
constexpr int kScriptPathSize = 260;
constexpr int32_t kEvaluateError = INT32_MIN;  // Evaluate's result after a reported error

// `window` no x y width height textX textY columns rows picture pictureX pictureY
struct WindowArgs {
  char noWord[kArgumentSize];
  int32_t no, x, y, width, height, textX, textY, columns, rows;
  char picture[kArgumentSize];
  int32_t pictureX, pictureY;
};

// `window_sel` no x y width height textX textY columns rows stepX stepY picture pictureX pictureY
struct WindowSelArgs {
  char noWord[kArgumentSize];
  int32_t no, x, y, width, height, textX, textY, columns, rows, stepX, stepY;
  char picture[kArgumentSize];
  int32_t pictureX, pictureY;
};

class Lexer {
 public:
  explicit Lexer(Runtime* runtime);
  ~Lexer();
  Lexer(const Lexer&) = delete;
  Lexer& operator=(const Lexer&) = delete;

  Runtime* runtime() const { return runtime_; }

  // --- lifecycle and stepping (Lexer.cpp) ---
  bool Load(std::string_view path, GameState* state, bool isTopScript);
  // The same over script file bytes already in memory (recorded as path).
  bool LoadFromBytes(std::span<const uint8_t> bytes, std::string_view path, GameState* state,
                     bool isTopScript);
  bool Step();
  void Reset();

  // --- words, lines and files (Lexer.cpp) ---
  // Reads the next word into buffer (zero-terminated). Leaves `position` at
  // the word; PassToken moves past it (both quotes of a quoted word).
  void ReadToken(char* buffer, int capacity);
  // ReadToken, then move past the word.
  void ReadArgument(char* buffer, int capacity = kArgumentSize);
  // ReadArgument (64), then the word's `define` value if it has one.
  void ReadName(char* buffer);
  // Copies the line from `position` into `lineText`.
  void ReadLine();
  // Moves `position` past the word last read by ReadToken.
  void PassToken() { position = tokenEnd_; }
  bool FileExists(std::string_view path, bool silent);
  void SeekTo(int32_t offset);
  // Reads a plain decimal number (leading digits, 0 if none).
  static int32_t ParseNumber(const char* word);

  // --- error boxes (Lexer.cpp) ---
  // message is display text (UTF-8); detail, sourceFile and text are engine
  // bytes (CP932).
  void ReportError(std::string_view message, std::string_view detail, std::string_view sourceFile,
                   int line, std::string_view text);
  // ReportError with the current script, line number and line text.
  void ReportScriptError(std::string_view message, std::string_view detail);
  void ReportBadParameter(std::string_view text);

  // --- services of the main window (Lexer.cpp, through Runtime::frame) ---
  bool PollInput();
  bool Present();
  bool PresentShaken(int offset);
  void SetSkip(bool on);
  bool IsSkipping() const { return runtime_->skipMode; }

  // --- flags, variables and expressions (Expression.cpp) ---
  int32_t Evaluate(const char* text);
  bool Assign();
  bool Condition();
  // Returns the byte found, or -1 at the end of the script (reported).
  static constexpr int kAnyByte = '{';
  static constexpr int kBraces = '}';
  int SkipToBrace(int target);

  // --- dispatch and the commands that steer the script (Dispatch.cpp) ---
  Flow Dispatch();
  // Whether word is in the command table (labels and text are not).
  static bool IsCommandWord(std::string_view word);
  // Sets the unlock flag of a picture named in `def_cg` and merges the
  // lasting flags into Save00.dat.
  void UnlockPicture(const char* name);

  // --- message text hooks (MessageText.cpp) ---
  Flow AddText();  // a text line; the word is at `position`
  Flow Ret(bool skippable);
  bool Window(const WindowArgs& args);
  // Whether a message window is defined to draw text lines into.
  bool HasWindow() const;
  void SetWindowSlotsVisible(bool visible);  // after window_off / window_on set F2046
  bool Cls();

  // --- message window (MessageText.cpp) ---
  // Draws the collected message into slot 7 and waits for the player: Next
  // when the script goes on, Unwind when it stops.
  Flow ShowMessage(bool skippable);
  // One pass of every wait: poll, optionally present. EndWait when the wait
  // must end at once (closing, a failed poll or present, or a return-to-title
  // request, cleared); Next to keep waiting.
  Flow WaitStep(bool present);
  void AddBacklog(bool isChoice, std::string_view label = {});
  // Plays the voice of the backlog entry `back` entries before the newest.
  bool ReplayVoice(int back);
  // 0: show layers 0-2 and the window group, 1: show the group, 2: hide
  // layers and group, 3: hide the group.
  void SetWindowGroup(int form);
  // The in-game icons (backlog, save, load) in slots 10-18.
  int ShowIcons(int form);

  // --- choice hooks (Choices.cpp) ---
  bool WindowSel(const WindowSelArgs& args);
  bool DefSel(const char* label);
  Flow Select(int32_t no, const char* noWord);
  bool DrawChoices();

  // --- scene hooks (SceneCommands.cpp); names have passed through `define`,
  // and `bg` / `ev1` pictures are already unlocked ---
  bool Bg(const char* name, const char* kind);
  bool Bg1(const char* name, const char* kind);  // bg1 / bg1_fi
  bool Bg2(const char* name1, const char* name2, const char* kind);
  bool Bg3(const char* name1, const char* name2, const char* name3, const char* kind);
  bool Ev1(const char* name, const char* kind);                       // ev1 / ev1_fi
  bool Sp(int32_t layer, const char* name, const char* kind, int x);  // sp / spl / spr
  bool Sp1(const char* name, const char* kind);                       // sp1 / sp1_fi / sp1_cf
  bool Sp2(const char* name1, const char* name2, const char* kind);
  bool Fade(const char* kind, int first, int second, int third, int divisor);
  bool ScreenFade(int form);
  bool Shake(const char* word);
  bool Rotate(int32_t angle, int32_t step, const char* mode);
  // Records, loads, places and fades one picture layer.
  bool SetLayer(int slot, const char* name, const char* kind, int x, int y);
  // Before a "FADE_IN" change: fades out what layers (0 and) 1-2 show.
  bool ClearForFadeIn(bool withBackground, const char* kind);

  // --- screens opened from the waits (screens/). Next: back to the wait;
  // EndWait: the wait must end (a game was loaded, return to title);
  // Unwind: stop ---
  Flow SaveLoadScreen(bool load);  // screens/SaveLoadScreen.cpp
  Flow BacklogScreen();            // screens/BacklogScreen.cpp
  // Shows backlog entry n (1 = newest) and the counter in the backlog screen.
  void ShowBacklogEntry(int n);

  // --- audio hooks (AudioCommands.cpp); form 0 has no name, 1 a name and a
  // fixed mode, 2 a name and a mode word ---
  bool Music(int form, const char* name, const char* mode);
  bool Effect(int form, const char* name, const char* mode);
  // autoPan: pan by speaker; else pan as given. commandPosition: the first
  // byte of the command word (the resume point).
  bool Voice(bool marksResume, bool autoPan, int pan, const char* name, int32_t commandPosition);
  Flow SeWait();

  // --- save data (SaveData.cpp) ---
  // Merges the lasting flags (F1024-F2047) into Save00.dat (`flag_update`,
  // picture unlocks): UpdateGlobalFlags.
  bool MergeLastingFlags();
  // Writes the global GameState with its checksum to "Save%02d.dat"; false
  // (after the box) when the file could not be written.
  bool SaveGame(int slot);
  // Replaces the global GameState from "Save%02d.dat" and rebuilds the
  // running game from it; false when nothing was loaded.
  bool LoadGame(int slot);
  // Save00.dat = the global GameState with F1024-F2047 ORed with those
  // already stored there.
  bool UpdateGlobalFlags();
  // Reads Save00.dat over the global GameState: missing, it stays; damaged,
  // the box (unit, code) and a zeroed record. False when it was damaged.
  bool ReadLastingRecord(std::string_view unit, int code);

  // --- movie and MIDI hooks (MovieMidi.cpp) ---
  bool PlayMovie(const char* name);
  bool PlayMidi(const char* name);

  // --- the title menu (screens/TitleMenu.cpp) ---
  // The `menu` command: Save00.dat, game select, the title screen and what
  // it leads to. True: go on with the top script (a new game, a loaded game
  // or the after-story starts); false: stop the script.
  bool TitleMenu();
  // Picks the game (F1000); false when polling or presenting fails.
  bool GameSelect();
  // Picks the route of a new game (F1001); false when polling or
  // presenting fails.
  bool RouteSelect();
  // --- the extras (screens/Extras.cpp) ---
  // The extras menu of the title screen; the title menu ignores the result.
  bool ExtrasMenu();
  // The three extras screens. Each returns the screen to open next: 0 back
  // to the title (also when polling or presenting fails, the program closes
  // or a return to the title arrives), 1 gallery, 2 recollection, 3 music.
  int PictureGallery();
  int Recollection();
  int MusicRoom();

  // --- system screens and devices (ScreenCommands.cpp) ---
  bool Menu();        // the title menu in this Lexer; its result is the command's
  bool LoadScreen();  // the load screen
  bool SaveScreen();  // the save screen
  bool Ending(const char* music);
  void SetRumble(int32_t strength);  // 0..10000, 0 = off
  void ReleaseAllSprites();
  void ReleaseAllChannels();

  // --- fields ---
  GameState* state = nullptr;   // not owned
  std::vector<uint8_t> source;  // the script, unscrambled, plus one zero byte
  char lineText[kTokenSize] = {};
  char token[kTokenSize] = {};
  int32_t lineNumber = 1;
  int32_t position = 1;
  int32_t sourceSize = 0;
  int32_t lineLength = 0;
  std::unique_ptr<char[]> messageText;  // kMessageSize bytes
  bool messageDone = true;
  // Set by `window`; a Lexer whose GameState arrives with a window (a loaded
  // game, a recollection's copy) has one too (see HasWindow).
  bool windowDefined = false;
  int32_t mouseX = 0;
  int32_t mouseY = 0;
  int32_t choiceCount = 0;
  std::array<std::optional<std::string>, kMaxChoices> choiceTexts;
  bool isTopScript = false;
  char scriptPath[kScriptPathSize] = {};

 private:
  // One row of the command table: the word, its handler and the fixed
  // arguments the handler passes on (a kind or mode word, numbers).
  struct Command;
  using CommandFn = Flow (Lexer::*)(const Command&);
  struct Command {
    std::string_view word;
    CommandFn run;
    const char* fixed = nullptr;
    int n[4] = {};
  };
  static const Command kCommands[];

  // Byte of the source at i, 0 past the end.
  uint8_t at(int32_t i) const {
    return i >= 0 && i < sourceSize ? source[static_cast<size_t>(i)] : 0;
  }
  bool atEnd() const { return position >= sourceSize; }
  int32_t ReadExpression();  // ReadArgument, then Evaluate
  int32_t ReadNumber();      // ReadArgument, then ParseNumber
  bool SkipBlock();
  void finishLoad(const std::string& pathText);

  // The parts of ShowMessage (MessageText.cpp): typing the text into slot
  // 7 (Next when typed, EndWait or Unwind from the wait), the skip timer
  // (true when skip mode advances the message), the icon hover (the icon
  // under the mouse, -1 for none), the screens the wait opens, and advancing.
  uint32_t tickNow() const;
  Flow TypeMessage(DIBSprite* text);
  bool SkipTimerRanOut(uint32_t& skipStart);
  int HoverIcons();
  Flow OpenScreenFromWait(int hovered);
  void AdvanceMessage();

  // The save and load screens' actions on slot file number (SaveLoadScreen.cpp):
  // true when a game was loaded / when the save was attempted (the list
  // must be rebuilt).
  bool LoadFromScreen(int number);
  bool SaveFromScreen(int number, const std::string& preset);

  // Generic rows (Dispatch.cpp): count picture names through `define`, then
  // the hook with the row's fixed kind.
  template <int Count, auto Hook>
  Flow Names(const Command& c) {
    char names[Count][kArgumentSize];
    for (auto& name : names) ReadName(name);
    if constexpr (Count == 1) {
      return flowOf((this->*Hook)(names[0], c.fixed));
    } else if constexpr (Count == 2) {
      return flowOf((this->*Hook)(names[0], names[1], c.fixed));
    } else {
      return flowOf((this->*Hook)(names[0], names[1], names[2], c.fixed));
    }
  }
  // Music or Effect in the row's form (n[0]) with the row's fixed mode.
  template <bool (Lexer::*Hook)(int, const char*, const char*)>
  Flow Sound(const Command& c) {
    char name[kArgumentSize] = {}, mode[kArgumentSize] = {};
    if (c.n[0] >= 1) ReadArgument(name);
    if (c.n[0] == 2) ReadArgument(mode);
    return flowOf((this->*Hook)(c.n[0], name, c.n[0] == 2 ? mode : c.fixed));
  }
  // One word, handed over as it is.
  template <bool (Lexer::*Hook)(const char*)>
  Flow OneWord(const Command&) {
    char word[kArgumentSize];
    ReadArgument(word);
    return flowOf((this->*Hook)(word));
  }
  // No arguments.
  template <bool (Lexer::*Hook)()>
  Flow Plain(const Command&) {
    return flowOf((this->*Hook)());
  }
  Flow CmdNothing(const Command&);
  Flow CmdSetFlag(const Command&);  // flag n[0] = n[1]

  // Hand-written rows (Dispatch.cpp).
  Flow CmdBg(const Command&);
  Flow CmdEv1(const Command&);
  Flow CmdSp(const Command&);
  Flow CmdFade(const Command&);
  Flow CmdScreenFade(const Command&);
  Flow CmdRotate(const Command&);
  Flow CmdSeWait(const Command&);
  Flow CmdVoice(const Command&);
  Flow CmdWindow(const Command&);
  Flow CmdRet(const Command&);
  Flow CmdWindowSel(const Command&);
  Flow CmdDefSel(const Command&);
  Flow CmdSelect(const Command&);
  Flow CmdWindowShown(const Command&);
  Flow CmdBrackets(const Command&);
  Flow CmdFlagUpdate(const Command&);
  Flow CmdScreen(const Command&);
  Flow CmdSetFf(const Command&);
  Flow CmdGoto(const Command&);
  Flow CmdChange(const Command&);
  Flow CmdKaisouEnd(const Command&);
  Flow CmdTitle(const Command&);
  Flow CmdWait(const Command&);
  Flow CmdNameCheck(const Command&);
  Flow CmdNamePair(const Command&);

  Runtime* runtime_;
  int32_t wordStart_ = 1;  // first byte of the last word read (after a quote)
  int32_t tokenEnd_ = 1;   // first byte after it (after a closing quote)
  bool tokenQuoted_ = false;
};

}  // namespace kobre
