// Read.dat loading over arbitrary bytes; what loads must save and load back
// to the same image.
#include <cstdint>
#include <span>

#include "storage/ReadRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kobre::ReadRecord r;
  r.loadBytes(std::span<const uint8_t>(data, size));
  if (r.scriptCount() > kobre::ReadRecord::kMaxScripts) __builtin_trap();
  for (int i = 0; i < r.scriptCount(); ++i) {
    if (r.keyCount(i) > kobre::ReadRecord::kMaxKeys) __builtin_trap();
    r.isRead(r.scriptName(i), 1);
  }
  const auto image = r.saveBytes();
  kobre::ReadRecord back;
  back.loadBytes(image);
  if (back.saveBytes() != image) __builtin_trap();
  return 0;
}
