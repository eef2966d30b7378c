#include "app/frame/SettingsFile.h"

#include <cstring>

#include "common/Sjis.h"
#include "common/SjisText.h"
#include "platform/FileSystem.h"

namespace kobre::frame {

FrameSettings defaultFrameSettings() {
  FrameSettings s;
  s.fontName = std::string(kSjisDefaultFontFace);
  setHeroName(s.settings, kSjisDefaultHeroName);
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
  Settings& s = out.settings;
  const Settings& ds = d.settings;
  out.windowed = f.readBool("Window", "Display", d.windowed);
  out.fontName = f.readString("Font", "Name", d.fontName);
  out.fontStyle = f.readInteger("Font", "Style", d.fontStyle);
  s.messageSpeed = f.readInteger("Message", "Speed", ds.messageSpeed);
  s.messageReaded = f.readBool("Message", "Readed", ds.messageReaded);
  s.messageReadedLumi = f.readInteger("Message", "ReadedLumi", ds.messageReadedLumi);
  s.skipWait = f.readInteger("Skip", "Wait", ds.skipWait);
  s.skipVoice = f.readBool("Skip", "Voice", ds.skipVoice);
  s.skipEffect = f.readBool("Skip", "Effect", ds.skipEffect);
  s.skipCancel = f.readBool("Skip", "Cancel", ds.skipCancel);
  s.skipUnread = f.readBool("Skip", "Unread", ds.skipUnread);
  s.windowRed = f.readInteger("Window", "Red", ds.windowRed);
  s.windowGreen = f.readInteger("Window", "Green", ds.windowGreen);
  s.windowBlue = f.readInteger("Window", "Blue", ds.windowBlue);
  s.windowAlpha = f.readInteger("Window", "Alpha", ds.windowAlpha);
  s.volumeBgm = f.readInteger("Volume", "Bgm", ds.volumeBgm);
  s.volumeSe = f.readInteger("Volume", "Se", ds.volumeSe);
  s.volumeVoice = f.readInteger("Volume", "Voice", ds.volumeVoice);
  setHeroName(s, f.readString("User", "Name", ds.heroName));
  s.saveOverWriteCheck = f.readBool("Save", "OverWriteCheck", ds.saveOverWriteCheck);
  s.effectSpeed = f.readInteger("Effect", "Speed", ds.effectSpeed);
  s.voiceNext = f.readBool("Voice", "Next", ds.voiceNext);
}

void writeSettings(ProfileFile& f, const FrameSettings& in) {
  const Settings& s = in.settings;
  f.writeBool("Window", "Display", in.windowed);
  f.writeString("Font", "Name", in.fontName);
  f.writeInteger("Font", "Style", in.fontStyle);
  f.writeInteger("Message", "Speed", s.messageSpeed);
  f.writeBool("Message", "Readed", s.messageReaded);
  f.writeInteger("Message", "ReadedLumi", s.messageReadedLumi);
  f.writeInteger("Skip", "Wait", s.skipWait);
  f.writeBool("Skip", "Voice", s.skipVoice);
  f.writeBool("Skip", "Effect", s.skipEffect);
  f.writeBool("Skip", "Cancel", s.skipCancel);
  f.writeBool("Skip", "Unread", s.skipUnread);
  f.writeInteger("Window", "Red", s.windowRed);
  f.writeInteger("Window", "Green", s.windowGreen);
  f.writeInteger("Window", "Blue", s.windowBlue);
  f.writeInteger("Window", "Alpha", s.windowAlpha);
  f.writeInteger("Volume", "Bgm", s.volumeBgm);
  f.writeInteger("Volume", "Se", s.volumeSe);
  f.writeInteger("Volume", "Voice", s.volumeVoice);
  f.writeString("User", "Name",
                std::string_view(s.heroName, strnlen(s.heroName, sizeof(s.heroName))));
  f.writeBool("Save", "OverWriteCheck", s.saveOverWriteCheck);
  f.writeInteger("Effect", "Speed", s.effectSpeed);
  f.writeBool("Voice", "Next", s.voiceNext);
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
