#include "app/frame/SettingsFile.h"

#include <cstring>

#include "common/Sjis.h"
#include "common/SjisText.h"
#include "platform/FileSystem.h"

namespace kobre::frame {

namespace {

// Each kind's default, read and write; the key lists call these by kind.
void setDefault(int&, int) {}
void setDefault(bool&, bool) {}
void setDefault(std::string& field, std::string_view value) {
  field = std::string(value);
}
void setDefault(char (&field)[8], std::string_view value) {
  Settings s;
  setHeroName(s, value);
  std::memcpy(field, s.heroName, sizeof field);
}

void readKey(const ProfileFile& f, const char* section, const char* key, int& out, int def) {
  out = f.readInteger(section, key, def);
}
void readKey(const ProfileFile& f, const char* section, const char* key, bool& out, bool def) {
  out = f.readBool(section, key, def);
}
void readKey(const ProfileFile& f, const char* section, const char* key, std::string& out,
             const std::string& def) {
  out = f.readString(section, key, def);
}
void readKey(const ProfileFile& f, const char* section, const char* key, char (&out)[8],
             const char (&def)[8]) {
  Settings s;
  setHeroName(s, f.readString(section, key, std::string_view(def, strnlen(def, sizeof def))));
  std::memcpy(out, s.heroName, sizeof out);
}

void writeKey(ProfileFile& f, const char* section, const char* key, int value) {
  f.writeInteger(section, key, value);
}
void writeKey(ProfileFile& f, const char* section, const char* key, bool value) {
  f.writeBool(section, key, value);
}
void writeKey(ProfileFile& f, const char* section, const char* key, const std::string& value) {
  f.writeString(section, key, value);
}
void writeKey(ProfileFile& f, const char* section, const char* key, const char (&value)[8]) {
  f.writeString(section, key, std::string_view(value, strnlen(value, sizeof value)));
}

}  // namespace

FrameSettings defaultFrameSettings() {
  FrameSettings s;
#define KOBRE_DEFAULT_FRAME(kind, field, value, section, key) setDefault(s.field, value);
#define KOBRE_DEFAULT_RECORD(kind, field, value, section, key) setDefault(s.settings.field, value);
  KOBRE_FRAME_SETTINGS_KEYS(KOBRE_DEFAULT_FRAME)
  KOBRE_SETTINGS_KEYS(KOBRE_DEFAULT_RECORD)
#undef KOBRE_DEFAULT_FRAME
#undef KOBRE_DEFAULT_RECORD
  return s;
}

int fontStyleCode(bool bold, bool italic) {
  if (bold && italic) return 3;
  if (bold) return 1;
  if (italic) return 2;
  return 0;
}

void setHeroName(Settings& settings, std::string_view cp932) {
  constexpr size_t kMax = sizeof(settings.heroName) - 1;
  size_t n = 0;
  while (n < cp932.size()) {
    size_t width = isWideLead(static_cast<uint8_t>(cp932[n])) ? 2 : 1;
    if (n + width > kMax || n + width > cp932.size()) break;
    n += width;
  }
  std::memset(settings.heroName, 0, sizeof(settings.heroName));
  std::memcpy(settings.heroName, cp932.data(), n);
}

void readSettings(const ProfileFile& f, FrameSettings& out) {
  const FrameSettings d = defaultFrameSettings();
#define KOBRE_READ_FRAME(kind, field, value, section, key) \
  readKey(f, section, key, out.field, d.field);
#define KOBRE_READ_RECORD(kind, field, value, section, key) \
  readKey(f, section, key, out.settings.field, d.settings.field);
  KOBRE_FRAME_SETTINGS_KEYS(KOBRE_READ_FRAME)
  KOBRE_SETTINGS_KEYS(KOBRE_READ_RECORD)
#undef KOBRE_READ_FRAME
#undef KOBRE_READ_RECORD
}

void writeSettings(ProfileFile& f, const FrameSettings& in) {
#define KOBRE_WRITE_FRAME(kind, field, value, section, key) writeKey(f, section, key, in.field);
#define KOBRE_WRITE_RECORD(kind, field, value, section, key) \
  writeKey(f, section, key, in.settings.field);
  KOBRE_FRAME_SETTINGS_KEYS(KOBRE_WRITE_FRAME)
  KOBRE_SETTINGS_KEYS(KOBRE_WRITE_RECORD)
#undef KOBRE_WRITE_FRAME
#undef KOBRE_WRITE_RECORD
}

void loadSettingsFile(platform::FileSystem* files, ProfileFile& out) {
  out.clear();
  std::vector<uint8_t> bytes;
  // A settings file is small; a huge one is not ours and reads as empty.
  if (files && files->readAll(kSettingsFileName, bytes, UINT64_C(1) << 20)) out.load(bytes);
}

bool saveSettingsFile(platform::FileSystem* files, const ProfileFile& file) {
  if (!files) return false;
  std::vector<uint8_t> bytes = file.save();
  return files->writeAtomic(kSettingsFileName, bytes);
}

}  // namespace kobre::frame
