// The other ACM formats (MS ADPCM, IMA ADPCM, A-law, mu-law, GSM 6.10, MPEG
// layer 3) through libavcodec. Block formats are fed one block per packet;
// MPEG audio goes through the codec's parser, which finds the frames.
// The libav headers include C library headers whose C++ wrappers re-export
// names the core poisons; take the plain C headers instead (their contents
// are already declared through Forbidden.h's <cstdlib> and friends).
#define _GLIBCXX_INCLUDE_NEXT_C_HEADERS
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libavutil/samplefmt.h>
}
#undef _GLIBCXX_INCLUDE_NEXT_C_HEADERS

#include <vector>

#include "sound/AudioDecoder.h"
#include "sound/SoundErrors.h"

namespace kobre {

namespace {

AVCodecID codecFor(uint16_t tag) {
  switch (tag) {
    case kWaveFormatMsAdpcm:
      return AV_CODEC_ID_ADPCM_MS;
    case kWaveFormatImaAdpcm:
      return AV_CODEC_ID_ADPCM_IMA_WAV;
    case kWaveFormatALaw:
      return AV_CODEC_ID_PCM_ALAW;
    case kWaveFormatMuLaw:
      return AV_CODEC_ID_PCM_MULAW;
    case kWaveFormatGsm610:
      return AV_CODEC_ID_GSM_MS;
    case kWaveFormatMpegLayer3:
      return AV_CODEC_ID_MP3;
    default:
      return AV_CODEC_ID_NONE;
  }
}

int16_t toS16(float v) {
  v *= 32768.0f;
  if (v >= 32767.0f) return 32767;
  if (v <= -32768.0f) return -32768;
  return static_cast<int16_t>(std::lrintf(v));
}

class AvDecoder : public AudioDecoder {
 public:
  AvDecoder(const WaveFormat& f, std::span<const uint8_t> extra, AVCodecID id)
      : format_(f), extra_(extra.begin(), extra.end()), id_(id) {}

  ~AvDecoder() override {
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    if (parser_) av_parser_close(parser_);
    avcodec_free_context(&context_);
  }

  bool begin(std::span<const uint8_t> data, uint32_t& code) override {
    code = kAcmErrNotPossible;
    data_ = data;
    // Damaged data is our caller's to report; the library prints nothing.
    av_log_set_level(AV_LOG_QUIET);
    const AVCodec* codec = avcodec_find_decoder(id_);
    if (!codec) return false;
    context_ = avcodec_alloc_context3(codec);
    frame_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    if (!context_ || !frame_ || !packet_) return false;
    context_->sample_rate = static_cast<int>(format_.samplesPerSec);
    av_channel_layout_default(&context_->ch_layout, format_.channels);
    context_->block_align = format_.blockAlign;
    context_->bits_per_coded_sample = format_.bitsPerSample;
    context_->bit_rate = static_cast<int64_t>(format_.avgBytesPerSec) * 8;
    if (!extra_.empty()) {
      context_->extradata =
          static_cast<uint8_t*>(av_mallocz(extra_.size() + AV_INPUT_BUFFER_PADDING_SIZE));
      if (!context_->extradata) return false;
      std::memcpy(context_->extradata, extra_.data(), extra_.size());
      context_->extradata_size = static_cast<int>(extra_.size());
    }
    bool blocks = id_ == AV_CODEC_ID_ADPCM_MS || id_ == AV_CODEC_ID_ADPCM_IMA_WAV ||
                  id_ == AV_CODEC_ID_GSM_MS;
    if (blocks && format_.blockAlign == 0) return false;
    if (id_ == AV_CODEC_ID_MP3) {
      parser_ = av_parser_init(id_);
      if (!parser_) return false;
    }
    packetBytes_ = blocks ? format_.blockAlign : 4096;
    if (avcodec_open2(context_, codec, nullptr) < 0) return false;
    code = 0;
    return true;
  }

  int64_t decode(int16_t* out, int64_t maxFrames, uint32_t& code) override {
    int64_t produced = 0;
    while (produced < maxFrames) {
      if (pendingAt_ < pending_.size()) {
        size_t frames = std::min<size_t>((pending_.size() - pendingAt_) / format_.channels,
                                         static_cast<size_t>(maxFrames - produced));
        std::memcpy(out + produced * format_.channels, pending_.data() + pendingAt_,
                    frames * format_.channels * 2);
        pendingAt_ += frames * format_.channels;
        produced += static_cast<int64_t>(frames);
        continue;
      }
      if (finished_) break;
      if (!step(code)) return produced > 0 ? produced : -1;
    }
    return produced;
  }

