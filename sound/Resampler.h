// Band-limited sample-rate conversion of one voice (libswresample): 16-bit
// interleaved source frames in, float frames at the output rate out, in the
// same channel count. The filter is set so that images and aliases stay far
// below the signal (over 60 dB) and the pass band is flat up to 0.9 of the
// lower Nyquist frequency, from 8 to 96 kHz sources.
//
// The filter's history carries from one call to the next, so a sound fed
// piece by piece (streamed, or looping from its end back to its start) comes
// out as one seamless signal. Used on the audio thread only.
#pragma once

#include <cstdint>

struct SwrContext;

namespace kobre {

class Resampler {
 public:
  Resampler() = default;
  ~Resampler();
  Resampler(const Resampler&) = delete;
  Resampler& operator=(const Resampler&) = delete;

  // Sets up (or starts over with empty history) for the given rates and
  // channel count (1 or 2). False when the library refuses.
  bool start(int inRate, int outRate, int channels);
  bool matches(int inRate, int outRate, int channels) const {
    return context_ != nullptr && inRate == inRate_ && outRate == outRate_ && channels == channels_;
  }

  // Converts: consumes all inFrames of in (null with 0 frames: only what is
  // held from earlier input) and writes at most maxOut frames to out, scaled
  // to the 16-bit range. Input beyond what fits is held for the next call.
  // Returns the frames written, or -1 on failure.
  int convert(const int16_t* in, int inFrames, float* out, int maxOut);
  // After the last input: writes what the filter still holds; 0 when empty.
  int drain(float* out, int maxOut);
  // Source frames needed for about outFrames more output.
  int inputFor(int outFrames) const;

 private:
  void free();

  SwrContext* context_ = nullptr;
  int inRate_ = 0, outRate_ = 0, channels_ = 0;
};

}  // namespace kobre
