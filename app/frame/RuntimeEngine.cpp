#include "app/frame/RuntimeEngine.h"

#include "app/frame/MainFrame.h"
#include "app/frame/PadAccess.h"
#include "script/Lexer.h"

namespace kobre::frame {

RuntimeEngine::RuntimeEngine(const platform::Platform& platform)
    : platform_(platform), runtime_(std::make_unique<Runtime>(platform)) {
  // Made with the main window: the processor probe runs once, here.
  probeProcessor(processorInfo_);
  useMmx_ = processorInfo_.hasMmx != 0;
  graphics_.blend = &selectBlendRoutines(processorInfo_, useMmx_);
  graphics_.host = platform.host;
  graphics_.clock = platform.clock;
  graphics_.files = platform.files;
  graphics_.text = platform.text;
  graphics_.raster = platform.raster;
  graphics_.imageArchive = &runtime_->imageArchive;
  graphics_.settings = &runtime_->settings;
  graphics_.pressedButtons = &runtime_->pressedButtons;
  // Text sprites lay out with the runtime's bracket sets (def_indent, def_kinsoku).
  graphics_.textRenderer.openingBrackets =
      std::string_view(runtime_->openingBrackets, sizeof runtime_->openingBrackets);
  graphics_.textRenderer.closingMarks =
      std::string_view(runtime_->closingMarks, sizeof runtime_->closingMarks);
}

RuntimeEngine::~RuntimeEngine() {
  // Whatever start-up reached, in the shutdown order.
  releaseTopScript();
  releaseJoypad();
  releaseSoundChannels();
  releaseSoundDevice();
  releaseSprites();
  releaseBackBuffer();
  releaseCodecDriver();
  releaseArchives();
}

bool RuntimeEngine::createCodecDriver() {
  codec_ = std::make_unique<VorbisCodecDriver>(platform_.host);
  return codec_->open("Vorbis.acm");
}

bool RuntimeEngine::createBackBuffer() {
  backBuffer_ = std::make_unique<DIB>(&graphics_);
  runtime_->backBuffer = backBuffer_.get();
  if (!backBuffer_->create()) return false;
  backBuffer_->setWindowed(windowed_);
  return true;
}

void RuntimeEngine::createSprites() {
  sprites_ = std::make_unique<SpriteSlots>();
  attachSpriteSlots(*sprites_, &graphics_);
  for (size_t i = 0; i < spritePointers_.size(); ++i) spritePointers_[i] = &(*sprites_)[i];
  runtime_->spriteSlots = spritePointers_.data();
}

bool RuntimeEngine::createSoundDevice() {
  soundDevice_ = std::make_unique<SoundDevice>(platform_.audio);
  soundDevice_->setFileSystem(platform_.files);
  soundDevice_->setArchive(&runtime_->soundArchive);
  return soundDevice_->create(platform_.host, kDsSclPriority, 2, 44100, 16);
}

void RuntimeEngine::createSoundChannels() {
  channels_ = std::make_unique<SoundChannels>();
  if (soundDevice_) channels_->attach(soundDevice_.get());
  runtime_->soundChannels = channels_->slots.data();
}

void RuntimeEngine::openJoypad() {
  // "JoyPad.inp" into the joypad, then the device it names; without a
  // joystick the poll simply reports no buttons.
  joypad_ = std::make_unique<Joypad>(platform_.joystick, platform_.host, platform_.clock);
  padConfig_ = std::make_unique<PadConfig>(*joypad_, platform_.files);
  padConfig_->startUp();
  runtime_->joypad = joypad_.get();
}

bool RuntimeEngine::loadTopScript(std::string_view name) {
  lexer_ = std::make_unique<Lexer>(runtime_.get());
  runtime_->topLexer = lexer_.get();
  return lexer_->Load(name, &runtime_->gameState, true);
}

void RuntimeEngine::setSkip(bool on) {
  if (lexer_) lexer_->SetSkip(on);
}

void RuntimeEngine::setFonts(const platform::FontSpec& message, const platform::FontSpec& small) {
  // Text sprites keep pointers to the runtime's fonts: change them in place.
  runtime_->messageFont = message;
  runtime_->smallFont = small;
}

void RuntimeEngine::setWindowed(bool windowed) {
  windowed_ = windowed;
  if (backBuffer_) backBuffer_->setWindowed(windowed);
}

bool RuntimeEngine::isWindowed() {
  return backBuffer_ ? backBuffer_->isWindowed() : windowed_;
}

bool RuntimeEngine::step() {
  return lexer_ && lexer_->Step();
}

void RuntimeEngine::updateSound() {
  if (channels_) channels_->pollUpdate();
}

bool RuntimeEngine::pollJoypad(uint32_t& buttons) {
  buttons = 0;
  if (!joypad_ || !joypad_->poll()) return false;
  buttons = joypad_->pressedButtons();
  return true;
}

void RuntimeEngine::setMouse(int x, int y) {
  runtime_->cursorX = x;
  runtime_->cursorY = y;
  if (lexer_) {
    lexer_->mouseX = x;
    lexer_->mouseY = y;
  }
}

void RuntimeEngine::compose() {
  if (backBuffer_ && sprites_) backBuffer_->compose(*sprites_);
}

void RuntimeEngine::setShake(int offset) {
  if (backBuffer_) backBuffer_->setShake(offset);
}

bool RuntimeEngine::present(platform::Host* /*host*/) {
  if (!backBuffer_) return false;
  backBuffer_->present();
  return true;
}

void RuntimeEngine::releaseTopScript() {
  runtime_->topLexer = nullptr;
  lexer_.reset();
}

void RuntimeEngine::releaseJoypad() {
  runtime_->joypad = nullptr;
  // The settings object writes "JoyPad.inp" as it goes, while the joypad
  // still exists.
  if (padConfig_) padConfig_->saveSettings();
  padConfig_.reset();
  if (joypad_) joypad_->release();
  joypad_.reset();
}

void RuntimeEngine::releaseSoundChannels() {
  runtime_->soundChannels = nullptr;
  if (channels_) channels_->detach();
  channels_.reset();
}

void RuntimeEngine::releaseSoundDevice() {
  if (soundDevice_) soundDevice_->release();
  soundDevice_.reset();
}

void RuntimeEngine::releaseSprites() {
  runtime_->spriteSlots = nullptr;
  sprites_.reset();
  spritePointers_.fill(nullptr);
}

void RuntimeEngine::releaseBackBuffer() {
  runtime_->backBuffer = nullptr;
  backBuffer_.reset();
}

void RuntimeEngine::releaseCodecDriver() {
  codec_.reset();
}

void RuntimeEngine::releaseArchives() {
  runtime_->scriptArchive.close();
  runtime_->imageArchive.close();
  runtime_->soundArchive.close();
}

void RuntimeEngine::releaseFonts() {
  // The fonts are plain values of the runtime; nothing to free.
}

std::unique_ptr<FrameEngine> createRuntimeEngine(const platform::Platform& platform) {
  return std::make_unique<RuntimeEngine>(platform);
}

PadConfig* enginePadConfig(FrameEngine& engine) {
  auto* runtimeEngine = dynamic_cast<RuntimeEngine*>(&engine);
  return runtimeEngine != nullptr ? runtimeEngine->padConfig() : nullptr;
}

void connectFrame(MainFrame& frame, FrameEngine& engine) {
  Runtime& runtime = engine.runtime();
  runtime.frame.pollInput = [&frame] { return frame.pollInput(); };
  runtime.frame.present = [&frame] {
    frame.present();
    return !frame.closing();
  };
  runtime.frame.presentShaken = [&frame](int offset) {
    frame.presentShaken(offset);
    return !frame.closing();
  };
}

}  // namespace kobre::frame
