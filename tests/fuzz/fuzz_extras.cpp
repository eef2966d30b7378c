// The extras data reader: any bytes as "scr\extras.txt". A file taken must
// give tables the screens can use as they are; a refused one leaves the
// defaults.
#include <cstddef>
#include <cstdint>
#include <span>

#include "screens/ExtrasData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kobre::extras;
  ExtrasData tables;
  ExtrasError error;
  const bool taken = parseExtras(std::span<const uint8_t>(data, size), tables, error);
  if (!taken && error.line < 0) __builtin_trap();
  for (int g = 0; g < kGames; ++g) {
    const GameExtras& t = tables.games[g];
    if (t.galleryPageSizes.empty() || t.galleryPageSizes.size() > size_t(kGalleryPages[g]))
      __builtin_trap();
    const int pages = static_cast<int>(t.galleryPageSizes.size());
    if (t.galleryFirstFlag + kPerPage * (pages - 1) + t.galleryPageSizes.back() - 1 > kLastFlag)
      __builtin_trap();
    if (t.scenePages.size() > size_t(kScenePages) || t.tracks.size() > size_t(kMaxTracks))
      __builtin_trap();
    for (const auto& page : t.scenePages) {
      if (page.size() > size_t(kPerPage)) __builtin_trap();
      for (const Scene& s : page)
        if (s.flag < 0 || s.flag > kLastFlag || s.script.empty() || s.script.size() > 63)
          __builtin_trap();
    }
    if (!taken && !t.scenePages.empty()) __builtin_trap();
  }
  return 0;
}
