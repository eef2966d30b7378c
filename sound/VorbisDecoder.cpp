// Ogg Vorbis inside WAVE: the data chunk holds a plain Ogg stream, decoded by
// libvorbisfile from memory.
// Without the header's stdio callbacks: we only ever read from memory.
#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include "sound/AudioDecoder.h"
#include "sound/SoundErrors.h"

namespace kobre {

namespace {

struct MemoryStream {
  std::span<const uint8_t> data;
  size_t at = 0;
};

size_t readCallback(void* ptr, size_t size, size_t count, void* source) {
  auto* s = static_cast<MemoryStream*>(source);
  if (size == 0) return 0;
  size_t n = std::min(count, (s->data.size() - s->at) / size);
  std::memcpy(ptr, s->data.data() + s->at, n * size);
  s->at += n * size;
  return n;
}

int seekCallback(void* source, ogg_int64_t offset, int whence) {
  auto* s = static_cast<MemoryStream*>(source);
  int64_t base = whence == SEEK_SET   ? 0
                 : whence == SEEK_CUR ? static_cast<int64_t>(s->at)
                                      : static_cast<int64_t>(s->data.size());
  int64_t to = base + offset;
  if (to < 0 || to > static_cast<int64_t>(s->data.size())) return -1;
  s->at = static_cast<size_t>(to);
  return 0;
}

long tellCallback(void* source) {
  return static_cast<long>(static_cast<MemoryStream*>(source)->at);
}

class VorbisDecoder : public AudioDecoder {
 public:
  explicit VorbisDecoder(const WaveFormat& f) : channels_(f.channels), rate_(f.samplesPerSec) {}
  ~VorbisDecoder() override {
    if (open_) ov_clear(&file_);
  }

  bool begin(std::span<const uint8_t> data, uint32_t& code) override {
    code = kAcmErrNotPossible;
    // Only data that is an Ogg stream (it starts with a page) is ours.
    if (data.size() < 4 || std::memcmp(data.data(), "OggS", 4) != 0) return false;
    stream_.data = data;
    stream_.at = 0;
    ov_callbacks callbacks = {readCallback, seekCallback, nullptr, tellCallback};
    if (ov_open_callbacks(&stream_, &file_, nullptr, 0, callbacks) != 0) return false;
    open_ = true;
    vorbis_info* info = ov_info(&file_, -1);
    // The stream must give what the header promised: the target was chosen
    // from the header before any data was read.
    if (!info || info->channels != channels_ || info->rate != static_cast<long>(rate_))
      return false;
    code = 0;
    return true;
  }

  int64_t decode(int16_t* out, int64_t maxFrames, uint32_t& code) override {
    int64_t produced = 0;
    int holes = 0;
    while (produced < maxFrames && !ended_) {
      int64_t wantBytes = (maxFrames - produced) * channels_ * 2;
      int section = 0;
      long got =
          ov_read(&file_, reinterpret_cast<char*>(out + produced * channels_),
                  static_cast<int>(std::min<int64_t>(wantBytes, 1 << 20)), 0, 2, 1, &section);
      if (got == OV_HOLE) {
        // A gap in the stream: go on after it (but not forever).
        if (++holes > 64) ended_ = true;
        continue;
      }
      if (got < 0) {
        code = kAcmErrNotPossible;
        return produced > 0 ? produced : -1;
      }
      if (got == 0) {
        ended_ = true;
        break;
      }
      // A chained stream whose later link changes the format is cut there.
      vorbis_info* info = ov_info(&file_, section);
      if (!info || info->channels != channels_) {
        ended_ = true;
        break;
      }
      produced += got / (channels_ * 2);
    }
    return produced;
  }

  uint64_t expectedFrames() override {
    ogg_int64_t total = ov_pcm_total(&file_, -1);
    return total > 0 ? static_cast<uint64_t>(total) : 0;
  }

 private:
  int channels_;
  uint32_t rate_;
  MemoryStream stream_;
  OggVorbis_File file_{};
  bool open_ = false;
  bool ended_ = false;
};

}  // namespace

std::unique_ptr<AudioDecoder> makeVorbisDecoder(const WaveFormat& source) {
  return std::make_unique<VorbisDecoder>(source);
}

}  // namespace kobre
