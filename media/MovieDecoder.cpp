#include "media/MovieDecoder.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace kobre {

namespace {

// The containers a movie device plays. Naming them keeps libavformat away
// from its demuxers that read other files or devices by name.
constexpr const char* kFormats =
    "mpeg,mpegts,mpegvideo,avi,asf,mov,mp4,m4a,3gp,3g2,mj2,matroska,webm";
constexpr int kIoBuffer = 16384;
constexpr int kMaxPacketsPerFrame = 4096;

}  // namespace

// A movie file in memory as a libavformat input.
struct MovieDecoder::Input {
  std::vector<uint8_t> bytes;
  size_t pos = 0;
  AVIOContext* io = nullptr;
  AVFormatContext* format = nullptr;

  ~Input() {
    if (format != nullptr) avformat_close_input(&format);
    if (io != nullptr) {
      av_freep(&io->buffer);
      avio_context_free(&io);
    }
  }

  static int read(void* opaque, uint8_t* buf, int size) {
    auto* in = static_cast<Input*>(opaque);
    const size_t left = in->bytes.size() - in->pos;
    const size_t n = std::min(left, static_cast<size_t>(std::max(size, 0)));
    if (n == 0) return AVERROR_EOF;
    std::memcpy(buf, in->bytes.data() + in->pos, n);
    in->pos += n;
    return static_cast<int>(n);
  }
  static int64_t seek(void* opaque, int64_t offset, int whence) {
    auto* in = static_cast<Input*>(opaque);
    const auto size = static_cast<int64_t>(in->bytes.size());
    if (whence & AVSEEK_SIZE) return size;
    int64_t at = 0;
    switch (whence & ~AVSEEK_FORCE) {
      case SEEK_SET:
        at = offset;
        break;
      case SEEK_CUR:
        at = static_cast<int64_t>(in->pos) + offset;
        break;
      case SEEK_END:
        at = size + offset;
        break;
      default:
        return -1;
    }
    if (at < 0 || at > size) return -1;
    in->pos = static_cast<size_t>(at);
    return at;
  }

  bool open() {
    av_log_set_level(AV_LOG_QUIET);
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBuffer));
    if (buffer == nullptr) return false;
    io = avio_alloc_context(buffer, kIoBuffer, 0, this, &Input::read, nullptr, &Input::seek);
    if (io == nullptr) {
      av_free(buffer);
      return false;
    }
    format = avformat_alloc_context();
    if (format == nullptr) return false;
    format->pb = io;
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    format->format_whitelist = av_strdup(kFormats);
    format->probesize = 1 << 20;
    format->max_analyze_duration = 2 * AV_TIME_BASE;
    if (avformat_open_input(&format, nullptr, nullptr, nullptr) < 0) {
      format = nullptr;  // freed by the failed open
      return false;
    }
    return avformat_find_stream_info(format, nullptr) >= 0;
  }
};

namespace {

AVCodecContext* openDecoder(AVFormatContext* format, AVMediaType type, int& streamIndex) {
  const AVCodec* codec = nullptr;
  streamIndex = av_find_best_stream(format, type, -1, -1, &codec, 0);
  if (streamIndex < 0 || codec == nullptr) return nullptr;
  AVCodecContext* ctx = avcodec_alloc_context3(codec);
  if (ctx == nullptr) return nullptr;
  ctx->thread_count = 1;
  if (avcodec_parameters_to_context(ctx, format->streams[streamIndex]->codecpar) < 0 ||
      avcodec_open2(ctx, codec, nullptr) < 0) {
    avcodec_free_context(&ctx);
    return nullptr;
  }
  return ctx;
}

}  // namespace

MovieDecoder::MovieDecoder() = default;

MovieDecoder::~MovieDecoder() {
  close();
}

