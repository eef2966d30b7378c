// Save data: saving and loading games in the slot files, and the lasting
// flags merged into Save00.dat.
#include <cstring>
#include <memory>
#include <string>

#include "script/SaveFile.h"
#include "script/SceneSlots.h"
#include "storage/SystemError.h"

namespace kobre {

namespace {

constexpr std::string_view kUnit = "SaveData";
constexpr int kCodeSaveFailed = 2877;
constexpr int kCodeNoSaveData = 2911;
constexpr int kCodeCorrupted = 2926;
constexpr int kCodeLastingCorrupted = 4412;

constexpr const char* kSaveFailed = "セーブできませんでした";
constexpr const char* kNoSaveData = "セーブデータがありません";
constexpr const char* kCorrupted = "セーブデータが壊れています";

// A name field as a zero-terminated string of at most 63 bytes, the longest
// name the commands that take it accept.
struct FieldName {
  explicit FieldName(std::string_view text) {
    const size_t n = std::min(text.size(), sizeof value - 1);
    std::memcpy(value, text.data(), n);
    value[n] = 0;
  }
  char value[kNameSize];
};

}  // namespace

bool Lexer::MergeLastingFlags() {
  return UpdateGlobalFlags();
}

bool Lexer::SaveGame(int slot) {
  Runtime* rt = runtime_;
  GameState& global = rt->gameState;
  global.updateChecksum();
  const std::string name = saveFileName(slot);
  const SaveWrite result = writeSaveFile(rt->platform.files, name, global);
  if (result == SaveWrite::Ok) return true;
  // A file that cannot be created is a failed save too: the player must not
  // believe the game was kept.
  ReportSystemError(rt->platform.host, kUnit, kCodeSaveFailed, kSaveFailed, "");
  rt->pressedButtons = 0;
  return false;
}

bool Lexer::LoadGame(int slot) {
  Runtime* rt = runtime_;
  platform::Host* host = rt->platform.host;
  const std::string name = saveFileName(slot);
  auto record = std::make_unique<GameState>();
  const SaveImage read = readSaveFile(rt->platform.files, name, *record);
  if (read == SaveImage::Missing) {
    ReportSystemError(host, kUnit, kCodeNoSaveData, kNoSaveData, name);
    rt->pressedButtons = 0;
    return false;
  }
  // A script name that would leave the script folder counts as damage.
  if (read == SaveImage::Corrupted || !isSafeScriptName(*record)) {
    ReportSystemError(host, kUnit, kCodeCorrupted, kCorrupted, "");
    rt->pressedButtons = 0;
    return false;
  }
  const std::string path = "scr\\" + std::string(fieldText(record->scriptName)) + ".scr";
  // Checked before the running game is replaced, so a save of a script this
  // installation lacks leaves the game as it was.
  if (!FileExists(path, false)) return false;

  rt->gameState = *record;
  GameState& gs = rt->gameState;
  if (!Load(path, &gs, true)) return false;
  // The resume point is an offset into whichever script last marked one: 0
  // starts after the format marker, past the end ends the script as at its
  // end, inside a line goes on from there.
  SeekTo(gs.resumePosition < 1 ? 1 : gs.resumePosition);

  for (int layer = 0; layer < kLayerCount; ++layer) {
    const FieldName picture(fieldText(gs.layerNames[layer]));
    if (picture.value[0] == 0) {
      if (DIBSprite* sprite = slotAt(rt, layer)) sprite->release();
    } else if (!SetLayer(layer, picture.value, "FADE_SET", gs.layerX[layer], 0)) {
      return false;
    }
  }

  // The message window: a record saved before any `window` has none.
  DIBSprite* box = slotAt(rt, slots::kWindowBox);
  if (box != nullptr && gs.windowWidth > 0 && gs.windowHeight > 0) {
    if (!box->createBox(gs.windowX, gs.windowY, gs.windowWidth, gs.windowHeight)) return false;
    const std::string frameName(fieldText(gs.windowPicture));
    std::string framePath = "cg\\" + frameName + ".bmp";
    bool found = FileExists(framePath, true);
    if (!found) {
      framePath = "cg\\" + frameName + ".psd";
      found = FileExists(framePath, false);
    }
    // Without a frame picture the game still gets its music back.
    DIBSprite* frame = slotAt(rt, slots::kWindowFrame);
    if (found && frame != nullptr) {
      if (!frame->loadImage(framePath)) return false;
      frame->setPosition(gs.windowX + gs.windowPictureX, gs.windowY + gs.windowPictureY);
    }
  }

  // Only looping sounds are recorded: a music that was playing once comes
  // back as silence.
  const FieldName music(fieldText(gs.bgmName));
  if (!Music(music.value[0] != 0 ? 1 : 0, music.value, "LOOP")) return false;
  const FieldName effect(fieldText(gs.seName));
  if (!Effect(effect.value[0] != 0 ? 1 : 0, effect.value, "LOOP")) return false;
  return true;
}

bool Lexer::UpdateGlobalFlags() {
  Runtime* rt = runtime_;
  auto stored = std::make_unique<GameState>();
  const SaveImage read = readSaveFile(rt->platform.files, kLastingFileName, *stored);
  if (read == SaveImage::Corrupted) {
    ReportSystemError(rt->platform.host, kUnit, kCodeLastingCorrupted, kCorrupted,
                      kLastingFileName);
    stored->clear();
  }
  uint8_t kept[kFlagCount - kFirstLastingFlag];
  std::memcpy(kept, stored->flags + kFirstLastingFlag, sizeof kept);
  *stored = rt->gameState;
  for (size_t i = 0; i < sizeof kept; ++i) stored->flags[kFirstLastingFlag + i] |= kept[i];
  stored->updateChecksum();
  // Failures here are silent: the flags are merged again at the next unlock.
  writeSaveFile(rt->platform.files, kLastingFileName, *stored);
  return true;
}

bool Lexer::ReadLastingRecord(std::string_view unit, int code) {
  Runtime* rt = runtime_;
  auto stored = std::make_unique<GameState>();
  const SaveImage read = readSaveFile(rt->platform.files, kLastingFileName, *stored);
  if (read == SaveImage::Missing) return true;
  if (read == SaveImage::Corrupted) {
    ReportSystemError(rt->platform.host, unit, code, kCorrupted, kLastingFileName);
    rt->gameState.clear();
    return false;
  }
  rt->gameState = *stored;
  return true;
}

}  // namespace kobre
