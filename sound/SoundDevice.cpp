#include "sound/SoundDevice.h"

#include "sound/SoundErrors.h"

namespace kobre {

namespace {
constexpr const char* kUnit = "DS.cpp";
// Line numbers the boxes show, fixed so that box texts stay the same from
// release to release (game makers' tests compare them).
constexpr int kLineCreate1 = 17;
constexpr int kLineCreate2 = 25;
constexpr int kLineCreate3 = 37;
}  // namespace

bool SoundDevice::create(platform::Host* owner, uint32_t cooperativeLevel, uint16_t channels,
                         uint32_t samplesPerSec, uint16_t bitsPerSample) {
  release();
  owner_ = owner;
  // The default playback device.
  if (!audio_) {
    reportDirectSoundError(owner_, kUnit, kLineCreate1, kDsErrNoDriver);
    release();
    return false;
  }
  // Any level is accepted: we always share the device with other programs.
  (void)cooperativeLevel;
  if (channels < 1 || channels > 2 || (bitsPerSample != 8 && bitsPerSample != 16) ||
      samplesPerSec == 0 || samplesPerSec > 192000) {
    reportDirectSoundError(owner_, kUnit, kLineCreate2, kDsErrBadFormat);
    release();
    return false;
  }
  primary_.formatTag = 1;
  primary_.channels = channels;
  primary_.samplesPerSec = samplesPerSec;
  primary_.bitsPerSample = bitsPerSample;
  primary_.blockAlign = static_cast<uint16_t>(channels * (bitsPerSample / 8));
  primary_.avgBytesPerSec = primary_.blockAlign * samplesPerSec;
  primary_.extraSize = 0;
  if (!audio_->open(static_cast<int>(samplesPerSec), channels, bitsPerSample)) {
    reportDirectSoundError(owner_, kUnit, kLineCreate3, kDsErrNoDriver);
    release();
    return false;
  }
  mixer_.setOutputRate(audio_->sampleRate());
  audio_->setSource(&mixer_);
  ready_ = true;
  return true;
}

void SoundDevice::release() {
  if (audio_ && ready_) {
    audio_->setSource(nullptr);
    audio_->close();
  }
  ready_ = false;
  primary_ = PrimaryFormat{};
}

}  // namespace kobre
