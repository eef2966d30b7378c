// The settings record: one value per settings-file key (Section/Key). Read at
// start-up, changed in memory by menus and dialogs, written at exit.
// Window/Display and the font keys belong to the back buffer and the main
// window and are not held here (see app/frame/SettingsFile.h).
#pragma once

#include <cstdint>
#include <string>

#include "common/SjisText.h"

// Every key of the record, in the file's order; the one list the record's
// fields, their defaults, the reading and the writing come from.
// X(kind, field, default, "Section", "Key") with kind Integer, Bool or Name
// (an 8-byte CP932 name, zero-terminated).
#define KOBRE_SETTINGS_KEYS(X)                                          \
  X(Integer, messageSpeed, 0, "Message", "Speed")   /* 0..3 */          \
  X(Bool, messageReaded, true, "Message", "Readed") /* dim read text */ \
  X(Integer, messageReadedLumi, 128, "Message", "ReadedLumi")           \
  X(Integer, skipWait, 5, "Skip", "Wait") /* seconds */                 \
  X(Bool, skipVoice, false, "Skip", "Voice")                            \
  X(Bool, skipEffect, false, "Skip", "Effect")                          \
  X(Bool, skipCancel, true, "Skip", "Cancel")                           \
  X(Bool, skipUnread, true, "Skip", "Unread")                           \
  X(Integer, windowRed, 0, "Window", "Red")                             \
  X(Integer, windowGreen, 0, "Window", "Green")                         \
  X(Integer, windowBlue, 0, "Window", "Blue")                           \
  X(Integer, windowAlpha, 128, "Window", "Alpha")                       \
  X(Integer, volumeBgm, 100, "Volume", "Bgm")                           \
  X(Integer, volumeSe, 100, "Volume", "Se")                             \
  X(Integer, volumeVoice, 100, "Volume", "Voice")                       \
  X(Name, heroName, kobre::kSjisDefaultHeroName, "User", "Name")        \
  X(Bool, saveOverWriteCheck, true, "Save", "OverWriteCheck")           \
  X(Integer, effectSpeed, 16, "Effect", "Speed")                        \
  X(Bool, voiceNext, false, "Voice", "Next")

// A field of each kind. A name starts empty in the record; its default is
// put in by the settings file's defaults (defaultFrameSettings).
#define KOBRE_SETTING_FIELD_Integer(field, value) int field = value;
#define KOBRE_SETTING_FIELD_Bool(field, value) bool field = value;
#define KOBRE_SETTING_FIELD_Name(field, value) char field[8] = {};

namespace kobre {

struct Settings {
#define KOBRE_SETTING_FIELD(kind, field, value, section, key) \
  KOBRE_SETTING_FIELD_##kind(field, value)
  KOBRE_SETTINGS_KEYS(KOBRE_SETTING_FIELD)
#undef KOBRE_SETTING_FIELD
};

}  // namespace kobre
