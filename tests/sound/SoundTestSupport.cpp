#include "tests/sound/SoundTestSupport.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <algorithm>

#include "tools/writers/WavWriter.h"

namespace kobre::testing {

EncodedSound encodeWithAvcodec(const char* name, std::span<const int16_t> samples, int rate,
                               int channels) {
  EncodedSound out;
  const AVCodec* codec = avcodec_find_encoder_by_name(name);
  if (!codec) return out;
  AVCodecContext* ctx = avcodec_alloc_context3(codec);
  ctx->sample_rate = rate;
  av_channel_layout_default(&ctx->ch_layout, channels);
  // Pick the first format the encoder takes; we convert to it below.
  ctx->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
  if (std::string(name) == "libmp3lame") ctx->bit_rate = 128000;
  if (avcodec_open2(ctx, codec, nullptr) < 0) {
    avcodec_free_context(&ctx);
    return out;
  }
  int frameSize = ctx->frame_size > 0 ? ctx->frame_size : 1024;
  AVFrame* frame = av_frame_alloc();
  AVPacket* packet = av_packet_alloc();
  size_t total = samples.size() / static_cast<size_t>(channels);
  auto drain = [&] {
    while (avcodec_receive_packet(ctx, packet) == 0) {
      out.data.insert(out.data.end(), packet->data, packet->data + packet->size);
      av_packet_unref(packet);
    }
  };
  for (size_t at = 0; at < total; at += static_cast<size_t>(frameSize)) {
    int n = static_cast<int>(std::min<size_t>(frameSize, total - at));
    // Block codecs want whole frames: pad the last with silence.
    bool fixed = !(codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) && ctx->frame_size > 0;
    int count = fixed ? frameSize : n;
    frame->nb_samples = count;
    frame->format = ctx->sample_fmt;
    av_channel_layout_copy(&frame->ch_layout, &ctx->ch_layout);
    frame->sample_rate = rate;
    av_frame_get_buffer(frame, 0);
    av_frame_make_writable(frame);
    for (int i = 0; i < count; ++i) {
      for (int c = 0; c < channels; ++c) {
        int16_t v = i < n ? samples[(at + static_cast<size_t>(i)) * channels + c] : 0;
        switch (ctx->sample_fmt) {
          case AV_SAMPLE_FMT_S16:
            reinterpret_cast<int16_t*>(frame->data[0])[i * channels + c] = v;
            break;
          case AV_SAMPLE_FMT_S16P:
            reinterpret_cast<int16_t*>(frame->data[c])[i] = v;
            break;
          case AV_SAMPLE_FMT_FLTP:
            reinterpret_cast<float*>(frame->data[c])[i] = v / 32768.0f;
            break;
          case AV_SAMPLE_FMT_S32P:
            reinterpret_cast<int32_t*>(frame->data[c])[i] = v * 65536;
            break;
          default:
            break;
        }
      }
    }
    avcodec_send_frame(ctx, frame);
    av_frame_unref(frame);
    drain();
  }
  avcodec_send_frame(ctx, nullptr);
  drain();
  out.blockAlign = static_cast<uint16_t>(ctx->block_align);
  out.bitsPerSample = static_cast<uint16_t>(ctx->bits_per_coded_sample);
  if (ctx->extradata_size > 0)
    out.extra.assign(ctx->extradata, ctx->extradata + ctx->extradata_size);
  out.avgBytesPerSec = static_cast<uint32_t>(
      total ? static_cast<uint64_t>(out.data.size()) * static_cast<uint64_t>(rate) / total : 0);
  std::string n(name);
  if (n == "adpcm_ms") out.formatTag = 0x0002;
  if (n == "adpcm_ima_wav") out.formatTag = 0x0011;
  if (n == "pcm_alaw")
    out.formatTag = 0x0006, out.blockAlign = static_cast<uint16_t>(channels), out.bitsPerSample = 8;
  if (n == "pcm_mulaw")
    out.formatTag = 0x0007, out.blockAlign = static_cast<uint16_t>(channels), out.bitsPerSample = 8;
  if (n == "libgsm_ms") out.formatTag = 0x0031;
  if (n == "libmp3lame") {
    out.formatTag = 0x0055;
    out.blockAlign = 1;
    out.bitsPerSample = 0;
    // MPEGLAYER3WAVEFORMAT's extra: id 1, flags 2, block size, frames per
    // block 1, codec delay.
    out.extra = {1, 0, 2, 0, 0, 0, 0x80, 0x01, 1, 0, 0x71, 0x05};
  }
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&ctx);
  out.ok = !out.data.empty();
  return out;
}

std::vector<uint8_t> waveOf(const EncodedSound& sound, int rate, int channels, uint32_t frames) {
  std::vector<uint8_t> fmt = writers::waveFormatBlock(
      sound.formatTag, static_cast<uint16_t>(channels), static_cast<uint32_t>(rate),
      sound.avgBytesPerSec, sound.blockAlign, sound.bitsPerSample, sound.extra);
  std::vector<uint8_t> fact(4);
  for (int i = 0; i < 4; ++i)
    fact[static_cast<size_t>(i)] = static_cast<uint8_t>(frames >> (8 * i));
  return writers::writeRiffWave({{"fmt ", fmt, {}}, {"fact", fact, {}}, {"data", sound.data, {}}});
}

double snrDb(std::span<const int16_t> want, std::span<const int16_t> got, int channels,
             int maxLag) {
  size_t wantFrames = want.size() / static_cast<size_t>(channels);
  size_t gotFrames = got.size() / static_cast<size_t>(channels);
  double best = -1e9;
  for (int lag = 0; lag <= maxLag; lag += (maxLag > 64 ? 1 : 1)) {
    if (static_cast<size_t>(lag) >= gotFrames) break;
    size_t n = std::min(wantFrames, gotFrames - static_cast<size_t>(lag));
    double signal = 0, noise = 0;
    for (size_t i = 0; i < n * channels; ++i) {
      double w = want[i];
      double g = got[i + static_cast<size_t>(lag) * channels];
      signal += w * w;
      noise += (w - g) * (w - g);
    }
    double snr = noise == 0 ? 200.0 : 10 * std::log10(signal / noise);
    best = std::max(best, snr);
  }
  return best;
}

double rms(std::span<const int16_t> samples, int channels, int channel, size_t firstFrame,
           size_t frames) {
  double sum = 0;
  size_t n = 0;
  for (size_t f = firstFrame; f < firstFrame + frames; ++f) {
    size_t i = f * static_cast<size_t>(channels) + static_cast<size_t>(channel);
    if (i >= samples.size()) break;
    sum += static_cast<double>(samples[i]) * samples[i];
    ++n;
  }
  return n ? std::sqrt(sum / static_cast<double>(n)) : 0.0;
}

}  // namespace kobre::testing
