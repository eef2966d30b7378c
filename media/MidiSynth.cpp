#include "media/MidiSynth.h"

#include <algorithm>
#include <cmath>

// The parts of FluidSynth's headers we use. Its umbrella header pulls in
// log.h, which names printf in an attribute that the core's poison refuses;
// the one log call is declared here instead.
#define FLUIDSYNTH_API
#define FLUID_DEPRECATED
#include <fluidsynth/types.h>
//
#include <fluidsynth/misc.h>
#include <fluidsynth/settings.h>
#include <fluidsynth/synth.h>

extern "C" {
using FluidLogFunction = void (*)(int level, const char* message, void* data);
FluidLogFunction fluid_set_log_function(int level, FluidLogFunction fun, void* data);
}

namespace kobre {

namespace {

// FluidSynth's own log would print to the terminal; our errors go to boxes.
void quietFluidLog() {
  constexpr int kLevels = 5;  // panic, error, warning, information, debugging
  for (int level = 0; level < kLevels; ++level) fluid_set_log_function(level, nullptr, nullptr);
}

}  // namespace

MidiSynth::~MidiSynth() {
  if (synth_ != nullptr) delete_fluid_synth(synth_);
  if (settings_ != nullptr) delete_fluid_settings(settings_);
}

bool MidiSynth::create(const std::vector<std::string>& soundFonts, int sampleRate) {
  if (synth_ != nullptr) return true;
  quietFluidLog();
  rate_ = sampleRate > 0 ? sampleRate : 44100;
  settings_ = new_fluid_settings();
  if (settings_ == nullptr) return false;
  fluid_settings_setnum(settings_, "synth.sample-rate", rate_);
  fluid_settings_setint(settings_, "synth.threadsafe-api", 0);  // we lock ourselves
  fluid_settings_setnum(settings_, "synth.gain", 0.5);
  synth_ = new_fluid_synth(settings_);
  if (synth_ == nullptr) return false;
  for (const std::string& path : soundFonts) {
    if (!fluid_is_soundfont(path.c_str())) continue;
    if (fluid_synth_sfload(synth_, path.c_str(), 1) != FLUID_FAILED) return true;
  }
  delete_fluid_synth(synth_);
  synth_ = nullptr;
  return false;
}

void MidiSynth::play(const MidiSong* song) {
  stop();
  song_ = song;
  next_ = 0;
  frame_ = 0;
  done_ = song == nullptr || song->events.empty();
}

void MidiSynth::stop() {
  if (synth_ != nullptr) fluid_synth_system_reset(synth_);
  song_ = nullptr;
  done_ = true;
}

void MidiSynth::dispatch(const MidiEvent& e) {
  const int ch = e.status & 0x0F;
  switch (e.status & 0xF0) {
    case 0x80:
      fluid_synth_noteoff(synth_, ch, e.data1);
      break;
    case 0x90:
      if (e.data2 == 0)
        fluid_synth_noteoff(synth_, ch, e.data1);
      else
        fluid_synth_noteon(synth_, ch, e.data1, e.data2);
      break;
    case 0xA0:
      fluid_synth_key_pressure(synth_, ch, e.data1, e.data2);
      break;
    case 0xB0:
      fluid_synth_cc(synth_, ch, e.data1, e.data2);
      break;
    case 0xC0:
      fluid_synth_program_change(synth_, ch, e.data1);
      break;
    case 0xD0:
      fluid_synth_channel_pressure(synth_, ch, e.data1);
      break;
    case 0xE0:
      fluid_synth_pitch_bend(synth_, ch, e.data1 | (e.data2 << 7));
      break;
    default:
      break;
  }
}

void MidiSynth::render(int16_t* frames, int count) {
  if (count <= 0) return;
  if (left_.size() < static_cast<size_t>(count)) {
    left_.resize(static_cast<size_t>(count));
    right_.resize(static_cast<size_t>(count));
  }
  fluid_synth_write_float(synth_, count, left_.data(), 0, 1, right_.data(), 0, 1);
  for (int i = 0; i < count; ++i) {
    const float l =
        std::clamp(left_[static_cast<size_t>(i)] * gain_ * 32767.0f, -32768.0f, 32767.0f);
    const float r =
        std::clamp(right_[static_cast<size_t>(i)] * gain_ * 32767.0f, -32768.0f, 32767.0f);
    frames[2 * i] = static_cast<int16_t>(std::lrintf(l));
    frames[2 * i + 1] = static_cast<int16_t>(std::lrintf(r));
  }
}

void MidiSynth::mix(int16_t* frames, int frameCount) {
  if (synth_ == nullptr) {
    std::fill(frames, frames + 2 * frameCount, int16_t{0});
    return;
  }
  // Render up to each due event, hand the events over, go on.
  int doneFrames = 0;
  while (doneFrames < frameCount) {
    int run = frameCount - doneFrames;
    if (song_ != nullptr && !done_) {
      while (next_ < song_->events.size()) {
        const MidiEvent& e = song_->events[next_];
        const uint64_t at = e.timeUs * static_cast<uint64_t>(rate_) / 1000000u;
        if (at > frame_) {
          run = static_cast<int>(std::min<uint64_t>(static_cast<uint64_t>(run), at - frame_));
          break;
        }
        dispatch(e);
        ++next_;
      }
      if (next_ >= song_->events.size()) done_ = true;
    }
    render(frames + 2 * doneFrames, run);
    doneFrames += run;
    frame_ += static_cast<uint64_t>(run);
  }
}

}  // namespace kobre
