// PNG captures of the headless runner, written through Qt's image writer.
// (Its own file: Qt's keywords clash with names in the engine's headers.)
#pragma once

#include <cstdint>
#include <string>

namespace kobre::app {

// Writes a width x height XRGB picture as an RGB PNG file; false when it cannot.
bool writePng(const std::string& path, const uint32_t* pixels, int width, int height);

}  // namespace kobre::app
