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

bool Lexer::Dispatch() {
  const std::string_view word(token);
  if (!word.empty() && word[0] == '@') {  // a label
    PassToken();
    return true;
  }
  for (const Command& c : kCommands) {
    if (c.word == word) {
      PassToken();
      return (this->*c.run)();
    }
  }
  ReportScriptError("未定義のコマンド", word);
  PassToken();
  return true;
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

bool Lexer::CmdBg() {
  char name[kArgumentSize], kind[kArgumentSize];
  ReadName(name);
  ReadArgument(kind);
  UnlockPicture(name);
  return Bg(name, kind);
}

bool Lexer::CmdBg1() {
  char name[kArgumentSize];
  ReadName(name);
  return Bg1(name, "FADE_NONE");
}

bool Lexer::CmdBg1Fi() {
  char name[kArgumentSize];
  ReadName(name);
  return Bg1(name, "FADE_IN");
}

bool Lexer::CmdBg2() {
  char a[kArgumentSize], b[kArgumentSize];
  ReadName(a);
  ReadName(b);
  return Bg2(a, b, "FADE_NONE");
}

bool Lexer::CmdBg2Fi() {
  char a[kArgumentSize], b[kArgumentSize];
  ReadName(a);
  ReadName(b);
  return Bg2(a, b, "FADE_IN");
}

bool Lexer::CmdBg3() {
  char a[kArgumentSize], b[kArgumentSize], c[kArgumentSize];
  ReadName(a);
  ReadName(b);
  ReadName(c);
  return Bg3(a, b, c, "FADE_NONE");
}

bool Lexer::CmdBg3Fi() {
  char a[kArgumentSize], b[kArgumentSize], c[kArgumentSize];
  ReadName(a);
  ReadName(b);
  ReadName(c);
  return Bg3(a, b, c, "FADE_IN");
}

bool Lexer::CmdEv1() {
  char name[kArgumentSize];
  ReadName(name);
  UnlockPicture(name);
  return Ev1(name, "FADE_NONE");
}

bool Lexer::CmdEv1Fi() {
  char name[kArgumentSize];
  ReadName(name);
  UnlockPicture(name);
  return Ev1(name, "FADE_IN");
}

bool Lexer::CmdSp() {
  const int32_t layer = ReadExpression();
  char name[kArgumentSize], kind[kArgumentSize];
  ReadName(name);
  ReadArgument(kind);
  return Sp(layer, name, kind, 0);
}

bool Lexer::CmdSpl() {
  const int32_t layer = ReadExpression();
  char name[kArgumentSize], kind[kArgumentSize];
  ReadName(name);
  ReadArgument(kind);
  return Sp(layer, name, kind, -kSideCharacterOffset);
}

bool Lexer::CmdSpr() {
  const int32_t layer = ReadExpression();
  char name[kArgumentSize], kind[kArgumentSize];
  ReadName(name);
  ReadArgument(kind);
  return Sp(layer, name, kind, kSideCharacterOffset);
}

bool Lexer::CmdSp1() {
  char name[kArgumentSize];
  ReadName(name);
  return Sp1(name, "FADE_NONE");
}

bool Lexer::CmdSp1Fi() {
  char name[kArgumentSize];
  ReadName(name);
  return Sp1(name, "FADE_IN");
}

bool Lexer::CmdSp1Cf() {
  char name[kArgumentSize];
  ReadName(name);
  return Sp1(name, "FADE_CROSS");
}

bool Lexer::CmdSp2() {
  char a[kArgumentSize], b[kArgumentSize];
  ReadName(a);
  ReadName(b);
  return Sp2(a, b, "FADE_NONE");
}

bool Lexer::CmdSp2Fi() {
  char a[kArgumentSize], b[kArgumentSize];
  ReadName(a);
  ReadName(b);
  return Sp2(a, b, "FADE_IN");
}

bool Lexer::CmdSpFade() {
  char kind[kArgumentSize];
  ReadArgument(kind);
  return Fade(kind, 1, 2, -1, 1);
}

bool Lexer::CmdSpFadeOut() {
  return Fade("FADE_OUT", 1, 2, -1, 1);
}
bool Lexer::CmdSpFadeIn() {
  return Fade("FADE_IN", 1, 2, -1, 1);
}

bool Lexer::CmdFade() {
  char kind[kArgumentSize];
  ReadArgument(kind);
  return Fade(kind, 0, 1, 2, 1);
}

bool Lexer::CmdFadeOut() {
  return Fade("FADE_OUT", 0, 1, 2, 1);
}
bool Lexer::CmdFadeIn() {
  return Fade("FADE_IN", 0, 1, 2, 1);
}
bool Lexer::CmdFo2() {
  return Fade("FADE_OUT", 0, 1, 2, 2);
}
bool Lexer::CmdFadeAllWhiteOut() {
  return ScreenFade(2);
}
bool Lexer::CmdFadeAllWhiteIn() {
  return ScreenFade(3);
}

bool Lexer::CmdRotate() {
  const int32_t angle = ReadNumber();
  const int32_t step = ReadNumber();
  char mode[kArgumentSize];
  ReadArgument(mode);
  return Rotate(angle, step, mode);
}

bool Lexer::CmdShake() {
  char word[kArgumentSize];
  ReadArgument(word);
  return Shake(word);
}

// --- audio ---

bool Lexer::CmdBgm() {
  char name[kArgumentSize], mode[kArgumentSize];
  ReadArgument(name);
  ReadArgument(mode);
  return Music(2, name, mode);
}

bool Lexer::CmdBgm1() {
  char name[kArgumentSize];
  ReadArgument(name);
  return Music(1, name, "LOOP");
}

bool Lexer::CmdBgm2() {
  char name[kArgumentSize];
  ReadArgument(name);
  return Music(1, name, "LOOP_NONE");
}

bool Lexer::CmdBgmStop() {
  return Music(0, "", "LOOP_NONE");
}
bool Lexer::CmdBgmFo() {
  return Music(0, "", "FADE_OUT");
}

bool Lexer::CmdSe() {
  char name[kArgumentSize], mode[kArgumentSize];
  ReadArgument(name);
  ReadArgument(mode);
  return Effect(2, name, mode);
}

bool Lexer::CmdSe1() {
  char name[kArgumentSize];
  ReadArgument(name);
  return Effect(1, name, "LOOP");
}

bool Lexer::CmdSe2() {
  char name[kArgumentSize];
  ReadArgument(name);
  return Effect(1, name, "LOOP_NONE");
}

bool Lexer::CmdSeStop() {
  return Effect(0, "", "LOOP_NONE");
}
bool Lexer::CmdSeFo() {
  return Effect(0, "", "FADE_OUT");
}
bool Lexer::CmdSeWait() {
  return SeWait();
}

bool Lexer::VoiceCommand(bool marksResume, bool autoPan, int pan) {
  // The dispatcher has passed the command word: wordStart_ is still its start.
  const int32_t commandPosition = wordStart_;
  char name[kArgumentSize];
  ReadArgument(name);
  return Voice(marksResume, autoPan, pan, name, commandPosition);
}

bool Lexer::CmdVo() {
  return VoiceCommand(true, true, 0);
}
bool Lexer::CmdVol() {
  return VoiceCommand(true, false, -10);
}
bool Lexer::CmdVor() {
  return VoiceCommand(true, false, 10);
}
bool Lexer::CmdVo2() {
  return VoiceCommand(false, true, 0);
}

// --- message window and choices ---

bool Lexer::CmdWindow() {
  WindowArgs a{};
  ReadArgument(a.noWord);
  a.no = Evaluate(a.noWord);
  int32_t* numbers[] = {&a.x, &a.y, &a.width, &a.height, &a.textX, &a.textY, &a.columns, &a.rows};
  for (int32_t* n : numbers) *n = ReadExpression();
  ReadArgument(a.picture);
  a.pictureX = ReadExpression();
  a.pictureY = ReadExpression();
  return Window(a);
}

bool Lexer::CmdRet() {
  return Ret(true);
}
bool Lexer::CmdRetNoskip() {
  return Ret(false);
}

bool Lexer::CmdWindowSel() {
  WindowSelArgs a{};
  ReadArgument(a.noWord);
  a.no = Evaluate(a.noWord);
  int32_t* numbers[] = {&a.x,     &a.y,       &a.width, &a.height, &a.textX,
                        &a.textY, &a.columns, &a.rows,  &a.stepX,  &a.stepY};
  for (int32_t* n : numbers) *n = ReadExpression();
  ReadArgument(a.picture);
  a.pictureX = ReadExpression();
  a.pictureY = ReadExpression();
  return WindowSel(a);
}

bool Lexer::CmdDefSel() {
  char label[kTokenSize];
  ReadArgument(label, kTokenSize);
  return DefSel(label);
}

bool Lexer::CmdSelect() {
  char word[kArgumentSize];
  ReadArgument(word);
  return Select(Evaluate(word), word);
}

bool Lexer::CmdWindowOff() {
  if (state != nullptr) state->flags[kFlagWindowHidden] = 1;
  SetWindowSlotsVisible(false);
  return true;
}

bool Lexer::CmdWindowOn() {
  if (state != nullptr) state->flags[kFlagWindowHidden] = 0;
  SetWindowSlotsVisible(true);
  return true;
}

bool Lexer::CmdAutoRetOn() {
  if (state != nullptr) state->flags[kFlagAutoReturnOff] = 0;
  return true;
}

bool Lexer::CmdAutoRetOff() {
  if (state != nullptr) state->flags[kFlagAutoReturnOff] = 1;
  return true;
}

bool Lexer::CmdSelectCenterOn() {
  if (state != nullptr) state->flags[kFlagSelectCenter] = 1;
  return true;
}

bool Lexer::CmdSelectCenterOff() {
  if (state != nullptr) state->flags[kFlagSelectCenter] = 0;
  return true;
}

bool Lexer::CmdCls() {
  return Cls();
}

bool Lexer::CmdDefIndent() {
  char word[kArgumentSize];
  ReadArgument(word);
  Runtime::copyBrackets(runtime_->openingBrackets, word);
  return true;
}

bool Lexer::CmdDefKinsoku() {
  char word[kArgumentSize];
  ReadArgument(word);
  Runtime::copyBrackets(runtime_->closingMarks, word);
  return true;
}

// --- movie, MIDI, save data, screens, devices ---

bool Lexer::CmdMovie() {
  char name[kArgumentSize];
  ReadArgument(name);
  return Movie(name);
}

bool Lexer::CmdMidi() {
  char name[kArgumentSize];
  ReadArgument(name);
  return Midi(name);
}

bool Lexer::CmdFlagUpdate() {
  return MergeLastingFlags();
}
bool Lexer::CmdMenu() {
  return Menu();
}

bool Lexer::CmdLoad() {
  LoadScreen();
  return true;
}

bool Lexer::CmdSave() {
  SaveScreen();
  return true;
}

bool Lexer::CmdEnding() {
  char music[kArgumentSize];
  ReadArgument(music);
  return Ending(music);
}

bool Lexer::CmdSetFf() {
  SetRumble(ReadNumber());
  return true;
}

bool Lexer::CmdMap() {
  return true;
}
bool Lexer::CmdBackslash() {
  return true;
}

// --- the commands that steer the script ---

bool Lexer::CmdGoto() {
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
    if (token[0] == '@' && std::strcmp(token + 1, label) == 0) return true;
  }
  ReportScriptError("ラベルが見つからない", label);
  return false;
}

