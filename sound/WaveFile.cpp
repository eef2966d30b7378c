#include "sound/WaveFile.h"

#include "common/ByteReader.h"
#include "common/ByteWriter.h"
#include "sound/SoundErrors.h"
#include "storage/ArchiveFile.h"
#include "storage/FileHandle.h"

namespace kobre {

namespace {

constexpr const char* kUnit = "Wave.cpp";
// Line numbers the boxes show, fixed so that box texts stay the same from
// release to release (game makers' tests compare them).
constexpr int kLineOpen1 = 90;
constexpr int kLineOpen2 = 98;
constexpr int kLineDescendRiff1 = 115;
constexpr int kLineDescendRiff2 = 123;
constexpr int kLineReadFormat1 = 166;
constexpr int kLineReadFormat2 = 174;
constexpr int kLineReadFormat3 = 178;
constexpr int kLineReadFormat4 = 184;
constexpr int kLineReadFormat5 = 193;
constexpr int kLineReadFormat6 = 197;
constexpr int kLineReadFormat7 = 206;
constexpr int kLineReadFormat8 = 211;
constexpr int kLineFindData1 = 230;
constexpr int kLineFindData2 = 234;
constexpr int kLineFindData3 = 240;
constexpr int kLineReadData1 = 249;
constexpr int kLineReadData2 = 255;

bool readExact(platform::File& file, void* buffer, uint64_t count) {
  return file.read(buffer, static_cast<int64_t>(count)) == static_cast<int64_t>(count);
}

}  // namespace

WaveFormat WaveFormat::parse(const uint8_t* b) {
  ByteReader r(std::span<const uint8_t>(b, kWaveFormatExSize));
  WaveFormat f;
  f.formatTag = r.le16();
  f.channels = r.le16();
  f.samplesPerSec = r.le32();
  f.avgBytesPerSec = r.le32();
  f.blockAlign = r.le16();
  f.bitsPerSample = r.le16();
  f.extraSize = r.le16();
  return f;
}

void WaveFormat::store(uint8_t* b) const {
  std::vector<uint8_t> image;
  image.reserve(kWaveFormatExSize);
  ByteWriter w(image);
  w.le16(formatTag);
  w.le16(channels);
  w.le32(samplesPerSec);
  w.le32(avgBytesPerSec);
  w.le16(blockAlign);
  w.le16(bitsPerSample);
  w.le16(extraSize);
  std::memcpy(b, image.data(), kWaveFormatExSize);
}

void WaveFile::report(int line, uint32_t code) {
  reportMultimediaError(files_.host, kUnit, line, code);
}

void WaveFile::close() {
  file_.reset();
  memoryImage_.clear();
  memoryImage_.shrink_to_fit();
  format_.clear();
  formatRead_ = false;
  factSampleCount_ = 0;
  riffChunk_ = ChunkInfo{};
}

uint64_t WaveFile::bytesLeft() {
  if (!file_) return 0;
  int64_t size = file_->size(), at = file_->tell();
  return size > at && at >= 0 ? static_cast<uint64_t>(size - at) : 0;
}

bool WaveFile::open(std::string_view name) {
  close();
  // Loose file first, then the archive; neither: a quiet refusal.
  bool loose = false;
  if (files_.files) {
    FileHandle probe(files_.files);
    loose = probe.openRead(name);
  }
  if (!loose && !(files_.archive && files_.archive->find(name))) return false;

  if (loose) file_ = files_.files->openRead(name);
  if (!file_) {
    // The archive entry, as one block in memory.
    if (!files_.archive || !files_.archive->find(name)) {
      report(kLineOpen1, kMmsysErrError);
      return false;
    }
    uint32_t size = files_.archive->size();
    memoryImage_.resize(size);
    if (files_.archive->read(memoryImage_.data(), size) != size) {
      // The index promised more than the archive holds.
      memoryImage_.clear();
      report(kLineOpen2, kMmsysErrError);
      return false;
    }
    file_ = std::make_unique<MemoryFile>(memoryImage_);
  }
  return descendRiff();
}

bool WaveFile::openMemory(std::span<const uint8_t> bytes) {
  close();
  file_ = std::make_unique<MemoryFile>(bytes);
  return descendRiff();
}

bool WaveFile::descendRiff() {
  uint8_t head[12];
  if (!file_->seek(0) || !readExact(*file_, head, 8)) {
    report(kLineDescendRiff1, kMmioErrChunkNotFound);
    return false;
  }
  ByteReader r(head);
  riffChunk_.id = r.le32();
  riffChunk_.size = r.le32();
  riffChunk_.dataOffset = 8;
  if (riffChunk_.id != fourCc("RIFF") || !readExact(*file_, head + 8, 4) ||
      r.le32() != fourCc("WAVE")) {
    report(kLineDescendRiff2, kMmsysErrError);
    return false;
  }
  riffChunk_.formType = fourCc("WAVE");
  return true;
}

bool WaveFile::findChunk(uint32_t id, const ChunkInfo& parent, ChunkInfo& found, uint32_t& code) {
  uint64_t end = parent.dataOffset + parent.size;
  int64_t at = file_->tell();
  if (at < 0) {
    code = kMmioErrCannotSeek;
    return false;
  }
  uint64_t pos = static_cast<uint64_t>(at);
  while (pos + 8 <= end) {
    uint8_t head[8];
    if (!file_->seek(static_cast<int64_t>(pos)) || !readExact(*file_, head, 8)) break;
    ByteReader r(head);
    uint32_t chunkId = r.le32();
    uint32_t size = r.le32();
    if (chunkId == id) {
      found.id = chunkId;
      found.size = size;
      found.formType = 0;
      found.dataOffset = pos + 8;
      return true;
    }
    pos += 8 + static_cast<uint64_t>(size) + (size & 1);
  }
  code = kMmioErrChunkNotFound;
  return false;
}

bool WaveFile::ascend(const ChunkInfo& chunk) {
  uint64_t end = chunk.dataOffset + chunk.size + (chunk.size & 1);
  // Past the end of the file the next search simply finds nothing.
  int64_t size = file_->size();
  if (size >= 0 && end > static_cast<uint64_t>(size)) end = static_cast<uint64_t>(size);
  return file_->seek(static_cast<int64_t>(end));
}

bool WaveFile::readFormat(void* destination, size_t byteCount) {
  if (!file_) {
    report(kLineReadFormat1, kMmsysErrError);
    return false;
  }
  if (!formatRead_) {
    uint32_t code = 0;
    ChunkInfo fmt;
    if (!file_->seek(static_cast<int64_t>(riffChunk_.dataOffset + 4)) ||
        !findChunk(fourCc("fmt "), riffChunk_, fmt, code)) {
      report(kLineReadFormat2, code ? code : kMmioErrCannotSeek);
      return false;
    }
    if (fmt.size < 16) {
      report(kLineReadFormat3, kMmsysErrError);
      return false;
    }
    uint8_t header[kWaveFormatExSize] = {};
    size_t headerBytes = fmt.size < 18 ? 16 : 18;
    if (!readExact(*file_, header, headerBytes)) {
      report(kLineReadFormat4, kMmsysErrError);
      return false;
    }
    WaveFormat wf = WaveFormat::parse(header);
    if (fmt.size < 18) wf.extraSize = 0;
    wf.store(header);
    std::vector<uint8_t> block(kWaveFormatExSize + wf.extraSize);
    std::memcpy(block.data(), header, kWaveFormatExSize);
    if (wf.extraSize > 0 && !readExact(*file_, block.data() + kWaveFormatExSize, wf.extraSize)) {
      report(kLineReadFormat5, kMmsysErrError);
      return false;
    }
    if (!ascend(fmt)) {
      report(kLineReadFormat6, kMmioErrCannotSeek);
      return false;
    }
    // 'fact' is looked for after 'fmt ' only.
    ChunkInfo fact;
    uint32_t factSamples = 0;
    if (findChunk(fourCc("fact"), riffChunk_, fact, code)) {
      uint8_t count[4];
      if (fact.size != 4 || !readExact(*file_, count, 4)) {
        report(kLineReadFormat7, kMmsysErrError);
        return false;
      }
      factSamples = loadLe32(count);
      if (!ascend(fact)) {
        report(kLineReadFormat8, kMmioErrCannotSeek);
        return false;
      }
    }
    format_ = std::move(block);
    factSampleCount_ = factSamples;
    formatRead_ = true;
  }
  if (destination && byteCount > 0) {
    // Asking for more than the block holds gives zeros after it.
    size_t n = std::min(byteCount, format_.size());
    std::memcpy(destination, format_.data(), n);
    if (byteCount > n) std::memset(static_cast<uint8_t*>(destination) + n, 0, byteCount - n);
  }
  return true;
}

bool WaveFile::findData(uint32_t& dataSize) {
  if (!file_) {
    report(kLineFindData1, kMmsysErrError);
    return false;
  }
  if (!file_->seek(static_cast<int64_t>(riffChunk_.dataOffset + 4))) {
    report(kLineFindData2, kMmsysErrError);
    return false;
  }
  ChunkInfo data;
  uint32_t code = 0;
  if (!findChunk(fourCc("data"), riffChunk_, data, code)) {
    report(kLineFindData3, code);
    return false;
  }
  dataSize = data.size;
  return true;
}

bool WaveFile::readData(void* destination, uint32_t byteCount) {
  if (!file_) {
    report(kLineReadData1, kMmsysErrError);
    return false;
  }
  if (byteCount == 0) return true;
  if (!destination || !readExact(*file_, destination, byteCount)) {
    // The data ended before the count.
    report(kLineReadData2, kMmsysErrError);
    return false;
  }
  return true;
}

}  // namespace kobre
