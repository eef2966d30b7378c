#include "tools/mkgame/MovieRecipe.h"

#include <algorithm>

#include "tools/mkgame/PictureRecipe.h"
#include "tools/writers/MovieWriter.h"

namespace kobre::mkgame {

namespace {

bool parseCount(const std::string& s, int lo, int hi, int& v) {
  if (s.empty() || s.size() > 6) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  v = std::stoi(s);
  return v >= lo && v <= hi;
}

}  // namespace

bool parseMovieSpec(const RecipeBlock& block, MovieSpec& spec, std::string& error) {
  const std::vector<std::string>& w = block.header.words;
  const std::string at = block.file + ":" + std::to_string(block.header.number) + ": ";
  spec = MovieSpec{};
  spec.block = block;
  if (w.size() < 5 || w[0] != "movie" || !parseCount(w[2], 16, 800, spec.width) ||
      !parseCount(w[3], 16, 600, spec.height) || !parseCount(w[4], 1, 100, spec.frames) ||
      spec.width % 16 != 0 || spec.height % 16 != 0) {
    error = at + "expected \"movie NAME WIDTH HEIGHT FRAMES [fps N]\" (sizes multiples of 16)";
    return false;
  }
  spec.name = w[1];
  for (size_t i = 5; i < w.size(); ++i) {
    if (w[i] == "fps" && i + 1 < w.size() && parseCount(w[i + 1], 1, 60, spec.fps)) {
      ++i;
    } else {
      error = at + "unknown option \"" + w[i] + "\"";
      return false;
    }
  }
  return true;
}

bool buildMovie(const MovieSpec& spec, std::vector<uint8_t>& out, std::string& error) {
  const std::string at = spec.block.file + ":" + std::to_string(spec.block.header.number) + ": ";
  out.clear();
  // The frames are drawn as the layers of one picture.
  PictureSpec pictures;
  pictures.name = spec.name;
  pictures.width = spec.width;
  pictures.height = spec.height;
  pictures.alpha = false;
  pictures.block = spec.block;
  pictures.layers = spec.frames;
  std::vector<QImage> layers;
  std::string why;
  if (!renderPicture(pictures, nullptr, layers, why)) {
    error = why;
    return false;
  }
  writers::MovieSource source;
  source.width = spec.width;
  source.height = spec.height;
  source.frames = static_cast<int>(layers.size());
  source.fps = spec.fps;
  source.draw = [&layers](int k, std::vector<uint32_t>& px) {
    const QImage image = layers[static_cast<size_t>(k)].convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
      const auto* row = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
      std::copy(row, row + image.width(), px.begin() + static_cast<ptrdiff_t>(y) * image.width());
    }
  };
  if (!writers::writeMpegMovie(source, out, why)) {
    error = at + why;
    return false;
  }
  return true;
}

}  // namespace kobre::mkgame
