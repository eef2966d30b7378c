#include "tools/writers/WavWriter.h"

#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstring>

#include "common/ByteWriter.h"
#include "sound/WaveRecording.h"

namespace kobre::writers {

namespace {

void putId(std::vector<uint8_t>& out, const char* id) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(id[i]));
}

}  // namespace

std::vector<uint8_t> writeRiffWave(const std::vector<WaveChunk>& chunks,
                                   std::optional<uint32_t> riffSize, const char* riffId,
                                   const char* formType) {
  std::vector<uint8_t> body;
  ByteWriter bodyW(body);
  putId(body, formType);
  for (const WaveChunk& c : chunks) {
    std::string id = c.id;
    id.resize(4, ' ');
    putId(body, id.c_str());
    bodyW.le32(c.declaredSize.value_or(static_cast<uint32_t>(c.body.size())));
    body.insert(body.end(), c.body.begin(), c.body.end());
    if (c.body.size() & 1) body.push_back(0);
  }
  std::vector<uint8_t> out;
  ByteWriter w(out);
  putId(out, riffId);
  w.le32(riffSize.value_or(static_cast<uint32_t>(body.size())));
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

std::vector<uint8_t> waveFormatBlock(uint16_t tag, uint16_t channels, uint32_t rate,
                                     uint32_t avgBytesPerSec, uint16_t blockAlign,
                                     uint16_t bitsPerSample, std::span<const uint8_t> extra) {
  std::vector<uint8_t> out;
  ByteWriter w(out);
  w.le16(tag);
  w.le16(channels);
  w.le32(rate);
  w.le32(avgBytesPerSec);
  w.le16(blockAlign);
  w.le16(bitsPerSample);
  w.le16(static_cast<uint16_t>(extra.size()));
  out.insert(out.end(), extra.begin(), extra.end());
  return out;
}

std::vector<uint8_t> writePcmWave(std::span<const int16_t> samples, int rate, int channels) {
  return makePcmWaveBytes(samples, rate, channels);
}

std::vector<uint8_t> writePcm8Wave(std::span<const uint8_t> samples, int rate, int channels) {
  std::vector<uint8_t> fmt =
      waveFormatBlock(1, static_cast<uint16_t>(channels), static_cast<uint32_t>(rate),
                      static_cast<uint32_t>(rate * channels), static_cast<uint16_t>(channels), 8);
  fmt.resize(16);
  return writeRiffWave({{"fmt ", fmt, {}}, {"data", {samples.begin(), samples.end()}, {}}});
}

std::vector<uint8_t> encodeOggVorbis(std::span<const int16_t> samples, int rate, int channels,
                                     float quality) {
  std::vector<uint8_t> out;
  vorbis_info vi;
  vorbis_info_init(&vi);
  if (vorbis_encode_init_vbr(&vi, channels, rate, quality) != 0) {
    vorbis_info_clear(&vi);
    return out;
  }
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_dsp_state vd;
  vorbis_block vb;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, 0x4B4F4252);  // fixed serial: output is reproducible
  ogg_packet header, comments, codebooks;
  vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
  ogg_stream_packetin(&os, &header);
  ogg_stream_packetin(&os, &comments);
  ogg_stream_packetin(&os, &codebooks);
  ogg_page page;
  auto putPage = [&] {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
  };
  while (ogg_stream_flush(&os, &page) != 0) putPage();

  size_t frames = samples.size() / static_cast<size_t>(channels);
  size_t at = 0;
  bool eos = false;
  while (!eos) {
    size_t n = std::min<size_t>(1024, frames - at);
    if (n == 0) {
      vorbis_analysis_wrote(&vd, 0);
    } else {
      float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(n));
      for (size_t i = 0; i < n; ++i)
        for (int c = 0; c < channels; ++c)
          buffer[c][i] = samples[(at + i) * static_cast<size_t>(channels) + c] / 32768.0f;
      vorbis_analysis_wrote(&vd, static_cast<int>(n));
      at += n;
    }
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&vd, &packet)) {
        ogg_stream_packetin(&os, &packet);
        while (ogg_stream_pageout(&os, &page) != 0) {
          putPage();
          if (ogg_page_eos(&page)) eos = true;
        }
      }
    }
  }
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return out;
}

std::vector<uint8_t> writeVorbisWave(std::span<const int16_t> samples, int rate, int channels,
                                     float quality, uint16_t formatTag,
                                     std::optional<uint32_t> factCount) {
  std::vector<uint8_t> ogg = encodeOggVorbis(samples, rate, channels, quality);
  auto frames = static_cast<uint32_t>(samples.size() / static_cast<size_t>(channels));
  // The average rate the stream really has, as an encoder would state it.
  uint32_t avg =
      frames ? static_cast<uint32_t>(static_cast<uint64_t>(ogg.size()) * rate / frames) : 0;
  std::vector<uint8_t> fmt = waveFormatBlock(formatTag, static_cast<uint16_t>(channels),
                                             static_cast<uint32_t>(rate), avg, 1, 16);
  std::vector<uint8_t> fact;
  uint32_t count = factCount.value_or(frames);
  for (int i = 0; i < 4; ++i) fact.push_back(static_cast<uint8_t>(count >> (8 * i)));
  return writeRiffWave({{"fmt ", fmt, {}}, {"fact", fact, {}}, {"data", ogg, {}}});
}

std::vector<int16_t> makeSineWave(int frames, int rate, int channels, double hz, double amplitude) {
  std::vector<int16_t> out(static_cast<size_t>(frames) * static_cast<size_t>(channels));
  for (int i = 0; i < frames; ++i) {
    for (int c = 0; c < channels; ++c) {
      double f = hz * (1.0 + 0.5 * c);  // each channel its own pitch
      out[static_cast<size_t>(i) * channels + c] =
          static_cast<int16_t>(std::lround(amplitude * std::sin(2 * M_PI * f * i / rate)));
    }
  }
  return out;
}

}  // namespace kobre::writers
