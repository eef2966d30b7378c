// The settings file reader: any bytes as "KOBRE.ini", read into the record,
// written back and read again.
#include <cstddef>
#include <cstdint>
#include <span>

#include "app/frame/ProfileFile.h"
#include "app/frame/SettingsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kobre::frame;
  ProfileFile file;
  file.load(std::span<const uint8_t>(data, size));
  FrameSettings settings;
  readSettings(file, settings);
  (void)file.readString("Support", "Mail", "");
  writeSettings(file, settings);
  std::vector<uint8_t> bytes = file.save();
  ProfileFile again;
  again.load(bytes);
  FrameSettings reread;
  readSettings(again, reread);
  if (reread.settings.heroName[sizeof(reread.settings.heroName) - 1] != 0) __builtin_trap();
  return 0;
}
