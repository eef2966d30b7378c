// kobre-mkgame: builds a game folder from a source folder.
//
// Source folder:
//   scr/*.scr   scripts in UTF-8 (LF or CR LF); written as CP932 with CR LF
//               and the format marker into "arc.scr". A first line
//               ";mkgame: scrambled" writes the file scrambled.
//   cg/*.pic    picture recipes (PictureRecipe.h) -> "arc.cg", "arc2.cg"
//   wav/*.snd   sound and MIDI recipes (SoundRecipe.h) -> "arc.wav", "arc2.wav",
//               MIDI files as loose files
//   mov/*.mov   movie recipes (MovieRecipe.h) -> loose ".mpg" files
//   loose/      copied into the game folder as it stands
// Files of each folder are taken in name order and every output depends
// only on the sources, so the same sources give byte-identical files.
#pragma once

#include <ostream>
#include <string>

namespace kobre::mkgame {

struct BuildOptions {
  bool verbose = false;
  int threads = 2;  // workers for packing and encoding
};

// Needs a QGuiApplication for drawing. False with a message in error.
bool buildGame(const std::string& sourceDir, const std::string& outDir, const BuildOptions& options,
               std::ostream& log, std::string& error);

}  // namespace kobre::mkgame