bool Lexer::ChangeScript(bool onlyTop) {
  char name[kArgumentSize];
  ReadArgument(name);
  if (onlyTop && !isTopScript) return false;  // a recollection ends here
  char path[kScriptPathSize];
  std::snprintf(path, sizeof path, "scr\\%s.scr", name);
  if (!FileExists(path, false)) return true;
  if (!Load(path, state, isTopScript)) return false;
  if (state != nullptr) {
    const size_t n = std::min(std::strlen(name), static_cast<size_t>(kNameSize - 1));
    std::memcpy(state->scriptName, name, n);
    state->scriptName[n] = 0;
  }
  return true;
}

bool Lexer::CmdChange() {
  return ChangeScript(true);
}
bool Lexer::CmdChangeKaisou() {
  return ChangeScript(false);
}
bool Lexer::CmdKaisouEnd() {
  return isTopScript;
}

bool Lexer::CmdTitle() {
  SetSkip(false);
  if (!isTopScript) {
    ReportScriptError("Ｔｏｐスクリプトでは無いので title コマンドは使えません", "");
    return true;
  }
  if (!Load("scr\\open.scr", state, true)) return false;
  ReleaseAllSprites();
  ReleaseAllChannels();
  return true;
}

bool Lexer::CmdWait() {
  const uint64_t ms = static_cast<uint64_t>(ReadNumber()) * 1000u;
  platform::Clock* clock = runtime_->platform.clock;
  if (clock == nullptr) return true;
  const uint32_t start = clock->tickCount();
  while (static_cast<uint32_t>(clock->tickCount() - start) < ms) {
    if (!PollInput()) return false;
    if (runtime_->returnToTitle) {
      runtime_->returnToTitle = false;
      return true;
    }
    if (runtime_->closing) return true;
    if (runtime_->returnToMenu) {  // the recollection is being left
      runtime_->returnToMenu = false;
      return false;
    }
    if (!Present()) return false;
  }
  return true;
}

