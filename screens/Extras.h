// The extras: the menu the title screen's extras button opens, the picture
// gallery, the scene recollection and the music room of the chosen game.
// Built from sprite slots 40-79 in the running Lexer; what each game offers
// comes from its extras data (screens/ExtrasData.h).
#pragma once

#include "screens/ExtrasData.h"
#include "script/Lexer.h"

namespace kobre {

namespace extras {

// Sub-screen results.
constexpr int kLeave = 0;
constexpr int kGallery = 1;
constexpr int kRecollection = 2;
constexpr int kMusicRoom = 3;

// Slots: thumbnails of the gallery and the recollection, the hover copy.
constexpr int kGalleryThumb = 45;
constexpr int kSceneThumb = 46;
constexpr int kHoverThumb = 70;
constexpr int kThumbWidth = 120;
constexpr int kThumbHeight = 90;

// Game 0: all of the 24 scenes F1132-F1155 open the special scene F1173.
constexpr int kFirstStoryScene = 1132;
constexpr int kLastStoryScene = 1155;
constexpr int kSpecialScene = 1173;
// Set in a recollection scene's copy of the game record.
constexpr int kFlagRecollection = 131;

// The box of a damaged Save00.dat read back after a scene.
constexpr const char* kUnit = "xOmake";
constexpr int kCodeLastingCorrupted = 1733;

// Top-left corner of thumbnail i (0-19) on the screen and on the sheet.
inline int thumbX(int i) {
  return 52 + 144 * (i % 5);
}
inline int thumbY(int i) {
  return 86 + 114 * (i / 5);
}

// Reads the extras data of the game folder ("scr\extras.txt", loose or in
// the script archive). Without the file: the defaults. A damaged file shows
// its error in the script error box (line, line text, what is wrong) and
// gives the defaults.
ExtrasData readExtrasData(Lexer& lexer);

}  // namespace extras

}  // namespace kobre
