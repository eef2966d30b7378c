#include "sound/Resampler.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace kobre {

namespace {
// A 64-tap Kaiser window (beta 9) with its cut-off at 0.97 of the lower
// Nyquist frequency: the library's default of 32 taps leaves images only
// about 27 dB down near the band edge.
constexpr int kFilterTaps = 64;
constexpr double kCutoff = 0.97;
constexpr double kKaiserBeta = 9.0;
// Scales the library's float samples (full scale 1.0) to our 16-bit range.
constexpr float kScale = 32768.0f;
}  // namespace

Resampler::~Resampler() {
  free();
}

void Resampler::free() {
  swr_free(&context_);
  inRate_ = outRate_ = channels_ = 0;
}

bool Resampler::start(int inRate, int outRate, int channels) {
  free();
  if (inRate <= 0 || outRate <= 0 || channels < 1 || channels > 2) return false;
  AVChannelLayout layout;
  av_channel_layout_default(&layout, channels);
  if (swr_alloc_set_opts2(&context_, &layout, AV_SAMPLE_FMT_FLT, outRate, &layout,
                          AV_SAMPLE_FMT_S16, inRate, 0, nullptr) < 0) {
    free();
    return false;
  }
  av_opt_set_int(context_, "filter_size", kFilterTaps, 0);
  av_opt_set_double(context_, "cutoff", kCutoff, 0);
  av_opt_set_int(context_, "filter_type", SWR_FILTER_TYPE_KAISER, 0);
  av_opt_set_double(context_, "kaiser_beta", kKaiserBeta, 0);
  if (swr_init(context_) < 0) {
    free();
    return false;
  }
  inRate_ = inRate;
  outRate_ = outRate;
  channels_ = channels;
  return true;
}

int Resampler::convert(const int16_t* in, int inFrames, float* out, int maxOut) {
  if (context_ == nullptr) return -1;
  // A non-null input of no frames asks for held output without ending the
  // stream (a null input would flush it).
  static const int16_t kNone[2] = {0, 0};
  const uint8_t* input = reinterpret_cast<const uint8_t*>(inFrames > 0 ? in : kNone);
  uint8_t* output = reinterpret_cast<uint8_t*>(out);
  const int got = swr_convert(context_, &output, maxOut, &input, inFrames);
  if (got < 0) return -1;
  for (int i = 0; i < got * channels_; ++i) out[i] *= kScale;
  return got;
}

int Resampler::drain(float* out, int maxOut) {
  if (context_ == nullptr) return 0;
  uint8_t* output = reinterpret_cast<uint8_t*>(out);
  const int got = swr_convert(context_, &output, maxOut, nullptr, 0);
  if (got <= 0) return 0;
  for (int i = 0; i < got * channels_; ++i) out[i] *= kScale;
  return got;
}

int Resampler::inputFor(int outFrames) const {
  // Without rate change the library converts only as much input as output
  // fits (more is an error), so ask for exactly that.
  if (outRate_ <= 0 || inRate_ == outRate_) return outFrames;
  return static_cast<int>((int64_t{outFrames} * inRate_ + outRate_ - 1) / outRate_) + 1;
}

}  // namespace kobre
