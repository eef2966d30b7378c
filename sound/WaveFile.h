// Reads one RIFF/WAVE sound, from a loose file or from an entry of the sound
// archive held in memory: the stored format with its extra bytes, the 'fact'
// sample count, and the 'data' chunk. Compressed data passes through as it is
// stored; AcmConverter decodes it.
//
// The chunk search follows the multimedia file service: a forward search for
// a chunk id inside the RIFF chunk, from the current position, without
// descending into sub-chunks; chunk bodies are padded to an even size.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace kobre {

class ArchiveFile;
namespace platform {
class Host;
}

// Where sounds come from and where their errors are shown.
struct SoundFiles {
  platform::Host* host = nullptr;  // shows the boxes; none: errors are silent
  platform::FileSystem* files = nullptr;
  ArchiveFile* archive = nullptr;
};

constexpr uint16_t kWaveFormatPcm = 1;
constexpr size_t kWaveFormatExSize = 18;

// WAVEFORMATEX as stored (little-endian).
struct WaveFormat {
  uint16_t formatTag = 0;
  uint16_t channels = 0;
  uint32_t samplesPerSec = 0;
  uint32_t avgBytesPerSec = 0;
  uint16_t blockAlign = 0;
  uint16_t bitsPerSample = 0;
  uint16_t extraSize = 0;

  static WaveFormat parse(const uint8_t* bytes18);
  void store(uint8_t* bytes18) const;
};

struct ChunkInfo {
  uint32_t id = 0;
  uint32_t size = 0;
  uint32_t formType = 0;
  uint64_t dataOffset = 0;  // offset of the chunk's body in the file
};

constexpr uint32_t fourCc(const char (&s)[5]) {
  return static_cast<uint32_t>(static_cast<uint8_t>(s[0])) |
         static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(s[2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(s[3])) << 24;
}

class WaveFile {
 public:
  explicit WaveFile(const SoundFiles& files) : files_(files) {}
  ~WaveFile() { close(); }
  WaveFile(const WaveFile&) = delete;
  WaveFile& operator=(const WaveFile&) = delete;

  // False with no message when the name is neither a loose file nor in the
  // sound archive; other failures show the "MMSystem Error" box.
  [[nodiscard]] bool open(std::string_view name);
  // The same over bytes held by the caller (tests and fuzzing); the bytes
  // must outlive the WaveFile.
  [[nodiscard]] bool openMemory(std::span<const uint8_t> bytes);
  [[nodiscard]] bool readFormat(void* destination, size_t byteCount);
  bool findData(uint32_t& dataSize);
  [[nodiscard]] bool readData(void* destination, uint32_t byteCount);
  uint32_t factSampleCount() const { return factSampleCount_; }
  void close();

  bool isOpen() const { return file_ != nullptr; }
  const ChunkInfo& riffChunk() const { return riffChunk_; }
  // The format block (18 + extra size bytes) once readFormat has succeeded.
  std::span<const uint8_t> formatBlock() const { return format_; }
  // Bytes between the current position and the end of the file.
  uint64_t bytesLeft();

 private:
  bool descendRiff();
  // Searches forward from the current position for a chunk inside parent.
  bool findChunk(uint32_t id, const ChunkInfo& parent, ChunkInfo& found, uint32_t& code);
  bool ascend(const ChunkInfo& chunk);
  void report(int line, uint32_t code);

  SoundFiles files_;
  std::unique_ptr<platform::File> file_;
  std::vector<uint8_t> memoryImage_;
  ChunkInfo riffChunk_;
  std::vector<uint8_t> format_;
  bool formatRead_ = false;
  uint32_t factSampleCount_ = 0;
};

}  // namespace kobre
