// The engine objects start-up creates into a Runtime: the graphics context,
// the back buffer, the sprite slots, the sound device and its channels. The
// program (through its frame engine) and the tests wire a runtime only
// through this class, so an object or a field added here reaches both.
#pragma once

#include <array>
#include <memory>

#include "graphics/DIB.h"
#include "graphics/DIBSprite.h"
#include "graphics/GraphicsContext.h"
#include "media/MciStrings.h"
#include "script/Runtime.h"
#include "sound/SoundBuffer.h"
#include "sound/SoundDevice.h"

namespace kobre {

// Points a graphics context at the runtime's platform pieces, image archive,
// settings, newly pressed buttons and bracket sets. The blending routines
// stay as they are (null: the packed ones of this processor).
void wireGraphics(GraphicsContext& graphics, Runtime& runtime);

class RuntimeObjects {
 public:
  // Wires the graphics context from the runtime; creates nothing yet.
  explicit RuntimeObjects(Runtime& runtime);
  ~RuntimeObjects();
  RuntimeObjects(const RuntimeObjects&) = delete;
  RuntimeObjects& operator=(const RuntimeObjects&) = delete;

  // Each create step hands its object to the runtime; false is the step's
  // failure (the object showed its own box where it has one).
  bool createBackBuffer(bool windowed);
  void createSprites();
  // 44100 Hz, 16-bit stereo, priority level; also makes the command-string
  // service for movies and MIDI, which plays into the device's mixer.
  bool createSoundDevice();
  void createSoundChannels();  // attached to the device when there is one

  // Each takes its object back from the runtime first; no-ops for what does
  // not exist.
  void releaseSoundChannels();
  void releaseSoundDevice();
  void releaseSprites();
  void releaseBackBuffer();

  GraphicsContext graphics;
  DIB* backBuffer() const { return backBuffer_.get(); }
  SpriteSlots* sprites() const { return sprites_.get(); }
  SoundDevice* soundDevice() const { return soundDevice_.get(); }
  SoundChannels* channels() const { return channels_.get(); }
  MciStrings* mci() const { return mci_.get(); }

 private:
  Runtime& runtime_;
  std::unique_ptr<DIB> backBuffer_;
  std::unique_ptr<SpriteSlots> sprites_;
  std::array<DIBSprite*, kSpriteSlotCount> spriteTable_{};
  std::unique_ptr<DIBSprite> gallerySheet_;
  std::unique_ptr<SoundDevice> soundDevice_;
  std::unique_ptr<SoundChannels> channels_;
  std::unique_ptr<MciStrings> mci_;
};

}  // namespace kobre
