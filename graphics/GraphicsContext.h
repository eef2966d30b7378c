// What the graphics objects borrow from the runtime: the platform pieces they
// call, the image archive, the settings, the input sets, the chosen blending
// routines and the LZSS window carried from one picture to the next. One per
// runtime; the back buffer, the bitmaps and the sprites keep a pointer to it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/Settings.h"
#include "graphics/Blend.h"
#include "graphics/Lzss.h"
#include "graphics/TextCache.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Host.h"
#include "platform/TextCodec.h"
#include "platform/TextRasterizer.h"

namespace kobre {

class ArchiveFile;

struct GraphicsContext {
  platform::Host* host = nullptr;              // error boxes and presenting
  platform::Clock* clock = nullptr;            // frame pacing
  platform::FileSystem* files = nullptr;       // loose picture files
  platform::TextCodec* text = nullptr;         // picture names shown in error boxes
  platform::TextRasterizer* raster = nullptr;  // text sprites
  ArchiveFile* imageArchive = nullptr;         // arc.cg (with arc2.cg attached)
  const Settings* settings = nullptr;          // box colour and opacity
  const uint32_t* pressedButtons = nullptr;    // Ok skips an animation frame
  // Null means the packed routines chosen for this processor.
  const BlendRoutines* blend = nullptr;
  LzssWindow lzss;
  // Character tables and scratch surface shared by the text sprites.
  TextRenderer textRenderer;
  // The most pixel memory one bitmap may take (all frames). A picture file
  // asking for more is refused instead of allocated.
  uint64_t maxBitmapBytes = uint64_t{256} << 20;
  // The largest loose picture file read.
  uint64_t maxFileBytes = uint64_t{1} << 30;

  const BlendRoutines& routines();
  // The hero name text sprites put in place of "●●" (empty without settings).
  std::string_view heroName() const;
  // Engine bytes (CP932) for an error box's text.
  std::string displayText(std::string_view cp932) const;
  void reportError(std::string_view unit, int code, std::string_view message,
                   std::string_view detail) const;
};

}  // namespace kobre
