// What the application frame needs of the engine objects start-up creates.
// The frame decides the order, the messages and the outcomes; an engine
// creates, runs and releases the objects themselves (the runtime's real ones
// in the program, stand-ins in tests).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Host.h"
#include "platform/TextRasterizer.h"

namespace kobre {
struct Runtime;
}  // namespace kobre

namespace kobre::frame {

class FrameEngine {
 public:
  virtual ~FrameEngine() = default;

  // The objects' home: archives, game state, read record, settings record,
  // main-window flags and input sets.
  virtual Runtime& runtime() = 0;

  // Start-up steps; each false is the step's fatal failure (the object has
  // already shown its own box where it has one).
  virtual bool createCodecDriver() = 0;  // the Vorbis codec driver, "Vorbis.acm"
  virtual bool createBackBuffer() = 0;   // the 800 x 600 back buffer and its surface
  virtual void createSprites() = 0;      // the 130 sprite slots
  virtual bool createSoundDevice() = 0;  // opened at 44100 Hz, 16-bit stereo
  virtual void createSoundChannels() = 0;
  virtual void openJoypad() = 0;  // "JoyPad.inp", the device it names; never fatal
  // The top script context on name with the global game state.
  virtual bool loadTopScript(std::string_view name) = 0;
  virtual void setSkip(bool on) = 0;
  // The message fonts changed (start-up, font menu).
  virtual void setFonts(const platform::FontSpec& message, const platform::FontSpec& small) = 0;

  // Display mode held by the back buffer.
  virtual void setWindowed(bool windowed) = 0;
  virtual bool isWindowed() = 0;

  // The running program.
  virtual bool step() = 0;         // one step of the top script; false when it ended
  virtual void updateSound() = 0;  // the channels' update of one poll
  // The joypad's logical buttons down now; false when it cannot be read.
  virtual bool pollJoypad(uint32_t& buttons) = 0;
  virtual void setMouse(int x, int y) = 0;  // the script context's mouse position
  virtual bool hasBackBuffer() = 0;
  virtual void compose() = 0;  // compose the sprites and pace the frame
  virtual void setShake(int offset) = 0;
  // Puts the back buffer on the window; false when there is none.
  virtual bool present(platform::Host* host) = 0;

  // Menu services. An engine without them (a test's stand-in) answers
  // false and the command does nothing.
  // The title script into the top context, as a top script on the global
  // game state (it runs from its first line at the next step); then every
  // sprite and sound buffer released. False when the script did not load
  // (its box has been shown).
  virtual bool reloadTitleScript() { return false; }
  // Composes the sprites and copies the 800 x 600 picture (XRGB, rows top
  // to bottom); false without a back buffer.
  virtual bool captureScreen(std::vector<uint32_t>& /*pixels*/) { return false; }
  // The top context's line number and line text (CP932); false without one.
  virtual bool currentLine(int& /*number*/, std::string& /*textCp932*/) { return false; }

  // Shutdown, each a no-op for what does not exist.
  virtual void releaseTopScript() = 0;
  virtual void releaseJoypad() = 0;
  virtual void releaseSoundChannels() = 0;
  virtual void releaseSoundDevice() = 0;
  virtual void releaseSprites() = 0;
  virtual void releaseBackBuffer() = 0;
  virtual void releaseCodecDriver() = 0;
  virtual void releaseArchives() = 0;
  virtual void releaseFonts() = 0;
};

// The parts of the main window that the platform's Host does not cover.
class FrameWindow {
 public:
  virtual ~FrameWindow() = default;
  virtual void setCaption(std::string_view utf8) = 0;
  // Windowed: centred with its border; full screen: the picture covers the
  // screen. The frame has already told the back buffer.
  virtual void applyDisplayMode(bool windowed) = 0;
  // Back to the desktop's own mode (at exit, always).
  virtual void restoreDesktopMode() = 0;
  // The drive dialog, modal: the chosen entry of roots, empty when none.
  virtual std::string chooseDrive(const std::vector<std::string>& roots) = 0;
};

}  // namespace kobre::frame
