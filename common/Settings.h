// The settings record: one value per settings-file key (Section/Key). Read at
// start-up, changed in memory by menus and dialogs, written at exit.
// Window/Display and the font keys belong to the back buffer and the main
// window and are not held here.
#pragma once

#include <cstdint>
#include <string>

namespace kobre {

struct Settings {
  int messageSpeed = 0;            // Message/Speed 0..3
  bool messageReaded = true;       // Message/Readed: dim read text
  int messageReadedLumi = 128;     // Message/ReadedLumi
  int skipWait = 5;                // Skip/Wait, seconds
  bool skipVoice = false;          // Skip/Voice
  bool skipEffect = false;         // Skip/Effect
  bool skipCancel = true;          // Skip/Cancel
  bool skipUnread = true;          // Skip/Unread
  int windowRed = 0;               // Window/Red
  int windowGreen = 0;             // Window/Green
  int windowBlue = 0;              // Window/Blue
  int windowAlpha = 128;           // Window/Alpha
  int volumeBgm = 100;             // Volume/Bgm
  int volumeSe = 100;              // Volume/Se
  int volumeVoice = 100;           // Volume/Voice
  char heroName[8] = {};           // User/Name, CP932, zero-terminated
  bool saveOverWriteCheck = true;  // Save/OverWriteCheck
  int effectSpeed = 16;            // Effect/Speed
  bool voiceNext = false;          // Voice/Next
};

}  // namespace kobre
