#include "app/frame/RuntimeEngine.h"

#include <cstring>

#include "app/frame/MainFrame.h"
#include "app/frame/PadAccess.h"
#include "app/frame/ProcessorAccess.h"
#include "common/Buttons.h"
#include "graphics/DIB.h"
#include "graphics/DIBitmap.h"
#include "script/Lexer.h"

namespace kobre::frame {

RuntimeEngine::RuntimeEngine(const platform::Platform& platform)
    : platform_(platform), runtime_(std::make_unique<Runtime>(platform)), objects_(*runtime_) {
  // Made with the main window: the processor probe runs once, here.
  probeProcessor(processorInfo_);
  useMmx_ = processorInfo_.hasMmx != 0;
  objects_.graphics.blend = &selectBlendRoutines(processorInfo_, useMmx_);
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
  return objects_.createBackBuffer(windowed_);
}

void RuntimeEngine::createSprites() {
  objects_.createSprites();
}

bool RuntimeEngine::createSoundDevice() {
  return objects_.createSoundDevice();
}

void RuntimeEngine::createSoundChannels() {
  objects_.createSoundChannels();
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
  if (DIB* back = objects_.backBuffer()) back->setWindowed(windowed);
}

bool RuntimeEngine::isWindowed() {
  DIB* back = objects_.backBuffer();
  return back ? back->isWindowed() : windowed_;
}

bool RuntimeEngine::step() {
  return lexer_ && lexer_->Step();
}

void RuntimeEngine::updateSound() {
  if (SoundChannels* channels = objects_.channels()) channels->pollUpdate();
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
  if (objects_.backBuffer() && objects_.sprites())
    objects_.backBuffer()->compose(*objects_.sprites());
}

void RuntimeEngine::setShake(int offset) {
  if (DIB* back = objects_.backBuffer()) back->setShake(offset);
}

bool RuntimeEngine::present(platform::Host* /*host*/) {
  DIB* back = objects_.backBuffer();
  if (!back) return false;
  back->present();
  return true;
}

bool RuntimeEngine::reloadTitleScript() {
  if (!lexer_) return false;
  // The context that runs now is the one the waiting command belongs to:
  // it is loaded anew in place, never replaced, and the wait leaves at its
  // next poll.
  const bool loaded = lexer_->Load(kOpenScript, &runtime_->gameState, true);
  lexer_->ReleaseAllSprites();
  lexer_->ReleaseAllChannels();
  return loaded;
}

bool RuntimeEngine::captureScreen(std::vector<uint32_t>& pixels) {
  DIB* back = objects_.backBuffer();
  if (!back || !objects_.sprites() || !back->compose(*objects_.sprites())) return false;
  const DIBitmap* surface = back->surface();
  if (!surface || surface->width() != kScreenWidth || surface->height() != kScreenHeight)
    return false;
  const uint32_t* src = surface->pixels(0);
  pixels.assign(src, src + static_cast<size_t>(kScreenWidth) * kScreenHeight);
  return true;
}

bool RuntimeEngine::currentLine(int& number, std::string& textCp932) {
  if (!lexer_) return false;
  number = lexer_->lineNumber;
  textCp932.assign(lexer_->lineText, strnlen(lexer_->lineText, sizeof lexer_->lineText));
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
  objects_.releaseSoundChannels();
}

void RuntimeEngine::releaseSoundDevice() {
  objects_.releaseSoundDevice();
}

void RuntimeEngine::releaseSprites() {
  objects_.releaseSprites();
}

void RuntimeEngine::releaseBackBuffer() {
  objects_.releaseBackBuffer();
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

bool engineProcessor(FrameEngine& engine, ProcessorInfo& info, bool& useMmx) {
  auto* runtimeEngine = dynamic_cast<RuntimeEngine*>(&engine);
  if (runtimeEngine == nullptr) return false;
  info = runtimeEngine->processorInfo();
  useMmx = runtimeEngine->useMmx();
  return true;
}

Joypad* engineJoypad(FrameEngine& engine) {
  return engine.runtime().joypad;
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
