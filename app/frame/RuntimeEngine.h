// The engine objects of the running program on a platform: the runtime and
// everything start-up creates into it (codec driver, back buffer, sprite
// slots, sound device and channels, the top script context).
#pragma once

#include <array>
#include <memory>

#include "app/frame/EngineFactory.h"
#include "app/frame/FrameEngine.h"
#include "input/Joypad.h"
#include "input/PadConfig.h"
#include "script/Runtime.h"
#include "script/RuntimeObjects.h"
#include "sound/VorbisCodecDriver.h"

namespace kobre {
class Lexer;
}

namespace kobre::frame {

class RuntimeEngine : public FrameEngine {
 public:
  explicit RuntimeEngine(const platform::Platform& platform);
  ~RuntimeEngine() override;

  Runtime& runtime() override { return *runtime_; }
  bool createCodecDriver() override;
  bool createBackBuffer() override;
  void createSprites() override;
  bool createSoundDevice() override;
  void createSoundChannels() override;
  void openJoypad() override;
  bool loadTopScript(std::string_view name) override;
  void setSkip(bool on) override;
  void setFonts(const platform::FontSpec& message, const platform::FontSpec& small) override;
  void setWindowed(bool windowed) override;
  bool isWindowed() override;
  bool step() override;
  void updateSound() override;
  bool pollJoypad(uint32_t& buttons) override;
  void setMouse(int x, int y) override;
  bool hasBackBuffer() override { return objects_.backBuffer() != nullptr; }
  void compose() override;
  void setShake(int offset) override;
  bool present(platform::Host* host) override;
  bool reloadTitleScript() override;
  bool captureScreen(std::vector<uint32_t>& pixels) override;
  bool currentLine(int& number, std::string& textCp932) override;
  void releaseTopScript() override;
  void releaseJoypad() override;
  void releaseSoundChannels() override;
  void releaseSoundDevice() override;
  void releaseSprites() override;
  void releaseBackBuffer() override;
  void releaseCodecDriver() override;
  void releaseArchives() override;
  void releaseFonts() override;

  // The processor probe's record (reported by the support mail) and the
  // switch the blending routines are chosen by.
  const ProcessorInfo& processorInfo() const { return processorInfo_; }
  bool useMmx() const { return useMmx_; }
  Lexer* topLexer() const { return lexer_.get(); }
  DIB* backBuffer() const { return objects_.backBuffer(); }
  SpriteSlots* spriteSlots() const { return objects_.sprites(); }
  // The joypad's settings object (the joypad settings dialog works on it).
  PadConfig* padConfig() const { return padConfig_.get(); }

 private:
  platform::Platform platform_;
  std::unique_ptr<Runtime> runtime_;
  ProcessorInfo processorInfo_;
  bool useMmx_ = false;
  RuntimeObjects objects_;
  std::unique_ptr<VorbisCodecDriver> codec_;
  std::unique_ptr<Joypad> joypad_;
  std::unique_ptr<PadConfig> padConfig_;
  std::unique_ptr<Lexer> lexer_;
  bool windowed_ = true;  // until the back buffer exists
};

}  // namespace kobre::frame
