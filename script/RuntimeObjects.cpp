#include "script/RuntimeObjects.h"

namespace kobre {

void wireGraphics(GraphicsContext& graphics, Runtime& runtime) {
  const platform::Platform& p = runtime.platform;
  graphics.host = p.host;
  graphics.clock = p.clock;
  graphics.files = p.files;
  graphics.text = p.text;
  graphics.raster = p.raster;
  graphics.imageArchive = &runtime.imageArchive;
  graphics.settings = &runtime.settings;
  graphics.pressedButtons = &runtime.pressedButtons;
  // Text sprites lay out with the runtime's bracket sets (def_indent, def_kinsoku).
  graphics.textRenderer.openingBrackets =
      std::string_view(runtime.openingBrackets, sizeof runtime.openingBrackets);
  graphics.textRenderer.closingMarks =
      std::string_view(runtime.closingMarks, sizeof runtime.closingMarks);
}

RuntimeObjects::RuntimeObjects(Runtime& runtime) : runtime_(runtime) {
  wireGraphics(graphics, runtime);
}

RuntimeObjects::~RuntimeObjects() {
  releaseSoundChannels();
  releaseSoundDevice();
  releaseSprites();
  releaseBackBuffer();
}

bool RuntimeObjects::createBackBuffer(bool windowed) {
  backBuffer_ = std::make_unique<DIB>(&graphics);
  runtime_.backBuffer = backBuffer_.get();
  if (!backBuffer_->create()) return false;
  backBuffer_->setWindowed(windowed);
  return true;
}

void RuntimeObjects::createSprites() {
  sprites_ = std::make_unique<SpriteSlots>();
  attachSpriteSlots(*sprites_, &graphics);
  for (size_t i = 0; i < spriteTable_.size(); ++i) spriteTable_[i] = &(*sprites_)[i];
  runtime_.spriteSlots = spriteTable_;
  gallerySheet_ = std::make_unique<DIBSprite>(&graphics);
  runtime_.gallerySheet = gallerySheet_.get();
}

bool RuntimeObjects::createSoundDevice() {
  const platform::Platform& p = runtime_.platform;
  soundDevice_ = std::make_unique<SoundDevice>(p.audio);
  soundDevice_->setFileSystem(p.files);
  soundDevice_->setArchive(&runtime_.soundArchive);
  const bool ok = soundDevice_->create(p.host, kDsSclPriority, 2, 44100, 16);
  MciSetup setup;
  setup.files = p.files;
  setup.clock = p.clock;
  setup.host = p.host;
  setup.sound = ok ? soundDevice_.get() : nullptr;
  setup.musicVolume = [rt = &runtime_] { return rt->settings.volumeBgm; };
  setup.notify = [rt = &runtime_] { rt->mciNotified = true; };
  mci_ = std::make_unique<MciStrings>(std::move(setup));
  runtime_.mci = mci_.get();
  return ok;
}

void RuntimeObjects::createSoundChannels() {
  channels_ = std::make_unique<SoundChannels>();
  if (soundDevice_) channels_->attach(soundDevice_.get());
  runtime_.soundChannels = channels_.get();
}

void RuntimeObjects::releaseSoundChannels() {
  runtime_.soundChannels = nullptr;
  if (channels_) channels_->detach();
  channels_.reset();
}

void RuntimeObjects::releaseSoundDevice() {
  // Open MIDI and movie devices close here, before the mixer they play into.
  runtime_.mci = nullptr;
  mci_.reset();
  if (soundDevice_) soundDevice_->release();
  soundDevice_.reset();
}

void RuntimeObjects::releaseSprites() {
  runtime_.clearSpriteSlots();
  runtime_.gallerySheet = nullptr;
  gallerySheet_.reset();
  sprites_.reset();
  spriteTable_.fill(nullptr);
}

void RuntimeObjects::releaseBackBuffer() {
  runtime_.backBuffer = nullptr;
  backBuffer_.reset();
}

}  // namespace kobre