void MovieDecoder::close() {
  if (sws_ != nullptr) sws_freeContext(sws_);
  sws_ = nullptr;
  av_packet_free(&packet_);
  av_frame_free(&frame_);
  avcodec_free_context(&codec_);
  input_.reset();
  stream_ = -1;
  width_ = height_ = 0;
  haveFrame_ = draining_ = primed_ = false;
  framesDecoded_ = 0;
  frameTimeMs_ = 0;
}

bool MovieDecoder::open(std::vector<uint8_t> bytes) {
  close();
  input_ = std::make_unique<Input>();
  input_->bytes = std::move(bytes);
  if (!input_->open()) {
    close();
    return false;
  }
  codec_ = openDecoder(input_->format, AVMEDIA_TYPE_VIDEO, stream_);
  if (codec_ == nullptr || codec_->width <= 0 || codec_->height <= 0 || codec_->width > kMaxSide ||
      codec_->height > kMaxSide) {
    close();
    return false;
  }
  width_ = codec_->width;
  height_ = codec_->height;
  const AVStream* st = input_->format->streams[stream_];
  timeBase_ = av_q2d(st->time_base);
  AVRational rate = st->avg_frame_rate.num > 0 ? st->avg_frame_rate : st->r_frame_rate;
  if (rate.num > 0 && rate.den > 0) {
    const double ms = 1000.0 * rate.den / rate.num;
    frameMs_ = static_cast<int>(std::clamp(ms, 1.0, 1000.0));
  }
  frame_ = av_frame_alloc();
  packet_ = av_packet_alloc();
  // A movie whose first picture does not decode (damaged, or cut short
  // before it) is refused here rather than played as nothing.
  if (frame_ == nullptr || packet_ == nullptr || !nextFrame()) {
    close();
    return false;
  }
  primed_ = true;
  return true;
}

bool MovieDecoder::rewind() {
  if (codec_ == nullptr) return false;
  if (av_seek_frame(input_->format, -1, 0, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_BYTE) < 0 &&
      avformat_seek_file(input_->format, -1, INT64_MIN, 0, 0, 0) < 0)
    return false;
  avcodec_flush_buffers(codec_);
  haveFrame_ = draining_ = primed_ = false;
  framesDecoded_ = 0;
  frameTimeMs_ = 0;
  return true;
}

bool MovieDecoder::nextFrame() {
  if (codec_ == nullptr) return false;
  if (primed_) {  // the first frame, decoded by open
    primed_ = false;
    return true;
  }
  for (int guard = 0; guard < kMaxPacketsPerFrame; ++guard) {
    const int got = avcodec_receive_frame(codec_, frame_);
    if (got == 0) {
      if (frame_->width != width_ || frame_->height != height_) return false;
      const int64_t pts = frame_->best_effort_timestamp;
      const int64_t byCount = framesDecoded_ * frameMs_;
      int64_t ms = byCount;
      if (pts != AV_NOPTS_VALUE && timeBase_ > 0) {
        const AVStream* st = input_->format->streams[stream_];
        const int64_t start = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
        const double t = static_cast<double>(pts - start) * timeBase_ * 1000.0;
        if (t >= 0 && t < 1e9) ms = static_cast<int64_t>(t + 0.5);
      }
      frameTimeMs_ = std::max(ms, haveFrame_ ? frameTimeMs_ : int64_t{0});
      ++framesDecoded_;
      haveFrame_ = true;
      return true;
    }
    if (got == AVERROR_EOF) return false;
    if (got != AVERROR(EAGAIN)) return false;
    if (draining_) return false;
    const int read = av_read_frame(input_->format, packet_);
    if (read < 0) {
      draining_ = true;
      avcodec_send_packet(codec_, nullptr);
      continue;
    }
    if (packet_->stream_index == stream_) {
      const int sent = avcodec_send_packet(codec_, packet_);
      // Damaged packets are skipped as a player would; the decoder goes on.
      (void)sent;
    }
    av_packet_unref(packet_);
  }
  return false;
}

