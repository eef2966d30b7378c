// Sound recipes: how kobre-mkgame makes the music, effects and voices of a
// game, and its MIDI files.
//
//   sound NAME [vorbis] [rate HZ] [stereo] [supplement]
//     COMMAND ...
//   end
//
// NAME is the entry name ("ki_01.wav"); the sound is written as 16-bit PCM
// WAVE, or with "vorbis" as Ogg Vorbis in WAVE with a 'fact' chunk. The
// default rate is 22050 Hz, mono. Commands write at a cursor that starts at
// 0 ms and moves on by each sound's length; sounds written over each other
// are mixed.
//   wave sine|square|triangle|saw   timbre of the following tones
//   volume PERCENT                  loudness of the following sounds (0-100)
//   pan PERCENT                     -100 left .. 100 right (stereo only)
//   at MS                           move the cursor
//   rest MS                         silence
//   tone HZ MS
//   chord HZ,HZ,... MS
//   sweep HZ1 HZ2 MS                pitch glide
//   noise MS                        a noise burst that dies away
//   melody BPM NOTE:BEATS ...       notes "C4", "F#5", "Bb3", "R" (rest),
//                                   chords "C4+E4+G4"; beats may be "0.5"
//   voice SYLLABLES HZ [SEED]       a speech-like murmur around HZ
//   repeat N                        the sound so far, N times in a row
//   length MS                       cut or pad to MS
//
//   midi NAME
//     tempo BPM
//     channel N PROGRAM             following notes on channel N (0-15)
//     notes NOTE:BEATS ...          from the start of the piece
//   end
//
// NAME is the loose file the game plays ("mid\theme.mid").
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/mkgame/RecipeText.h"

namespace kobre::mkgame {

struct SoundSpec {
  std::string name;
  bool vorbis = false;
  int rate = 22050;
  int channels = 1;
  bool supplement = false;
  RecipeBlock block;
};

bool parseSoundSpec(const RecipeBlock& block, SoundSpec& spec, std::string& error);
// Interleaved 16-bit samples.
bool synthesizeSound(const SoundSpec& spec, std::vector<int16_t>& samples, std::string& error);
std::vector<uint8_t> encodeSound(const SoundSpec& spec, const std::vector<int16_t>& samples);

// A standard MIDI file (format 0, 480 ticks per quarter note).
bool buildMidi(const RecipeBlock& block, std::vector<uint8_t>& out, std::string& error);

// MIDI key of a note name ("A4" = 69); false for a bad name.
bool noteKey(const std::string& name, int& key);

}  // namespace kobre::mkgame
