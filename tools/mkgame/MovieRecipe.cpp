#include "tools/mkgame/MovieRecipe.h"

#include <algorithm>

#include "tools/mkgame/PictureRecipe.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

namespace kobre::mkgame {

namespace {

bool parseCount(const std::string& s, int lo, int hi, int& v) {
  if (s.empty() || s.size() > 6) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  v = std::stoi(s);
  return v >= lo && v <= hi;
}

int writePacket(void* opaque, uint8_t* buf, int size) {
  auto* out = static_cast<std::vector<uint8_t>*>(opaque);
  out->insert(out->end(), buf, buf + size);
  return size;
}

// BT.601 studio-range conversion of one frame into 4:2:0 planes.
void toYuv(const QImage& image, AVFrame* frame) {
  const int w = image.width(), h = image.height();
  for (int y = 0; y < h; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
    for (int x = 0; x < w; ++x) {
      const int r = (row[x] >> 16) & 255, g = (row[x] >> 8) & 255, b = row[x] & 255;
      frame->data[0][y * frame->linesize[0] + x] =
          static_cast<uint8_t>(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
    }
  }
  for (int y = 0; y < h / 2; ++y)
    for (int x = 0; x < w / 2; ++x) {
      int r = 0, g = 0, b = 0;
      for (int k = 0; k < 4; ++k) {
        const uint32_t p =
            reinterpret_cast<const uint32_t*>(image.constScanLine(2 * y + k / 2))[2 * x + k % 2];
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

}  // namespace

bool parseMovieSpec(const RecipeBlock& block, MovieSpec& spec, std::string& error) {
  const std::vector<std::string>& w = block.header.words;
  const std::string at = block.file + ":" + std::to_string(block.header.number) + ": ";
  spec = MovieSpec{};
  spec.block = block;
  if (w.size() < 5 || w[0] != "movie" || !parseCount(w[2], 16, 800, spec.width) ||
      !parseCount(w[3], 16, 600, spec.height) || !parseCount(w[4], 1, 100, spec.frames) ||
      spec.width % 16 != 0 || spec.height % 16 != 0) {
    error = at + "expected \"movie NAME WIDTH HEIGHT FRAMES [fps N]\" (sizes multiples of 16)";
    return false;
  }
  spec.name = w[1];
  for (size_t i = 5; i < w.size(); ++i) {
    if (w[i] == "fps" && i + 1 < w.size() && parseCount(w[i + 1], 1, 60, spec.fps)) {
      ++i;
    } else {
      error = at + "unknown option \"" + w[i] + "\"";
      return false;
    }
  }
  return true;
}

bool buildMovie(const MovieSpec& spec, std::vector<uint8_t>& out, std::string& error) {
  const std::string at = spec.block.file + ":" + std::to_string(spec.block.header.number) + ": ";
  out.clear();
  av_log_set_level(AV_LOG_ERROR);
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MPEG1VIDEO);
  if (codec == nullptr) {
    error = at + "this libavcodec has no MPEG-1 video encoder";
    return false;
  }
  AVFormatContext* fmt = nullptr;
  if (avformat_alloc_output_context2(&fmt, nullptr, "mpeg", nullptr) < 0 || fmt == nullptr) {
    error = at + "this libavformat has no MPEG program stream muxer";
    return false;
  }
  AVCodecContext* ctx = avcodec_alloc_context3(codec);
  AVFrame* frame = av_frame_alloc();
  AVPacket* packet = av_packet_alloc();
  constexpr int kBuffer = 32768;
  auto* ioBuffer = static_cast<uint8_t*>(av_malloc(kBuffer));
  AVIOContext* io = avio_alloc_context(ioBuffer, kBuffer, 1, &out, nullptr, writePacket, nullptr);
  bool ok = ctx && frame && packet && io;
  AVStream* stream = ok ? avformat_new_stream(fmt, nullptr) : nullptr;
  ok = ok && stream != nullptr;
  if (ok) {
    fmt->pb = io;
    fmt->flags |= AVFMT_FLAG_BITEXACT;
    ctx->width = spec.width;
    ctx->height = spec.height;
    ctx->time_base = AVRational{1, spec.fps};
    ctx->framerate = AVRational{spec.fps, 1};
    ctx->pix_fmt = AV_PIX_FMT_YUV420P;
    ctx->gop_size = 12;
    ctx->max_b_frames = 0;
    ctx->bit_rate = 600000;
    ctx->thread_count = 1;
    ctx->flags |= AV_CODEC_FLAG_BITEXACT;
    ok = avcodec_open2(ctx, codec, nullptr) >= 0 &&
         avcodec_parameters_from_context(stream->codecpar, ctx) >= 0;
    stream->time_base = ctx->time_base;
  }
  if (ok) {
    frame->format = ctx->pix_fmt;
    frame->width = ctx->width;
    frame->height = ctx->height;
    ok = av_frame_get_buffer(frame, 0) >= 0 && avformat_write_header(fmt, nullptr) >= 0;
  }
  // The frames are drawn as the layers of one picture.
  PictureSpec pictures;
  pictures.name = spec.name;
  pictures.width = spec.width;
  pictures.height = spec.height;
  pictures.alpha = false;
  pictures.block = spec.block;
  auto drain = [&]() {
    for (;;) {
      const int r = avcodec_receive_packet(ctx, packet);
      if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
      if (r < 0) return false;
      av_packet_rescale_ts(packet, ctx->time_base, stream->time_base);
      packet->stream_index = stream->index;
      if (av_interleaved_write_frame(fmt, packet) < 0) return false;
    }
  };
  std::vector<QImage> layers;
  if (ok) {
    pictures.layers = spec.frames;
    std::string why;
    if (!renderPicture(pictures, nullptr, layers, why)) {
      error = why;
      ok = false;
    }
  }
  for (size_t k = 0; ok && k < layers.size(); ++k) {
    ok = av_frame_make_writable(frame) >= 0;
    if (!ok) break;
    toYuv(layers[k], frame);
    frame->pts = static_cast<int64_t>(k);
    ok = avcodec_send_frame(ctx, frame) >= 0 && drain();
  }
  if (ok) ok = avcodec_send_frame(ctx, nullptr) >= 0 && drain() && av_write_trailer(fmt) >= 0;
  if (io) avio_flush(io);
  if (!ok && error.empty()) error = at + "the movie could not be encoded";
  av_packet_free(&packet);
  av_frame_free(&frame);
  avcodec_free_context(&ctx);
  if (io) {
    av_freep(&io->buffer);
    avio_context_free(&io);
  }
  avformat_free_context(fmt);
  return ok;
}

}  // namespace kobre::mkgame
