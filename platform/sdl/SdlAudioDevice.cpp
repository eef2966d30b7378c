#include "platform/sdl/SdlAudioDevice.h"

#include <SDL.h>

#include <cstring>
#include <string>

#include "platform/sdl/Sdl.h"

namespace kobre::platform::sdl {

SdlAudioDevice::~SdlAudioDevice() {
  close();
}

namespace {

SDL_AudioDeviceID openDevice(SDL_AudioSpec& want) {
  SDL_AudioSpec have{};
  // SDL converts to whatever the card takes, so the format is always ours.
  return SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
}

}  // namespace

bool SdlAudioDevice::open(int sampleRate, int channels, int bits) {
  close();
  // Our mixer produces 16-bit stereo only.
  if (channels != 2 || bits != 16 || sampleRate <= 0) return false;
  SDL_AudioSpec want{};
  want.freq = sampleRate;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = 1024;
  want.callback = &SdlAudioDevice::callback;
  want.userdata = this;
  SDL_AudioDeviceID id = 0;
  {
    // Looking for a card that is not there is not worth eight lines on stderr.
    QuietAlsa quiet;
    id = initSubsystem(SDL_INIT_AUDIO) ? openDevice(want) : 0;
  }
  silent_ = false;
  if (id == 0 && silentFallback_) {
    std::string why = SDL_GetError();
    // No sound card (a server, a container, a virtual display): play on
    // SDL's silent driver, which keeps real time, rather than not at all.
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    if (initSubsystem(SDL_INIT_AUDIO)) id = openDevice(want);
    silent_ = id != 0;
    if (silent_ && log_) log_->write("sound: no output device (" + why + "); playing silently");
  }
  if (id == 0) return false;
  device_ = id;
  rate_ = sampleRate;
  SDL_PauseAudioDevice(id, 0);
  return true;
}

void SdlAudioDevice::close() {
  if (device_ != 0) SDL_CloseAudioDevice(device_);
  device_ = 0;
}

void SdlAudioDevice::setSource(AudioSource* source) {
  lock();
  source_ = source;
  unlock();
}

void SdlAudioDevice::lock() {
  if (device_ != 0) SDL_LockAudioDevice(device_);
}

void SdlAudioDevice::unlock() {
  if (device_ != 0) SDL_UnlockAudioDevice(device_);
}

void SdlAudioDevice::callback(void* self, uint8_t* stream, int bytes) {
  auto* device = static_cast<SdlAudioDevice*>(self);
  std::memset(stream, 0, static_cast<size_t>(bytes));
  if (device->source_) device->source_->mix(reinterpret_cast<int16_t*>(stream), bytes / 4);
}

}  // namespace kobre::platform::sdl
