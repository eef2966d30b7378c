#include "tools/writers/MovieWriter.h"

#include <algorithm>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
}

namespace kobre::writers {

namespace {

int writePacket(void* opaque, uint8_t* buf, int size) {
  auto* out = static_cast<std::vector<uint8_t>*>(opaque);
  out->insert(out->end(), buf, buf + size);
  return size;
}

// BT.601 studio-range conversion of XRGB pixels into 4:2:0 planes.
void toYuv(const std::vector<uint32_t>& px, int w, int h, AVFrame* frame) {
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t p = px[static_cast<size_t>(y * w + x)];
      const int r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
      frame->data[0][y * frame->linesize[0] + x] =
          static_cast<uint8_t>(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
    }
  for (int y = 0; y < h / 2; ++y)
    for (int x = 0; x < w / 2; ++x) {
      int r = 0, g = 0, b = 0;
      for (int k = 0; k < 4; ++k) {
        const uint32_t p = px[static_cast<size_t>((2 * y + k / 2) * w + 2 * x + k % 2)];
        r += (p >> 16) & 255;
        g += (p >> 8) & 255;
        b += p & 255;
      }
      r /= 4;
      g /= 4;
      b /= 4;
      frame->data[1][y * frame->linesize[1] + x] =
          static_cast<uint8_t>(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128);
      frame->data[2][y * frame->linesize[2] + x] =
          static_cast<uint8_t>(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128);
    }
}

struct Encoder {
  AVCodecContext* ctx = nullptr;
  AVStream* stream = nullptr;
  AVFrame* frame = nullptr;
  ~Encoder() {
    av_frame_free(&frame);
    avcodec_free_context(&ctx);
  }
};

}  // namespace

MovieSource solidMovie(int width, int height, int frames, int fps, std::vector<uint32_t> colours) {
  MovieSource s;
  s.width = width;
  s.height = height;
  s.frames = frames;
  s.fps = fps;
  s.draw = [colours = std::move(colours)](int k, std::vector<uint32_t>& px) {
    std::fill(px.begin(), px.end(), colours[static_cast<size_t>(k) % colours.size()]);
  };
  return s;
}

bool writeMpegMovie(const MovieSource& src, std::vector<uint8_t>& out, std::string& error) {
  out.clear();
  if (src.width <= 0 || src.height <= 0 || src.width % 16 != 0 || src.height % 16 != 0 ||
      src.frames <= 0 || src.fps <= 0 || !src.draw) {
    error = "movie sizes must be positive multiples of 16, with frames and a frame rate";
    return false;
  }
  av_log_set_level(AV_LOG_ERROR);
  const AVCodec* videoCodec = avcodec_find_encoder(AV_CODEC_ID_MPEG1VIDEO);
  const AVCodec* audioCodec = avcodec_find_encoder(AV_CODEC_ID_MP2);
  const bool withSound = !src.sound.empty();
  if (videoCodec == nullptr || (withSound && audioCodec == nullptr)) {
    error = "this libavcodec lacks the MPEG-1 video or MPEG audio layer II encoder";
    return false;
  }
  AVFormatContext* fmt = nullptr;
  if (avformat_alloc_output_context2(&fmt, nullptr, "mpeg", nullptr) < 0 || fmt == nullptr) {
    error = "this libavformat has no MPEG program stream muxer";
    return false;
  }
  Encoder video, audio;
  AVPacket* packet = av_packet_alloc();
  constexpr int kBuffer = 32768;
  auto* ioBuffer = static_cast<uint8_t*>(av_malloc(kBuffer));
  AVIOContext* io = avio_alloc_context(ioBuffer, kBuffer, 1, &out, nullptr, writePacket, nullptr);
  bool ok = packet != nullptr && io != nullptr;
  if (ok) {
    fmt->pb = io;
    fmt->flags |= AVFMT_FLAG_BITEXACT;
    video.ctx = avcodec_alloc_context3(videoCodec);
    video.stream = avformat_new_stream(fmt, nullptr);
    ok = video.ctx != nullptr && video.stream != nullptr;
  }
  if (ok) {
    AVCodecContext* c = video.ctx;
    c->width = src.width;
    c->height = src.height;
    c->time_base = AVRational{1, src.fps};
    c->framerate = AVRational{src.fps, 1};
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->gop_size = 12;
    c->max_b_frames = 0;
    c->bit_rate = 600000;
    c->thread_count = 1;
    c->flags |= AV_CODEC_FLAG_BITEXACT;
    ok = avcodec_open2(c, videoCodec, nullptr) >= 0 &&
         avcodec_parameters_from_context(video.stream->codecpar, c) >= 0;
    video.stream->time_base = c->time_base;
    video.frame = av_frame_alloc();
    ok = ok && video.frame != nullptr;
    if (ok) {
      video.frame->format = c->pix_fmt;
      video.frame->width = c->width;
      video.frame->height = c->height;
      ok = av_frame_get_buffer(video.frame, 0) >= 0;
    }
  }
  if (ok && withSound) {
    audio.ctx = avcodec_alloc_context3(audioCodec);
    audio.stream = avformat_new_stream(fmt, nullptr);
    ok = audio.ctx != nullptr && audio.stream != nullptr;
    if (ok) {
      AVCodecContext* c = audio.ctx;
      c->sample_fmt = AV_SAMPLE_FMT_S16;
      c->sample_rate = src.soundRate;
      AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
      ok = av_channel_layout_copy(&c->ch_layout, &stereo) >= 0;
      c->bit_rate = 128000;
      c->time_base = AVRational{1, src.soundRate};
      c->flags |= AV_CODEC_FLAG_BITEXACT;
      ok = ok && avcodec_open2(c, audioCodec, nullptr) >= 0 &&
           avcodec_parameters_from_context(audio.stream->codecpar, c) >= 0;
      audio.stream->time_base = c->time_base;
      audio.frame = av_frame_alloc();
      ok = ok && audio.frame != nullptr;
      if (ok) {
        audio.frame->format = c->sample_fmt;
        audio.frame->nb_samples = c->frame_size;
        audio.frame->sample_rate = c->sample_rate;
        ok = av_channel_layout_copy(&audio.frame->ch_layout, &c->ch_layout) >= 0 &&
             av_frame_get_buffer(audio.frame, 0) >= 0;
      }
    }
  }
  ok = ok && avformat_write_header(fmt, nullptr) >= 0;

  auto drain = [&](Encoder& e) {
    for (;;) {
      const int r = avcodec_receive_packet(e.ctx, packet);
      if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
      if (r < 0) return false;
      av_packet_rescale_ts(packet, e.ctx->time_base, e.stream->time_base);
      packet->stream_index = e.stream->index;
      if (av_interleaved_write_frame(fmt, packet) < 0) return false;
    }
  };
  const size_t soundFrames = src.sound.size() / 2;
  size_t soundDone = 0;
  // Sound up to the given frame (whole encoder frames, the last one padded).
  auto sendSound = [&](size_t until) {
    if (!withSound) return true;
    const auto n = static_cast<size_t>(audio.ctx->frame_size);
    while (soundDone < std::min(until, soundFrames)) {
      if (av_frame_make_writable(audio.frame) < 0) return false;
      auto* dst = reinterpret_cast<int16_t*>(audio.frame->data[0]);
      for (size_t i = 0; i < n; ++i) {
        const size_t at = soundDone + i;
        dst[2 * i] = at < soundFrames ? src.sound[2 * at] : 0;
        dst[2 * i + 1] = at < soundFrames ? src.sound[2 * at + 1] : 0;
      }
      audio.frame->pts = static_cast<int64_t>(soundDone);
      soundDone += n;
      if (avcodec_send_frame(audio.ctx, audio.frame) < 0 || !drain(audio)) return false;
    }
    return true;
  };

  std::vector<uint32_t> pixels(static_cast<size_t>(src.width) * static_cast<size_t>(src.height));
  for (int k = 0; ok && k < src.frames; ++k) {
    ok = sendSound(static_cast<size_t>(k + 1) * static_cast<size_t>(src.soundRate) /
                   static_cast<size_t>(src.fps));
    ok = ok && av_frame_make_writable(video.frame) >= 0;
    if (!ok) break;
    std::fill(pixels.begin(), pixels.end(), 0u);
    src.draw(k, pixels);
    toYuv(pixels, src.width, src.height, video.frame);
    video.frame->pts = k;
    ok = avcodec_send_frame(video.ctx, video.frame) >= 0 && drain(video);
  }
  if (ok) ok = sendSound(soundFrames);
  if (ok) ok = avcodec_send_frame(video.ctx, nullptr) >= 0 && drain(video);
  if (ok && withSound) ok = avcodec_send_frame(audio.ctx, nullptr) >= 0 && drain(audio);
  if (ok) ok = av_write_trailer(fmt) >= 0;
  if (io != nullptr) avio_flush(io);
  if (!ok && error.empty()) error = "the movie could not be encoded";
  av_packet_free(&packet);
  if (io != nullptr) {
    av_freep(&io->buffer);
    avio_context_free(&io);
  }
  avformat_free_context(fmt);
  return ok;
}

}  // namespace kobre::writers
