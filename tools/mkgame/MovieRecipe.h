// Movie recipes: short MPEG-1 movies drawn frame by frame like pictures.
//
//   movie NAME WIDTH HEIGHT FRAMES [fps N]     (at most 100 frames)
//     COMMAND ...        the picture commands; "f" is the frame number
//   end
//
// NAME is the loose file the game plays ("mov\opening.mpg"); the movie is an
// MPEG-1 program stream (libavcodec's encoder and libavformat's muxer in
// bit-exact mode, so the same recipe gives the same bytes).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/mkgame/RecipeText.h"

namespace kobre::mkgame {

struct MovieSpec {
  std::string name;
  int width = 0, height = 0, frames = 0, fps = 25;
  RecipeBlock block;
};

bool parseMovieSpec(const RecipeBlock& block, MovieSpec& spec, std::string& error);
// Needs a QGuiApplication for drawing.
bool buildMovie(const MovieSpec& spec, std::vector<uint8_t>& out, std::string& error);

}  // namespace kobre::mkgame
