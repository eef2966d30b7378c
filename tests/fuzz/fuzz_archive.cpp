// Archive opening and lookup over arbitrary bytes: the first byte picks
// plain or scrambled and where the supplement starts; the rest is the main
// archive and its supplement.
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "storage/ArchiveFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const bool scrambled = (data[0] & 1) != 0;
  std::span<const uint8_t> rest(data + 1, size - 1);
  const size_t split = (data[0] & 2) ? rest.size() / 2 : rest.size();
  std::span<const uint8_t> main = rest.first(split), extra = rest.subspan(split);

  kobre::ArchiveFile a;
  (void)a.open(std::make_unique<kobre::MemoryFile>(main), scrambled);
  if (!extra.empty()) a.attachSupplement(std::make_unique<kobre::MemoryFile>(extra), scrambled);

  // Look up every name the index holds, a folder-prefixed form and a miss.
  std::vector<uint8_t> out;
  const int n = a.entryCount() < 64 ? a.entryCount() : 64;
  for (int i = 0; i < n; ++i) {
    const auto& e = a.entry(i);
    size_t len = 0;
    while (len < kobre::kArchiveNameSize && e.name[len] != 0) ++len;
    std::string name("cg\\");
    name.append(e.name, len);
    if (a.readEntry(name, out)) {
      if (out.size() != a.size()) __builtin_trap();
    }
  }
  (void)a.readEntry("missing.bmp", out);
  char buf[16];
  a.read(buf, sizeof buf);  // reads on past an entry stay inside the file
  return 0;
}
