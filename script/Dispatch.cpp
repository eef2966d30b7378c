// The command table and the commands that steer the script itself: labels
// and goto, changing scripts, the end of a recollection, title, wait, the
// name check and the name tables. A command that only reads its arguments
// and calls one hook of its layer is a table row: the word, a generic
// handler for its argument shape, and the fixed arguments it passes on.
#include <cstring>

#include "common/SjisText.h"
#include "script/Lexer.h"

namespace kobre {

namespace {}  // namespace

// Dispatch order; words compare exactly, case matters.
const Lexer::Command Lexer::kCommands[] = {
    // Scene: pictures and fades. Fade rows: kind (null: read from the
    // script), then the three slots and the step divisor.
    {"bg", &Lexer::CmdBg},
    {"bg1", &Lexer::Names<1, &Lexer::Bg1>, "FADE_NONE"},
    {"bg1_fi", &Lexer::Names<1, &Lexer::Bg1>, "FADE_IN"},
    {"bg2", &Lexer::Names<2, &Lexer::Bg2>, "FADE_NONE"},
    {"bg2_fi", &Lexer::Names<2, &Lexer::Bg2>, "FADE_IN"},
    {"bg3", &Lexer::Names<3, &Lexer::Bg3>, "FADE_NONE"},
    {"bg3_fi", &Lexer::Names<3, &Lexer::Bg3>, "FADE_IN"},
    {"ev1", &Lexer::CmdEv1, "FADE_NONE"},
    {"ev1_fi", &Lexer::CmdEv1, "FADE_IN"},
    {"sp", &Lexer::CmdSp, nullptr, {0}},
    {"spl", &Lexer::CmdSp, nullptr, {-kSideCharacterOffset}},
    {"spr", &Lexer::CmdSp, nullptr, {kSideCharacterOffset}},
    {"sp1", &Lexer::Names<1, &Lexer::Sp1>, "FADE_NONE"},
    {"sp1_fi", &Lexer::Names<1, &Lexer::Sp1>, "FADE_IN"},
    {"sp1_cf", &Lexer::Names<1, &Lexer::Sp1>, "FADE_CROSS"},
    {"sp2", &Lexer::Names<2, &Lexer::Sp2>, "FADE_NONE"},
    {"sp2_fi", &Lexer::Names<2, &Lexer::Sp2>, "FADE_IN"},
    {"sp_fade", &Lexer::CmdFade, nullptr, {1, 2, -1, 1}},
    {"sp_fade_out", &Lexer::CmdFade, "FADE_OUT", {1, 2, -1, 1}},
    {"sp_fo", &Lexer::CmdFade, "FADE_OUT", {1, 2, -1, 1}},
    {"sp_fade_in", &Lexer::CmdFade, "FADE_IN", {1, 2, -1, 1}},
    {"fade", &Lexer::CmdFade, nullptr, {0, 1, 2, 1}},
    {"fade_out", &Lexer::CmdFade, "FADE_OUT", {0, 1, 2, 1}},
    {"fo", &Lexer::CmdFade, "FADE_OUT", {0, 1, 2, 1}},
    {"fade_in", &Lexer::CmdFade, "FADE_IN", {0, 1, 2, 1}},
    {"fo2", &Lexer::CmdFade, "FADE_OUT", {0, 1, 2, 2}},
    {"fade_all_white_out", &Lexer::CmdScreenFade, nullptr, {2}},
    {"fade_all_white_in", &Lexer::CmdScreenFade, nullptr, {3}},
    // Audio. Sound rows: the form (0 no name, 1 a name and the fixed mode,
    // 2 a name and a mode word); voice rows: marks the resume point,
    // automatic pan, pan.
    {"bgm", &Lexer::Sound<&Lexer::Music>, nullptr, {2}},
    {"bgm1", &Lexer::Sound<&Lexer::Music>, "LOOP", {1}},
    {"bgm2", &Lexer::Sound<&Lexer::Music>, "LOOP_NONE", {1}},
    {"bgm_stop", &Lexer::Sound<&Lexer::Music>, "LOOP_NONE", {0}},
    {"bgm_fo", &Lexer::Sound<&Lexer::Music>, "FADE_OUT", {0}},
    {"se", &Lexer::Sound<&Lexer::Effect>, nullptr, {2}},
    {"se1", &Lexer::Sound<&Lexer::Effect>, "LOOP", {1}},
    {"se2", &Lexer::Sound<&Lexer::Effect>, "LOOP_NONE", {1}},
    {"se_stop", &Lexer::Sound<&Lexer::Effect>, "LOOP_NONE", {0}},
    {"se_fo", &Lexer::Sound<&Lexer::Effect>, "FADE_OUT", {0}},
    {"se_wait", &Lexer::CmdSeWait},
    {"vo", &Lexer::CmdVoice, nullptr, {1, 1, 0}},
    {"vol", &Lexer::CmdVoice, nullptr, {1, 0, -10}},
    {"vor", &Lexer::CmdVoice, nullptr, {1, 0, 10}},
    {"vo2", &Lexer::CmdVoice, nullptr, {0, 1, 0}},
    // Message window and choices.
    {"window", &Lexer::CmdWindow},
    {"ret", &Lexer::CmdRet, nullptr, {1}},
    {"ret_noskip", &Lexer::CmdRet, nullptr, {0}},
    {"window_sel", &Lexer::CmdWindowSel},
    {"def_sel", &Lexer::CmdDefSel},
    {"select", &Lexer::CmdSelect},
    {"movie", &Lexer::OneWord<&Lexer::PlayMovie>},
    {"midi", &Lexer::OneWord<&Lexer::PlayMidi>},
    {"change", &Lexer::CmdChange, nullptr, {1}},
    {"change_kaisou", &Lexer::CmdChange, nullptr, {0}},
    {"rotate", &Lexer::CmdRotate},
    {"name_check", &Lexer::CmdNameCheck},
    {"wait", &Lexer::CmdWait},
    {"title", &Lexer::CmdTitle},
    // Flag rows: the flag and its value.
    {"window_off", &Lexer::CmdWindowShown, nullptr, {0}},
    {"window_on", &Lexer::CmdWindowShown, nullptr, {1}},
    {"flag_update", &Lexer::CmdFlagUpdate},
    {"auto_ret_on", &Lexer::CmdSetFlag, nullptr, {kFlagAutoReturnOff, 0}},
    {"auto_ret_off", &Lexer::CmdSetFlag, nullptr, {kFlagAutoReturnOff, 1}},
    {"select_center_on", &Lexer::CmdSetFlag, nullptr, {kFlagSelectCenter, 1}},
    {"select_center_off", &Lexer::CmdSetFlag, nullptr, {kFlagSelectCenter, 0}},
    {"define", &Lexer::CmdNamePair, nullptr, {0}},
    {"def_cg", &Lexer::CmdNamePair, nullptr, {1}},
    {"shake", &Lexer::OneWord<&Lexer::Shake>},
    {"cls", &Lexer::Plain<&Lexer::Cls>},
    {"kaisou_end", &Lexer::CmdKaisouEnd},
    {"menu", &Lexer::Plain<&Lexer::Menu>},
    {"map", &Lexer::CmdNothing},
    {"ending", &Lexer::OneWord<&Lexer::Ending>},
    {"\\n", &Lexer::CmdNothing},
    {"\\i", &Lexer::CmdNothing},
    {"\\k", &Lexer::CmdNothing},
    {"load", &Lexer::CmdScreen, nullptr, {1}},
    {"save", &Lexer::CmdScreen, nullptr, {0}},
    {"goto", &Lexer::CmdGoto},
    {"def_indent", &Lexer::CmdBrackets, nullptr, {0}},
    {"def_kinsoku", &Lexer::CmdBrackets, nullptr, {1}},
    {"set_ff", &Lexer::CmdSetFf},
};

bool Lexer::IsCommandWord(std::string_view word) {
  for (const Command& c : kCommands)
    if (c.word == word) return true;
  return false;
}

Flow Lexer::Dispatch() {
  const std::string_view word(token);
  if (!word.empty() && word[0] == '@') {  // a label
    PassToken();
    return Flow::Next;
  }
  for (const Command& c : kCommands) {
    if (c.word == word) {
      PassToken();
      return (this->*c.run)(c);
    }
  }
  ReportScriptError("未定義のコマンド", word);
  PassToken();
  return Flow::Next;
}

int32_t Lexer::ReadExpression() {
  char word[kArgumentSize];
  ReadArgument(word);
  return Evaluate(word);
}

int32_t Lexer::ReadNumber() {
  char word[kArgumentSize];
  ReadArgument(word);
  return ParseNumber(word);
}

// --- generic rows ---

Flow Lexer::CmdNothing(const Command&) {
  return Flow::Next;
}

Flow Lexer::CmdSetFlag(const Command& c) {
  if (state != nullptr) state->flags[c.n[0]] = static_cast<uint8_t>(c.n[1]);
  return Flow::Next;
}

// --- scene ---

Flow Lexer::CmdBg(const Command&) {
  char name[kArgumentSize], kind[kArgumentSize];
  ReadName(name);
  ReadArgument(kind);
  UnlockPicture(name);
  return flowOf(Bg(name, kind));
}

Flow Lexer::CmdEv1(const Command& c) {
  char name[kArgumentSize];
  ReadName(name);
  UnlockPicture(name);
  return flowOf(Ev1(name, c.fixed));
}

Flow Lexer::CmdSp(const Command& c) {
  const int32_t layer = ReadExpression();
  char name[kArgumentSize], kind[kArgumentSize];
  ReadName(name);
  ReadArgument(kind);
  return flowOf(Sp(layer, name, kind, c.n[0]));
}

Flow Lexer::CmdFade(const Command& c) {
  char kind[kArgumentSize] = {};
  if (c.fixed == nullptr) ReadArgument(kind);
  return flowOf(Fade(c.fixed != nullptr ? c.fixed : kind, c.n[0], c.n[1], c.n[2], c.n[3]));
}

Flow Lexer::CmdScreenFade(const Command& c) {
  return flowOf(ScreenFade(c.n[0]));
}

Flow Lexer::CmdRotate(const Command&) {
  const int32_t angle = ReadNumber();
  const int32_t step = ReadNumber();
  char mode[kArgumentSize];
  ReadArgument(mode);
  return flowOf(Rotate(angle, step, mode));
}

// --- audio ---

Flow Lexer::CmdSeWait(const Command&) {
  return SeWait();
}

Flow Lexer::CmdVoice(const Command& c) {
  // The dispatcher has passed the command word: wordStart_ is still its start.
  const int32_t commandPosition = wordStart_;
  char name[kArgumentSize];
  ReadArgument(name);
  return flowOf(Voice(c.n[0] != 0, c.n[1] != 0, c.n[2], name, commandPosition));
}

// --- message window and choices ---

Flow Lexer::CmdWindow(const Command&) {
  WindowArgs a{};
  ReadArgument(a.noWord);
  a.no = Evaluate(a.noWord);
  int32_t* numbers[] = {&a.x, &a.y, &a.width, &a.height, &a.textX, &a.textY, &a.columns, &a.rows};
  for (int32_t* n : numbers) *n = ReadExpression();
  ReadArgument(a.picture);
  a.pictureX = ReadExpression();
  a.pictureY = ReadExpression();
  return flowOf(Window(a));
}

Flow Lexer::CmdRet(const Command& c) {
  return Ret(c.n[0] != 0);
}

Flow Lexer::CmdWindowSel(const Command&) {
  WindowSelArgs a{};
  ReadArgument(a.noWord);
  a.no = Evaluate(a.noWord);
  int32_t* numbers[] = {&a.x,     &a.y,       &a.width, &a.height, &a.textX,
                        &a.textY, &a.columns, &a.rows,  &a.stepX,  &a.stepY};
  for (int32_t* n : numbers) *n = ReadExpression();
  ReadArgument(a.picture);
  a.pictureX = ReadExpression();
  a.pictureY = ReadExpression();
  return flowOf(WindowSel(a));
}

Flow Lexer::CmdDefSel(const Command&) {
  char label[kTokenSize];
  ReadArgument(label, kTokenSize);
  return flowOf(DefSel(label));
}

Flow Lexer::CmdSelect(const Command&) {
  char word[kArgumentSize];
  ReadArgument(word);
  return Select(Evaluate(word), word);
}

Flow Lexer::CmdWindowShown(const Command& c) {
  const bool visible = c.n[0] != 0;
  if (state != nullptr) state->flags[kFlagWindowHidden] = visible ? 0 : 1;
  SetWindowSlotsVisible(visible);
  return Flow::Next;
}

// def_indent (fixed 0) replaces the opening brackets, def_kinsoku (1) the
// closing marks.
Flow Lexer::CmdBrackets(const Command& c) {
  char word[kArgumentSize];
  ReadArgument(word);
  Runtime::copyBrackets(c.n[0] == 0 ? runtime_->openingBrackets : runtime_->closingMarks, word);
  return Flow::Next;
}

// --- save data, screens, devices ---

Flow Lexer::CmdFlagUpdate(const Command&) {
  MergeLastingFlags();  // a failed merge is silent; the script goes on
  return Flow::Next;
}

// load (fixed 1) and save (0): the script goes on whatever the screen did.
Flow Lexer::CmdScreen(const Command& c) {
  c.n[0] != 0 ? LoadScreen() : SaveScreen();
  return Flow::Next;
}

Flow Lexer::CmdSetFf(const Command&) {
  SetRumble(ReadNumber());
  return Flow::Next;
}

// --- the commands that steer the script ---

Flow Lexer::CmdGoto(const Command&) {
  char label[kArgumentSize];
  ReadArgument(label);
  position = 1;
  lineNumber = 1;
  for (;;) {
    ReadToken(token, kTokenSize);
    if (token[0] == 0 && !tokenQuoted_ && position < sourceSize) {
      ++position;  // a stray zero byte
      continue;
    }
    PassToken();
    // Reaching the end ends the search, even on a label that is the last word.
    if (position >= sourceSize) break;
    if (token[0] == '@' && std::strcmp(token + 1, label) == 0) return Flow::Next;
  }
  ReportScriptError("ラベルが見つからない", label);
  return Flow::Unwind;
}

// change (fixed 1: only in the top script), change_kaisou (0).
Flow Lexer::CmdChange(const Command& c) {
  const bool onlyTop = c.n[0] != 0;
  char name[kArgumentSize];
  ReadArgument(name);
  if (onlyTop && !isTopScript) return Flow::Unwind;  // a recollection ends here
  char path[kScriptPathSize];
  std::snprintf(path, sizeof path, "scr\\%s.scr", name);
  if (!FileExists(path, false)) return Flow::Next;
  if (!Load(path, state, isTopScript)) return Flow::Unwind;
  if (state != nullptr) {
    const size_t n = std::min(std::strlen(name), static_cast<size_t>(kNameSize - 1));
    std::memcpy(state->scriptName, name, n);
    state->scriptName[n] = 0;
  }
  return Flow::Next;
}

Flow Lexer::CmdKaisouEnd(const Command&) {
  return flowOf(isTopScript);
}

Flow Lexer::CmdTitle(const Command&) {
  SetSkip(false);
  if (!isTopScript) {
    ReportScriptError("Ｔｏｐスクリプトでは無いので title コマンドは使えません", "");
    return Flow::Next;
  }
  if (!Load("scr\\open.scr", state, true)) return Flow::Unwind;
  ReleaseAllSprites();
  ReleaseAllChannels();
  return Flow::Next;
}

Flow Lexer::CmdWait(const Command&) {
  const uint64_t ms = static_cast<uint64_t>(ReadNumber()) * 1000u;
  platform::Clock* clock = runtime_->platform.clock;
  if (clock == nullptr) return Flow::Next;
  const uint32_t start = clock->tickCount();
  // Unlike the common wait step, a failed poll here stops the script.
  while (static_cast<uint32_t>(clock->tickCount() - start) < ms) {
    if (!PollInput()) return Flow::Unwind;
    if (runtime_->returnToTitle) {
      runtime_->returnToTitle = false;
      return Flow::Next;
    }
    if (runtime_->closing) return Flow::Next;
    if (runtime_->returnToMenu) {  // the recollection is being left
      runtime_->returnToMenu = false;
      return Flow::Unwind;
    }
    if (!Present()) return Flow::Unwind;
  }
  return Flow::Next;
}

Flow Lexer::CmdNameCheck(const Command&) {
  const char* hero = runtime_->settings.heroName;
  const size_t len = strnlen(hero, sizeof runtime_->settings.heroName);
  const bool same = std::string_view(hero, len) == kSjisDefaultHeroName;
  if (state != nullptr) state->variable('V') = same ? 1 : 0;
  return Flow::Next;
}

// define (fixed 0) and def_cg (1): one pair into their name table.
Flow Lexer::CmdNamePair(const Command& c) {
  NameTable& table = c.n[0] == 0 ? runtime_->defineTable : runtime_->cgTable;
  char key[kArgumentSize], value[kArgumentSize];
  ReadArgument(key);
  ReadArgument(value);
  if (!table.add(key, value)) ReportScriptError("これ以上登録できない", key);
  return Flow::Next;
}

void Lexer::UnlockPicture(const char* name) {
  const std::string* value = runtime_->cgTable.find(name);
  if (value == nullptr || state == nullptr) return;
  // The value is a decimal flag number (leading zeros allowed); anything
  // else, or a number past the last flag, is ignored.
  if (value->empty()) return;
  int flag = 0;
  for (char c : *value) {
    if (c < '0' || c > '9') return;
    flag = flag * 10 + (c - '0');
    if (flag >= kFlagCount) return;
  }
  state->flags[flag] = 1;
  MergeLastingFlags();
}

}  // namespace kobre
