// The game data behind the extras screens: per game, the picture gallery's
// unlock flags and page sizes, the recollection's scene table (unlock flag
// and script per entry, by page) and the music room's track list. Read from
// "scr\extras.txt" (a loose file first, else the script archive); the format
// is in README.md ("The extras data file").
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kobre {

namespace extras {

constexpr const char* kDataFile = "scr\\extras.txt";
constexpr int kGames = 2;
constexpr int kPerPage = 20;                   // thumbnails: 5 columns, 4 rows
constexpr int kGalleryPages[kGames] = {3, 5};  // page tabs of each gallery
constexpr int kScenePages = 3;                 // recollection page tabs
constexpr int kMaxTracks = 11;                 // track buttons of the music room
constexpr int kLastFlag = 2047;
constexpr uint32_t kMaxDataBytes = 1u << 20;  // a larger file is refused

struct Scene {
  int flag = 0;
  std::string script;  // "scr\<script>.scr"
};

struct GameExtras {
  // Picture i of gallery page p unlocks with F(galleryFirstFlag + 20p + i)
  // and is shown for i < galleryPageSizes[p].
  int galleryFirstFlag = 0;
  std::vector<int> galleryPageSizes;
  std::vector<std::vector<Scene>> scenePages;  // at most kScenePages pages
  std::vector<std::string> tracks;             // "wav\<name>.wav", track k = entry k
};

struct ExtrasData {
  GameExtras games[kGames];
};

// What the extras show without a data file: both galleries in full (53
// pictures from F1201, 90 from F1401), the music of each game ("ki_01" to
// "ki_10", "sd_01" to "sd_11"), and no scenes (only the file can name them).
ExtrasData defaultExtras();

// The first fault of a data file: its line (1-based), that line's text and
// what is wrong with it.
struct ExtrasError {
  int line = 0;
  std::string lineText;
  std::string message;
};

// Reads a data file's bytes over `data` (which starts as the defaults: each
// game section replaces only the tables it names). False with the error at
// the first fault; `data` is then left as the defaults.
bool parseExtras(std::span<const uint8_t> bytes, ExtrasData& data, ExtrasError& error);

}  // namespace extras

}  // namespace kobre