 private:
  // Feeds one packet (or the final flush) and collects the frames it gives
  // into pending_.
  bool step(uint32_t& code) {
    pending_.clear();
    pendingAt_ = 0;
    int sent;
    if (!packetFromData()) {
      if (!flushed_) {
        sent = avcodec_send_packet(context_, nullptr);
        flushed_ = true;
        (void)sent;
      }
    } else {
      sent = avcodec_send_packet(context_, packet_);
      av_packet_unref(packet_);
      // A damaged packet is skipped, as a player would.
      if (sent < 0 && sent != AVERROR(EAGAIN)) ++badPackets_;
      if (badPackets_ > 1000 && goodFrames_ == 0) {
        code = kAcmErrNotPossible;
        return false;
      }
    }
    for (;;) {
      int r = avcodec_receive_frame(context_, frame_);
      if (r == AVERROR(EAGAIN)) break;
      if (r == AVERROR_EOF) {
        finished_ = true;
        break;
      }
      if (r < 0) {
        ++badPackets_;
        break;
      }
      appendFrame();
      av_frame_unref(frame_);
    }
    if (flushed_ && pending_.empty()) finished_ = true;
    return true;
  }

  // The next packet from the data; false when the data is used up.
  bool packetFromData() {
    if (parser_) {
      while (at_ < data_.size() || !parserFlushed_) {
        const uint8_t* in = nullptr;
        int inSize = 0;
        if (at_ < data_.size()) {
          size_t n = std::min<size_t>(4096, data_.size() - at_);
          padded_.assign(data_.begin() + static_cast<ptrdiff_t>(at_),
                         data_.begin() + static_cast<ptrdiff_t>(at_ + n));
          padded_.resize(n + AV_INPUT_BUFFER_PADDING_SIZE, 0);
          in = padded_.data();
          inSize = static_cast<int>(n);
        } else {
          parserFlushed_ = true;
        }
        uint8_t* outData = nullptr;
        int outSize = 0;
        int used = av_parser_parse2(parser_, context_, &outData, &outSize, in, inSize,
                                    AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
        if (used < 0) return false;
        at_ += static_cast<size_t>(used);
        if (inSize > 0 && used == 0 && outSize == 0) at_ += static_cast<size_t>(inSize);
        if (outSize > 0) {
          if (av_new_packet(packet_, outSize) < 0) return false;
          std::memcpy(packet_->data, outData, static_cast<size_t>(outSize));
          return true;
        }
      }
      return false;
    }
    if (at_ >= data_.size()) return false;
    size_t n = std::min<size_t>(packetBytes_, data_.size() - at_);
    if (av_new_packet(packet_, static_cast<int>(n)) < 0) return false;
    std::memcpy(packet_->data, data_.data() + at_, n);
    at_ += n;
    return true;
  }

  void appendFrame() {
    int channels = frame_->ch_layout.nb_channels;
    int samples = frame_->nb_samples;
    if (channels < 1 || samples < 1) return;
    ++goodFrames_;
    auto fmt = static_cast<AVSampleFormat>(frame_->format);
    bool planar = av_sample_fmt_is_planar(fmt);
    AVSampleFormat packed = av_get_packed_sample_fmt(fmt);
    size_t base = pending_.size();
    pending_.resize(base + static_cast<size_t>(samples) * format_.channels);
    int16_t* dst = pending_.data() + base;
    for (int i = 0; i < samples; ++i) {
      for (int c = 0; c < format_.channels; ++c) {
        // A decoder that gives fewer channels than the header repeats its last.
        int src = std::min(c, channels - 1);
        const uint8_t* plane = planar ? frame_->extended_data[src] : frame_->extended_data[0];
        size_t index = planar ? static_cast<size_t>(i) : static_cast<size_t>(i) * channels + src;
        int16_t v = 0;
        switch (packed) {
          case AV_SAMPLE_FMT_S16:
            v = reinterpret_cast<const int16_t*>(plane)[index];
            break;
          case AV_SAMPLE_FMT_S32:
            v = static_cast<int16_t>(reinterpret_cast<const int32_t*>(plane)[index] >> 16);
            break;
          case AV_SAMPLE_FMT_FLT:
            v = toS16(reinterpret_cast<const float*>(plane)[index]);
            break;
          case AV_SAMPLE_FMT_DBL:
            v = toS16(static_cast<float>(reinterpret_cast<const double*>(plane)[index]));
            break;
          case AV_SAMPLE_FMT_U8:
            v = static_cast<int16_t>((plane[index] - 128) << 8);
            break;
          default:
            break;
        }
        dst[static_cast<size_t>(i) * format_.channels + c] = v;
      }
    }
  }

  WaveFormat format_;
  std::vector<uint8_t> extra_;
  AVCodecID id_;
  std::span<const uint8_t> data_;
  size_t at_ = 0;
  size_t packetBytes_ = 4096;
  AVCodecContext* context_ = nullptr;
  AVCodecParserContext* parser_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVPacket* packet_ = nullptr;
  std::vector<uint8_t> padded_;
  std::vector<int16_t> pending_;
  size_t pendingAt_ = 0;
  bool flushed_ = false;
  bool parserFlushed_ = false;
  bool finished_ = false;
  int badPackets_ = 0;
  int goodFrames_ = 0;
};

}  // namespace

std::unique_ptr<AudioDecoder> makeAvDecoder(const WaveFormat& source,
                                            std::span<const uint8_t> extra) {
  AVCodecID id = codecFor(source.formatTag);
  if (id == AV_CODEC_ID_NONE || !avcodec_find_decoder(id)) return nullptr;
  return std::make_unique<AvDecoder>(source, extra, id);
}

}  // namespace kobre
