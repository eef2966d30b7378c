// The MIDI player's sound: one FluidSynth synthesizer with a General MIDI
// soundfont, fed from a MidiSong and mixed into our mixer as a source.
//
// Threads: mix() runs on the audio thread (desktop) or in the virtual
// clock's sleep (headless); play, stop and setGain are called with the sound
// device locked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "media/MidiFile.h"
#include "platform/Audio.h"

struct _fluid_hashtable_t;
struct _fluid_synth_t;

namespace kobre {

class MidiSynth : public platform::AudioSource {
 public:
  MidiSynth() = default;
  ~MidiSynth() override;
  MidiSynth(const MidiSynth&) = delete;
  MidiSynth& operator=(const MidiSynth&) = delete;

  // Makes the synthesizer at the output rate with the first soundfont of the
  // list that loads; false when none does.
  bool create(const std::vector<std::string>& soundFonts, int sampleRate);
  bool isReady() const { return synth_ != nullptr; }

  // Starts song from its beginning (the song must outlive its playing);
  // whatever played before is cut off.
  void play(const MidiSong* song);
  void stop();
  // Whether the current song has passed its last event.
  bool finished() const { return song_ == nullptr || done_; }
  void setGain(float gain) { gain_ = gain; }
  const MidiSong* song() const { return song_; }

  void mix(int16_t* frames, int frameCount) override;

 private:
  void dispatch(const MidiEvent& e);
  void render(int16_t* frames, int count);

  _fluid_hashtable_t* settings_ = nullptr;
  _fluid_synth_t* synth_ = nullptr;
  int rate_ = 44100;
  const MidiSong* song_ = nullptr;
  size_t next_ = 0;
  uint64_t frame_ = 0;  // frames played of the song
  bool done_ = false;
  float gain_ = 1.0f;
  std::vector<float> left_, right_;
};

}  // namespace kobre
