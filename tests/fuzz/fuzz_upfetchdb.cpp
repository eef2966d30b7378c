// The updater's management file: any bytes as "upfetch.db". What was read is
// written and read back: it must load again, record for record.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "support/upfetch/ManagementData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kobre::upfetch;
  std::vector<UpdateRecord> records;
  parseManagementData(std::string_view(reinterpret_cast<const char*>(data), size), records);
  std::vector<UpdateRecord> again;
  if (!parseManagementData(formatManagementData(records), again)) __builtin_trap();
  if (again.size() != records.size()) __builtin_trap();
  return 0;
}