bool Lexer::CmdNameCheck() {
  const char* hero = runtime_->settings.heroName;
  const size_t len = strnlen(hero, sizeof runtime_->settings.heroName);
  const bool same = std::string_view(hero, len) == kSjisDefaultHeroName;
  if (state != nullptr) state->variable('V') = same ? 1 : 0;
  return true;
}

bool Lexer::AddNamePair(NameTable& table) {
  char key[kArgumentSize], value[kArgumentSize];
  ReadArgument(key);
  ReadArgument(value);
  if (!table.add(key, value)) ReportScriptError("これ以上登録できない", key);
  return true;
}

bool Lexer::CmdDefine() {
  return AddNamePair(runtime_->defineTable);
}
bool Lexer::CmdDefCg() {
  return AddNamePair(runtime_->cgTable);
}

void Lexer::UnlockPicture(const char* name) {
  const std::string* value = runtime_->cgTable.find(name);
  if (value == nullptr || state == nullptr) return;
  // The value is a flag number; anything else is ignored.
  if (value->empty() || value->size() > 4) return;
  int flag = 0;
  for (char c : *value) {
    if (c < '0' || c > '9') return;
    flag = flag * 10 + (c - '0');
  }
  if (flag >= kFlagCount) return;
  state->flags[flag] = 1;
  MergeLastingFlags();
}

}  // namespace kobre
