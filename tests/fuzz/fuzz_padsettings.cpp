// The joypad settings reader: any bytes as "JoyPad.inp", read over the
// defaults, written back and read again to the same values.
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/ProfileFile.h"
#include "input/PadConfig.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kobre;
  ProfileFile file;
  file.load(std::span<const uint8_t>(data, size));
  const PadSettings settings = readPadSettings(file, defaultPadSettings());
  for (int32_t code : settings.codes) (void)padCodeName(code);
  writePadSettings(file, settings);
  ProfileFile again;
  again.load(file.save());
  const PadSettings reread = readPadSettings(again, defaultPadSettings());
  if (reread.codes != settings.codes || reread.deviceNumber != settings.deviceNumber ||
      reread.forceFeedback != settings.forceFeedback)
    __builtin_trap();
  return 0;
}