bool MovieDecoder::convert(uint32_t* pixels, int stride, int width, int height) {
  if (!haveFrame_ || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
    return false;
  sws_ =
      sws_getCachedContext(sws_, width_, height_, static_cast<AVPixelFormat>(frame_->format), width,
                           height, AV_PIX_FMT_RGB32, SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (sws_ == nullptr) return false;
  uint8_t* dst[4] = {reinterpret_cast<uint8_t*>(pixels), nullptr, nullptr, nullptr};
  int dstStride[4] = {stride * 4, 0, 0, 0};
  return sws_scale(sws_, frame_->data, frame_->linesize, 0, height_, dst, dstStride) == height;
}

bool MovieDecoder::decodeAudio(std::span<const uint8_t> bytes, std::vector<int16_t>& stereo,
                               int& sampleRate, uint64_t maxFrames) {
  stereo.clear();
  sampleRate = 0;
  Input in;
  in.bytes.assign(bytes.begin(), bytes.end());
  if (!in.open()) return false;
  int stream = -1;
  AVCodecContext* ctx = openDecoder(in.format, AVMEDIA_TYPE_AUDIO, stream);
  if (ctx == nullptr || ctx->sample_rate <= 0 || ctx->sample_rate > 384000) {
    avcodec_free_context(&ctx);
    return false;
  }
  sampleRate = ctx->sample_rate;
  AVChannelLayout stereoLayout = AV_CHANNEL_LAYOUT_STEREO;
  SwrContext* swr = nullptr;
  AVFrame* frame = av_frame_alloc();
  AVPacket* packet = av_packet_alloc();
  bool ok = frame != nullptr && packet != nullptr;
  if (ok) {
    AVChannelLayout inLayout{};
    if (ctx->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || ctx->ch_layout.nb_channels <= 0)
      av_channel_layout_default(&inLayout, std::max(ctx->ch_layout.nb_channels, 1));
    else
      av_channel_layout_copy(&inLayout, &ctx->ch_layout);
    ok = swr_alloc_set_opts2(&swr, &stereoLayout, AV_SAMPLE_FMT_S16, sampleRate, &inLayout,
                             ctx->sample_fmt, sampleRate, 0, nullptr) >= 0 &&
         swr_init(swr) >= 0;
    av_channel_layout_uninit(&inLayout);
  }
  std::vector<int16_t> chunk;
  const int inChannels = ctx->ch_layout.nb_channels;
  const int inFormat = ctx->sample_fmt;
  auto takeFrames = [&]() {
    for (;;) {
      if (avcodec_receive_frame(ctx, frame) != 0) return;
      // A frame whose shape differs from the converter's set-up is dropped.
      if (frame->nb_samples <= 0 || frame->sample_rate != sampleRate ||
          frame->ch_layout.nb_channels != inChannels || frame->format != inFormat)
        continue;
      const int room = swr_get_out_samples(swr, frame->nb_samples);
      if (room <= 0) continue;
      chunk.resize(static_cast<size_t>(room) * 2);
      uint8_t* out[1] = {reinterpret_cast<uint8_t*>(chunk.data())};
      const int n = swr_convert(swr, out, room, const_cast<const uint8_t**>(frame->extended_data),
                                frame->nb_samples);
      if (n > 0 && stereo.size() / 2 < maxFrames) {
        const uint64_t keep =
            std::min<uint64_t>(static_cast<uint64_t>(n), maxFrames - stereo.size() / 2);
        stereo.insert(stereo.end(), chunk.begin(),
                      chunk.begin() + static_cast<ptrdiff_t>(2 * keep));
      }
    }
  };
  while (ok && stereo.size() / 2 < maxFrames && av_read_frame(in.format, packet) >= 0) {
    if (packet->stream_index == stream && avcodec_send_packet(ctx, packet) >= 0) takeFrames();
    av_packet_unref(packet);
  }
  if (ok) {
    avcodec_send_packet(ctx, nullptr);
    takeFrames();
  }
  swr_free(&swr);
  av_packet_free(&packet);
  av_frame_free(&frame);
  avcodec_free_context(&ctx);
  return ok && !stereo.empty();
}

}  // namespace kobre
