// The command table and the commands that steer the script itself: labels
// and goto, changing scripts, the end of a recollection, title, wait, the
// name check and the name tables. The other commands read their arguments
// here and hand them to the hooks of their layer.
#include <cstring>

#include "common/SjisText.h"
#include "script/Lexer.h"

namespace kobre {

// Dispatch order; words compare exactly, case matters.
const Lexer::Command Lexer::kCommands[] = {
    {"bg", &Lexer::CmdBg},
    {"bg1", &Lexer::CmdBg1},
    {"bg1_fi", &Lexer::CmdBg1Fi},
    {"bg2", &Lexer::CmdBg2},
    {"bg2_fi", &Lexer::CmdBg2Fi},
    {"bg3", &Lexer::CmdBg3},
    {"bg3_fi", &Lexer::CmdBg3Fi},
    {"ev1", &Lexer::CmdEv1},
    {"ev1_fi", &Lexer::CmdEv1Fi},
    {"sp", &Lexer::CmdSp},
    {"spl", &Lexer::CmdSpl},
    {"spr", &Lexer::CmdSpr},
    {"sp1", &Lexer::CmdSp1},
    {"sp1_fi", &Lexer::CmdSp1Fi},
    {"sp1_cf", &Lexer::CmdSp1Cf},
    {"sp2", &Lexer::CmdSp2},
    {"sp2_fi", &Lexer::CmdSp2Fi},
    {"sp_fade", &Lexer::CmdSpFade},
    {"sp_fade_out", &Lexer::CmdSpFadeOut},
    {"sp_fo", &Lexer::CmdSpFadeOut},
    {"sp_fade_in", &Lexer::CmdSpFadeIn},
    {"fade", &Lexer::CmdFade},
    {"fade_out", &Lexer::CmdFadeOut},
    {"fo", &Lexer::CmdFadeOut},
    {"fade_in", &Lexer::CmdFadeIn},
    {"fo2", &Lexer::CmdFo2},
    {"fade_all_white_out", &Lexer::CmdFadeAllWhiteOut},
    {"fade_all_white_in", &Lexer::CmdFadeAllWhiteIn},
    {"bgm", &Lexer::CmdBgm},
    {"bgm1", &Lexer::CmdBgm1},
    {"bgm2", &Lexer::CmdBgm2},
    {"bgm_stop", &Lexer::CmdBgmStop},
    {"bgm_fo", &Lexer::CmdBgmFo},
    {"se", &Lexer::CmdSe},
    {"se1", &Lexer::CmdSe1},
    {"se2", &Lexer::CmdSe2},
    {"se_stop", &Lexer::CmdSeStop},
    {"se_fo", &Lexer::CmdSeFo},
    {"se_wait", &Lexer::CmdSeWait},
    {"vo", &Lexer::CmdVo},
    {"vol", &Lexer::CmdVol},
    {"vor", &Lexer::CmdVor},
    {"vo2", &Lexer::CmdVo2},
    {"window", &Lexer::CmdWindow},
    {"ret", &Lexer::CmdRet},
    {"ret_noskip", &Lexer::CmdRetNoskip},
    {"window_sel", &Lexer::CmdWindowSel},
    {"def_sel", &Lexer::CmdDefSel},
    {"select", &Lexer::CmdSelect},
    {"movie", &Lexer::CmdMovie},
    {"midi", &Lexer::CmdMidi},
    {"change", &Lexer::CmdChange},
    {"change_kaisou", &Lexer::CmdChangeKaisou},
    {"rotate", &Lexer::CmdRotate},
    {"name_check", &Lexer::CmdNameCheck},
    {"wait", &Lexer::CmdWait},
    {"title", &Lexer::CmdTitle},
    {"window_off", &Lexer::CmdWindowOff},
    {"window_on", &Lexer::CmdWindowOn},
    {"flag_update", &Lexer::CmdFlagUpdate},
    {"auto_ret_on", &Lexer::CmdAutoRetOn},
    {"auto_ret_off", &Lexer::CmdAutoRetOff},
    {"select_center_on", &Lexer::CmdSelectCenterOn},
    {"select_center_off", &Lexer::CmdSelectCenterOff},
    {"define", &Lexer::CmdDefine},
    {"def_cg", &Lexer::CmdDefCg},
    {"shake", &Lexer::CmdShake},
    {"cls", &Lexer::CmdCls},
    {"kaisou_end", &Lexer::CmdKaisouEnd},
    {"menu", &Lexer::CmdMenu},
    {"map", &Lexer::CmdMap},
    {"ending", &Lexer::CmdEnding},
    {"\\n", &Lexer::CmdBackslash},
    {"\\i", &Lexer::CmdBackslash},
    {"\\k", &Lexer::CmdBackslash},
    {"load", &Lexer::CmdLoad},
    {"save", &Lexer::CmdSave},
    {"goto", &Lexer::CmdGoto},
    {"def_indent", &Lexer::CmdDefIndent},
    {"def_kinsoku", &Lexer::CmdDefKinsoku},
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
      return (this->*c.run)();
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

// --- scene ---

Flow Lexer::CmdBg() {
  char name[kArgumentSize], kind[kArgumentSize];
  ReadName(name);
  ReadArgument(kind);
  UnlockPicture(name);
  return flowOf(Bg(name, kind));
}

Flow Lexer::CmdBg1() {
  char name[kArgumentSize];
  ReadName(name);
  return flowOf(Bg1(name, "FADE_NONE"));
}

Flow Lexer::CmdBg1Fi() {
  char name[kArgumentSize];
  ReadName(name);
  return flowOf(Bg1(name, "FADE_IN"));
}

Flow Lexer::CmdBg2() {
  char a[kArgumentSize], b[kArgumentSize];
  ReadName(a);
  ReadName(b);
  return flowOf(Bg2(a, b, "FADE_NONE"));
}

Flow Lexer::CmdBg2Fi() {
  char a[kArgumentSize], b[kArgumentSize];
  ReadName(a);
  ReadName(b);
  return flowOf(Bg2(a, b, "FADE_IN"));
}

Flow Lexer::CmdBg3() {
  char a[kArgumentSize], b[kArgumentSize], c[kArgumentSize];
  ReadName(a);
  ReadName(b);
  ReadName(c);
  return flowOf(Bg3(a, b, c, "FADE_NONE"));
}

Flow Lexer::CmdBg3Fi() {
  char a[kArgumentSize], b[kArgumentSize], c[kArgumentSize];
  ReadName(a);
  ReadName(b);
  ReadName(c);
  return flowOf(Bg3(a, b, c, "FADE_IN"));
}

Flow Lexer::CmdEv1() {
  char name[kArgumentSize];
  ReadName(name);
  UnlockPicture(name);
  return flowOf(Ev1(name, "FADE_NONE"));
}

Flow Lexer::CmdEv1Fi() {
  char name[kArgumentSize];
  ReadName(name);
  UnlockPicture(name);
  return flowOf(Ev1(name, "FADE_IN"));
}

static constexpr int kSideOffset = 150;  // x of the left / right character picture

Flow Lexer::CmdSp() {
  const int32_t layer = ReadExpression();
  char name[kArgumentSize], kind[kArgumentSize];
  ReadName(name);
  ReadArgument(kind);
  return flowOf(Sp(layer, name, kind, 0));
}

Flow Lexer::CmdSpl() {
  const int32_t layer = ReadExpression();
  char name[kArgumentSize], kind[kArgumentSize];
  ReadName(name);
  ReadArgument(kind);
  return flowOf(Sp(layer, name, kind, -kSideOffset));
}

Flow Lexer::CmdSpr() {
  const int32_t layer = ReadExpression();
  char name[kArgumentSize], kind[kArgumentSize];
  ReadName(name);
  ReadArgument(kind);
  return flowOf(Sp(layer, name, kind, kSideOffset));
}

Flow Lexer::CmdSp1() {
  char name[kArgumentSize];
  ReadName(name);
  return flowOf(Sp1(name, "FADE_NONE"));
}

Flow Lexer::CmdSp1Fi() {
  char name[kArgumentSize];
  ReadName(name);
  return flowOf(Sp1(name, "FADE_IN"));
}

Flow Lexer::CmdSp1Cf() {
  char name[kArgumentSize];
  ReadName(name);
  return flowOf(Sp1(name, "FADE_CROSS"));
}

Flow Lexer::CmdSp2() {
  char a[kArgumentSize], b[kArgumentSize];
  ReadName(a);
  ReadName(b);
  return flowOf(Sp2(a, b, "FADE_NONE"));
}

Flow Lexer::CmdSp2Fi() {
  char a[kArgumentSize], b[kArgumentSize];
  ReadName(a);
  ReadName(b);
  return flowOf(Sp2(a, b, "FADE_IN"));
}

Flow Lexer::CmdSpFade() {
  char kind[kArgumentSize];
  ReadArgument(kind);
  return flowOf(Fade(kind, 1, 2, -1, 1));
}

Flow Lexer::CmdSpFadeOut() {
  return flowOf(Fade("FADE_OUT", 1, 2, -1, 1));
}
Flow Lexer::CmdSpFadeIn() {
  return flowOf(Fade("FADE_IN", 1, 2, -1, 1));
}

Flow Lexer::CmdFade() {
  char kind[kArgumentSize];
  ReadArgument(kind);
  return flowOf(Fade(kind, 0, 1, 2, 1));
}

Flow Lexer::CmdFadeOut() {
  return flowOf(Fade("FADE_OUT", 0, 1, 2, 1));
}
Flow Lexer::CmdFadeIn() {
  return flowOf(Fade("FADE_IN", 0, 1, 2, 1));
}
Flow Lexer::CmdFo2() {
  return flowOf(Fade("FADE_OUT", 0, 1, 2, 2));
}
Flow Lexer::CmdFadeAllWhiteOut() {
  return flowOf(ScreenFade(2));
}
Flow Lexer::CmdFadeAllWhiteIn() {
  return flowOf(ScreenFade(3));
}

Flow Lexer::CmdRotate() {
  const int32_t angle = ReadNumber();
  const int32_t step = ReadNumber();
  char mode[kArgumentSize];
  ReadArgument(mode);
  return flowOf(Rotate(angle, step, mode));
}

Flow Lexer::CmdShake() {
  char word[kArgumentSize];
  ReadArgument(word);
  return flowOf(Shake(word));
}

// --- audio ---

Flow Lexer::CmdBgm() {
  char name[kArgumentSize], mode[kArgumentSize];
  ReadArgument(name);
  ReadArgument(mode);
  return flowOf(Music(2, name, mode));
}

Flow Lexer::CmdBgm1() {
  char name[kArgumentSize];
  ReadArgument(name);
  return flowOf(Music(1, name, "LOOP"));
}

Flow Lexer::CmdBgm2() {
  char name[kArgumentSize];
  ReadArgument(name);
  return flowOf(Music(1, name, "LOOP_NONE"));
}

Flow Lexer::CmdBgmStop() {
  return flowOf(Music(0, "", "LOOP_NONE"));
}
Flow Lexer::CmdBgmFo() {
  return flowOf(Music(0, "", "FADE_OUT"));
}

Flow Lexer::CmdSe() {
  char name[kArgumentSize], mode[kArgumentSize];
  ReadArgument(name);
  ReadArgument(mode);
  return flowOf(Effect(2, name, mode));
}

Flow Lexer::CmdSe1() {
  char name[kArgumentSize];
  ReadArgument(name);
  return flowOf(Effect(1, name, "LOOP"));
}

Flow Lexer::CmdSe2() {
  char name[kArgumentSize];
  ReadArgument(name);
  return flowOf(Effect(1, name, "LOOP_NONE"));
}

Flow Lexer::CmdSeStop() {
  return flowOf(Effect(0, "", "LOOP_NONE"));
}
Flow Lexer::CmdSeFo() {
  return flowOf(Effect(0, "", "FADE_OUT"));
}
Flow Lexer::CmdSeWait() {
  return SeWait();
}

Flow Lexer::VoiceCommand(bool marksResume, bool autoPan, int pan) {
  // The dispatcher has passed the command word: wordStart_ is still its start.
  const int32_t commandPosition = wordStart_;
  char name[kArgumentSize];
  ReadArgument(name);
  return flowOf(Voice(marksResume, autoPan, pan, name, commandPosition));
}

Flow Lexer::CmdVo() {
  return VoiceCommand(true, true, 0);
}
Flow Lexer::CmdVol() {
  return VoiceCommand(true, false, -10);
}
Flow Lexer::CmdVor() {
  return VoiceCommand(true, false, 10);
}
Flow Lexer::CmdVo2() {
  return VoiceCommand(false, true, 0);
}

// --- message window and choices ---

Flow Lexer::CmdWindow() {
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

Flow Lexer::CmdRet() {
  return Ret(true);
}
Flow Lexer::CmdRetNoskip() {
  return Ret(false);
}

Flow Lexer::CmdWindowSel() {
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

Flow Lexer::CmdDefSel() {
  char label[kTokenSize];
  ReadArgument(label, kTokenSize);
  return flowOf(DefSel(label));
}

Flow Lexer::CmdSelect() {
  char word[kArgumentSize];
  ReadArgument(word);
  return Select(Evaluate(word), word);
}

Flow Lexer::CmdWindowOff() {
  if (state != nullptr) state->flags[kFlagWindowHidden] = 1;
  SetWindowSlotsVisible(false);
  return Flow::Next;
}

Flow Lexer::CmdWindowOn() {
  if (state != nullptr) state->flags[kFlagWindowHidden] = 0;
  SetWindowSlotsVisible(true);
  return Flow::Next;
}

Flow Lexer::CmdAutoRetOn() {
  if (state != nullptr) state->flags[kFlagAutoReturnOff] = 0;
  return Flow::Next;
}

Flow Lexer::CmdAutoRetOff() {
  if (state != nullptr) state->flags[kFlagAutoReturnOff] = 1;
  return Flow::Next;
}

Flow Lexer::CmdSelectCenterOn() {
  if (state != nullptr) state->flags[kFlagSelectCenter] = 1;
  return Flow::Next;
}

Flow Lexer::CmdSelectCenterOff() {
  if (state != nullptr) state->flags[kFlagSelectCenter] = 0;
  return Flow::Next;
}

Flow Lexer::CmdCls() {
  return flowOf(Cls());
}

Flow Lexer::CmdDefIndent() {
  char word[kArgumentSize];
  ReadArgument(word);
  Runtime::copyBrackets(runtime_->openingBrackets, word);
  return Flow::Next;
}

Flow Lexer::CmdDefKinsoku() {
  char word[kArgumentSize];
  ReadArgument(word);
  Runtime::copyBrackets(runtime_->closingMarks, word);
  return Flow::Next;
}

// --- movie, MIDI, save data, screens, devices ---

Flow Lexer::CmdMovie() {
  char name[kArgumentSize];
  ReadArgument(name);
  return flowOf(Movie(name));
}

Flow Lexer::CmdMidi() {
  char name[kArgumentSize];
  ReadArgument(name);
  return flowOf(Midi(name));
}

Flow Lexer::CmdFlagUpdate() {
  return flowOf(MergeLastingFlags());
}
Flow Lexer::CmdMenu() {
  return flowOf(Menu());
}

Flow Lexer::CmdLoad() {
  LoadScreen();
  return Flow::Next;
}

Flow Lexer::CmdSave() {
  SaveScreen();
  return Flow::Next;
}

Flow Lexer::CmdEnding() {
  char music[kArgumentSize];
  ReadArgument(music);
  return flowOf(Ending(music));
}

Flow Lexer::CmdSetFf() {
  SetRumble(ReadNumber());
  return Flow::Next;
}

Flow Lexer::CmdMap() {
  return Flow::Next;
}
Flow Lexer::CmdBackslash() {
  return Flow::Next;
}

// --- the commands that steer the script ---

Flow Lexer::CmdGoto() {
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

Flow Lexer::ChangeScript(bool onlyTop) {
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

Flow Lexer::CmdChange() {
  return ChangeScript(true);
}
Flow Lexer::CmdChangeKaisou() {
  return ChangeScript(false);
}
Flow Lexer::CmdKaisouEnd() {
  return flowOf(isTopScript);
}

Flow Lexer::CmdTitle() {
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

Flow Lexer::CmdWait() {
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

Flow Lexer::CmdNameCheck() {
  const char* hero = runtime_->settings.heroName;
  const size_t len = strnlen(hero, sizeof runtime_->settings.heroName);
  const bool same = std::string_view(hero, len) == kSjisDefaultHeroName;
  if (state != nullptr) state->variable('V') = same ? 1 : 0;
  return Flow::Next;
}

Flow Lexer::AddNamePair(NameTable& table) {
  char key[kArgumentSize], value[kArgumentSize];
  ReadArgument(key);
  ReadArgument(value);
  if (!table.add(key, value)) ReportScriptError("これ以上登録できない", key);
  return Flow::Next;
}

Flow Lexer::CmdDefine() {
  return AddNamePair(runtime_->defineTable);
}
Flow Lexer::CmdDefCg() {
  return AddNamePair(runtime_->cgTable);
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
