// A movie file in memory decoded with libavformat and libavcodec: its video
// frames one by one with their times, scaled into XRGB pixels by
// libswscale, and its sound (the first audio stream) as 16-bit stereo PCM.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVIOContext;
struct AVPacket;
struct SwsContext;

namespace kobre {

class MovieDecoder {
 public:
  // Largest picture we take, each side.
  static constexpr int kMaxSide = 4096;

  MovieDecoder();
  ~MovieDecoder();
  MovieDecoder(const MovieDecoder&) = delete;
  MovieDecoder& operator=(const MovieDecoder&) = delete;

  // Opens the movie held in bytes (kept until close) and decodes its first
  // frame; false when it is not a movie we can play: no known container, no
  // decodable video stream, a picture of no or too large a size, or no first
  // frame.
  bool open(std::vector<uint8_t> bytes);
  void close();
  // Back to the first frame; false when the movie cannot seek there.
  bool rewind();

  int width() const { return width_; }
  int height() const { return height_; }
  // Frame duration from the stream's rate (40 ms when it gives none).
  int frameMs() const { return frameMs_; }

  // Decodes the next video frame; false at the end or at damaged data that
  // ends the stream. Its time is frameTimeMs().
  bool nextFrame();
  int64_t frameTimeMs() const { return frameTimeMs_; }
  // Scales the last decoded frame to width x height XRGB pixels (stride in
  // pixels); false when there is none or it cannot be converted.
  bool convert(uint32_t* pixels, int stride, int width, int height);

  // Decodes the whole first audio stream from the start into interleaved
  // 16-bit stereo at its own rate (at most maxFrames frames). False when
  // the movie has no sound; damaged sound gives what decoded before it.
  static bool decodeAudio(std::span<const uint8_t> bytes, std::vector<int16_t>& stereo,
                          int& sampleRate, uint64_t maxFrames);

 private:
  struct Input;
  std::unique_ptr<Input> input_;
  AVCodecContext* codec_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVPacket* packet_ = nullptr;
  SwsContext* sws_ = nullptr;
  int stream_ = -1;
  int width_ = 0, height_ = 0;
  int frameMs_ = 40;
  int64_t frameTimeMs_ = 0;
  int64_t framesDecoded_ = 0;
  bool haveFrame_ = false;
  bool draining_ = false;
  bool primed_ = false;  // the first frame is decoded and not handed out yet
  double timeBase_ = 0;  // seconds per pts unit
};

}  // namespace kobre
