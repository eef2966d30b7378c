// Making the program's engine and tying it to the main window's logic,
// without the engine's own headers (the desktop entry includes Qt, whose
// keywords clash with names in them).
#pragma once

#include <memory>

#include "app/frame/FrameEngine.h"
#include "platform/Platform.h"

namespace kobre::frame {

class MainFrame;

// The runtime and the objects start-up creates in it, on this platform.
std::unique_ptr<FrameEngine> createRuntimeEngine(const platform::Platform& platform);

// Points the runtime's frame services (the script's input poll and presents)
// at the main window's logic.
void connectFrame(MainFrame& frame, FrameEngine& engine);

}  // namespace kobre::frame
