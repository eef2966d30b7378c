// Screen pictures to BMP files, through Qt's image writer (24 bits per
// pixel). Free of Qt in its interface, so the headless runner uses it too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kobre::app {

// pixels: 800 x 600 XRGB, rows top to bottom. False when the file cannot be
// written (or the picture is short).
bool writeScreenBitmap(const std::string& path, const std::vector<uint32_t>& pixels);

}  // namespace kobre::app
