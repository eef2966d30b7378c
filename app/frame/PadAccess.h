// The joypad settings object of a running engine, for the joypad settings
// dialog (without the engine's headers, which do not mix with Qt's).
#pragma once

namespace kobre {
class Joypad;
class PadConfig;
}  // namespace kobre

namespace kobre::frame {
class FrameEngine;

// Null before start-up made it, and for engines without one.
PadConfig* enginePadConfig(FrameEngine& engine);
// The joypad (the comment dialog reads its Ok and Cancel); null likewise.
Joypad* engineJoypad(FrameEngine& engine);

}  // namespace kobre::frame
