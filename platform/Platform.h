#pragma once

#include "platform/Audio.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Host.h"
#include "platform/Joystick.h"
#include "platform/Log.h"
#include "platform/Shell.h"
#include "platform/TextCodec.h"
#include "platform/TextRasterizer.h"

namespace kobre::platform {

// Everything the core may call outside itself. Owned by the program (desktop)
// or the test (headless); the core only borrows the pointers.
struct Platform {
  Clock* clock = nullptr;
  Host* host = nullptr;
  FileSystem* files = nullptr;
  TextCodec* text = nullptr;
  AudioDevice* audio = nullptr;
  Joystick* joystick = nullptr;
  Shell* shell = nullptr;
  TextRasterizer* raster = nullptr;
  Dialogs* dialogs = nullptr;  // unset: the core logs a stub and keeps the preset
  Log* log = nullptr;          // the runtime substitutes a NullLog when unset
};

}  // namespace kobre::platform
