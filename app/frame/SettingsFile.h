// The settings file "KOBRE.ini": every key in its fixed order, read at
// start-up into the settings record and the main window's display and font
// values, written back at exit. Other sections (the support mail's) stay.
#pragma once

#include <string>
#include <string_view>

#include "app/frame/ProfileFile.h"
#include "common/Settings.h"

namespace kobre {
namespace platform {
class FileSystem;
}

namespace frame {

inline constexpr std::string_view kSettingsFileName = "KOBRE.ini";

// What the file holds beyond the settings record: the display mode (handed
// to the back buffer) and the message font (held by the main window). These
// keys come first in the file, then the record's (KOBRE_SETTINGS_KEYS).
// X(kind, field, default, "Section", "Key"), kinds as there plus String.
#define KOBRE_FRAME_SETTINGS_KEYS(X)                                           \
  X(Bool, windowed, true, "Window", "Display")                                 \
  X(String, fontName, kobre::kSjisDefaultFontFace, "Font", "Name") /* CP932 */ \
  X(Integer, fontStyle, 0, "Font", "Style") /* as read: 0..3 known, others no style */

// A string starts empty; defaultFrameSettings puts its default in.
#define KOBRE_SETTING_FIELD_String(field, value) std::string field;

struct FrameSettings {
  Settings settings;
#define KOBRE_SETTING_FIELD(kind, field, value, section, key) \
  KOBRE_SETTING_FIELD_##kind(field, value)
  KOBRE_FRAME_SETTINGS_KEYS(KOBRE_SETTING_FIELD)
#undef KOBRE_SETTING_FIELD
};

// The record's defaults, the hero name included.
FrameSettings defaultFrameSettings();

// Reads every key of the table in order; missing keys give the defaults.
void readSettings(const ProfileFile& file, FrameSettings& out);
// Writes every key in the same order (booleans 1/0, integers decimal).
void writeSettings(ProfileFile& file, const FrameSettings& in);

// The style code written back for a font: 1 bold, 2 italic, 3 both, else 0.
int fontStyleCode(bool bold, bool italic);

// Puts a CP932 name into the 8-byte hero name, cut at a character boundary
// when it is longer than 7 bytes.
void setHeroName(Settings& settings, std::string_view cp932);

// The file through the file layer: a missing or unreadable file is empty.
void loadSettingsFile(platform::FileSystem* files, ProfileFile& out);
bool saveSettingsFile(platform::FileSystem* files, const ProfileFile& file);

}  // namespace frame
}  // namespace kobre
