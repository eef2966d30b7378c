#include "tools/mkgame/SoundRecipe.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "tools/writers/WavWriter.h"

namespace kobre::mkgame {

namespace {

constexpr double kPi = 3.14159265358979323846;

std::string where(const RecipeBlock& b, const RecipeLine& l) {
  return b.file + ":" + std::to_string(l.number) + ": ";
}

bool parseNumber(const std::string& s, double& v) {
  if (s.empty()) return false;
  char* end = nullptr;
  v = std::strtod(s.c_str(), &end);
  return end == s.c_str() + s.size() && std::isfinite(v);
}

enum class Wave { Sine, Square, Triangle, Saw };

double oscillate(Wave w, double phase) {  // phase in cycles
  const double t = phase - std::floor(phase);
  switch (w) {
    case Wave::Sine:
      return std::sin(2 * kPi * t);
    case Wave::Square:
      return t < 0.5 ? 0.6 : -0.6;
    case Wave::Triangle:
      return t < 0.5 ? 4 * t - 1 : 3 - 4 * t;
    case Wave::Saw:
      return 0.7 * (2 * t - 1);
  }
  return 0;
}

// A mono or stereo float mix that grows as sounds are written into it.
class Mix {
 public:
  Mix(int rate, int channels) : rate_(rate), channels_(channels) {}
  size_t frames() const { return data_.size() / channels_; }
  size_t frameAt(double ms) const { return static_cast<size_t>(ms * rate_ / 1000.0 + 0.5); }
  void ensure(size_t frames) {
    if (data_.size() < frames * channels_) data_.resize(frames * channels_, 0.0f);
  }
  void add(size_t frame, double v, double pan) {
    ensure(frame + 1);
    if (channels_ == 1) {
      data_[frame] += static_cast<float>(v);
    } else {
      const double l = pan <= 0 ? 1.0 : 1.0 - pan, r = pan >= 0 ? 1.0 : 1.0 + pan;
      data_[frame * 2] += static_cast<float>(v * l);
      data_[frame * 2 + 1] += static_cast<float>(v * r);
    }
  }
  void repeat(int n) {
    const std::vector<float> once = data_;
    for (int i = 1; i < n; ++i) data_.insert(data_.end(), once.begin(), once.end());
  }
  void setLength(size_t frames) { data_.resize(frames * channels_, 0.0f); }
  std::vector<int16_t> toPcm() const {
    std::vector<int16_t> out(data_.size());
    for (size_t i = 0; i < data_.size(); ++i) {
      const double v = std::clamp(static_cast<double>(data_[i]), -1.0, 1.0);
      out[i] = static_cast<int16_t>(std::lround(v * 30000.0));
    }
    return out;
  }
  int rate() const { return rate_; }

 private:
  int rate_;
  size_t channels_;
  std::vector<float> data_;
};

struct Voice {
  Wave wave = Wave::Sine;
  double volume = 0.5;
  double pan = 0;
};

// Short attack and release so that notes start and end without clicks.
double envelope(size_t i, size_t n, int rate) {
  const double attack = 0.005 * rate, release = 0.03 * rate;
  double e = 1.0;
  if (i < attack) e = i / attack;
  const double left = static_cast<double>(n - i);
  if (left < release) e = std::min(e, left / release);
  return e;
}

void writeTones(Mix& mix, const Voice& v, double startMs, double ms,
                const std::vector<double>& freqs, double endFreqRatio = 1.0) {
  const size_t start = mix.frameAt(startMs), n = mix.frameAt(ms);
  if (freqs.empty()) return;
  const double gain = v.volume / std::sqrt(static_cast<double>(freqs.size()));
  for (double f0 : freqs) {
    double phase = 0;
    for (size_t i = 0; i < n; ++i) {
      const double ratio = 1.0 + (endFreqRatio - 1.0) * (static_cast<double>(i) / n);
      phase += f0 * ratio / mix.rate();
      mix.add(start + i, gain * envelope(i, n, mix.rate()) * oscillate(v.wave, phase), v.pan);
    }
  }
}

uint32_t nextRandom(uint32_t& s) {
  s = s * 1664525u + 1013904223u;
  return s >> 8;
}

bool parseNotes(const std::vector<std::string>& words, size_t first,
                std::vector<std::pair<std::vector<int>, double>>& notes, std::string& error) {
  for (size_t i = first; i < words.size(); ++i) {
    const std::string& w = words[i];
    const size_t colon = w.find(':');
    double beats = 1;
    std::string pitch = w;
    if (colon != std::string::npos) {
      pitch = w.substr(0, colon);
      if (!parseNumber(w.substr(colon + 1), beats) || beats <= 0 || beats > 64) {
        error = "bad note length in \"" + w + "\"";
        return false;
      }
    }
    std::vector<int> keys;
    if (pitch != "R") {
      size_t start = 0;
      for (;;) {
        const size_t plus = pitch.find('+', start);
        int key = 0;
        if (!noteKey(pitch.substr(start, plus - start), key)) {
          error = "bad note \"" + w + "\"";
          return false;
        }
        keys.push_back(key);
        if (plus == std::string::npos) break;
        start = plus + 1;
      }
    }
    notes.emplace_back(keys, beats);
  }
  return true;
}

double keyHz(int key) {
  return 440.0 * std::pow(2.0, (key - 69) / 12.0);
}

}  // namespace

bool noteKey(const std::string& name, int& key) {
  static const std::map<char, int> base = {{'C', 0}, {'D', 2}, {'E', 4}, {'F', 5},
                                           {'G', 7}, {'A', 9}, {'B', 11}};
  if (name.size() < 2) return false;
  auto it = base.find(name[0]);
  if (it == base.end()) return false;
  size_t i = 1;
  int k = it->second;
  if (name[i] == '#') {
    ++k;
    ++i;
  } else if (name[i] == 'b') {
    --k;
    ++i;
  }
  if (i + 1 != name.size() || name[i] < '0' || name[i] > '8') return false;
  key = (name[i] - '0' + 1) * 12 + k;
  return key >= 0 && key <= 127;
}

bool parseSoundSpec(const RecipeBlock& block, SoundSpec& spec, std::string& error) {
  const std::vector<std::string>& w = block.header.words;
  const std::string at = where(block, block.header);
  if (w.size() < 2 || w[0] != "sound") {
    error = at + "expected \"sound NAME [options]\"";
    return false;
  }
  spec = SoundSpec{};
  spec.block = block;
  spec.name = w[1];
  const size_t slash = spec.name.find_last_of("\\/");
  if (slash != std::string::npos) spec.name = spec.name.substr(slash + 1);
  for (size_t i = 2; i < w.size(); ++i) {
    double v = 0;
    if (w[i] == "vorbis") {
      spec.vorbis = true;
    } else if (w[i] == "stereo") {
      spec.channels = 2;
    } else if (w[i] == "supplement") {
      spec.supplement = true;
    } else if (w[i] == "rate" && i + 1 < w.size() && parseNumber(w[i + 1], v) && v >= 8000 &&
               v <= 48000) {
      spec.rate = static_cast<int>(v);
      ++i;
    } else {
      error = at + "unknown option \"" + w[i] + "\"";
      return false;
    }
  }
  return true;
}

bool synthesizeSound(const SoundSpec& spec, std::vector<int16_t>& samples, std::string& error) {
  Mix mix(spec.rate, spec.channels);
  Voice v;
  double cursor = 0;
  for (const RecipeLine& line : spec.block.body) {
    const std::vector<std::string>& w = line.words;
    const std::string& op = w[0];
    auto fail = [&](const std::string& what) {
      error = where(spec.block, line) + what;
      return false;
    };
    std::vector<double> a;
    for (size_t i = 1; i < w.size(); ++i) {
      double d = 0;
      a.push_back(parseNumber(w[i], d) ? d : NAN);
    }
    auto args = [&](size_t n) {
      if (a.size() < n) return false;
      for (size_t i = 0; i < n; ++i)
        if (!std::isfinite(a[i]) || a[i] < -100000 || a[i] > 600000) return false;
      return true;
    };
    if (op == "wave") {
      if (w.size() < 2) return fail("\"wave\" needs a timbre");
      if (w[1] == "sine") {
        v.wave = Wave::Sine;
      } else if (w[1] == "square") {
        v.wave = Wave::Square;
      } else if (w[1] == "triangle") {
        v.wave = Wave::Triangle;
      } else if (w[1] == "saw") {
        v.wave = Wave::Saw;
      } else {
        return fail("unknown timbre \"" + w[1] + "\"");
      }
    } else if (op == "volume") {
      if (!args(1)) return fail("\"volume\" needs a percentage");
      v.volume = std::clamp(a[0], 0.0, 100.0) / 100.0;
    } else if (op == "pan") {
      if (!args(1)) return fail("\"pan\" needs a percentage");
      v.pan = std::clamp(a[0], -100.0, 100.0) / 100.0;
    } else if (op == "at") {
      if (!args(1) || a[0] < 0) return fail("\"at\" needs a time");
      cursor = a[0];
    } else if (op == "rest") {
      if (!args(1) || a[0] < 0) return fail("\"rest\" needs a time");
      cursor += a[0];
      mix.ensure(mix.frameAt(cursor));
    } else if (op == "tone") {
      if (!args(2) || a[1] < 0) return fail("\"tone\" needs HZ MS");
      writeTones(mix, v, cursor, a[1], {a[0]});
      cursor += a[1];
    } else if (op == "sweep") {
      if (!args(3) || a[0] <= 0 || a[2] < 0) return fail("\"sweep\" needs HZ1 HZ2 MS");
      writeTones(mix, v, cursor, a[2], {a[0]}, a[1] / a[0]);
      cursor += a[2];
    } else if (op == "chord") {
      if (w.size() < 3 || !std::isfinite(a[1]) || a[1] < 0)
        return fail("\"chord\" needs HZ,... MS");
      std::vector<double> freqs;
      size_t start = 0;
      for (;;) {
        const size_t comma = w[1].find(',', start);
        double f = 0;
        if (!parseNumber(w[1].substr(start, comma - start), f) || f <= 0)
          return fail("bad chord \"" + w[1] + "\"");
        freqs.push_back(f);
        if (comma == std::string::npos) break;
        start = comma + 1;
      }
      writeTones(mix, v, cursor, a[1], freqs);
      cursor += a[1];
    } else if (op == "noise") {
      if (!args(1) || a[0] < 0) return fail("\"noise\" needs a time");
      const size_t start = mix.frameAt(cursor), n = mix.frameAt(a[0]);
      uint32_t s = static_cast<uint32_t>(line.number) * 7919u + 17u;
      double lp = 0;
      for (size_t i = 0; i < n; ++i) {
        const double white = (nextRandom(s) % 20001) / 10000.0 - 1.0;
        lp += 0.35 * (white - lp);
        const double decay = 1.0 - static_cast<double>(i) / n;
        mix.add(start + i, v.volume * decay * decay * lp * 1.6, v.pan);
      }
      cursor += a[0];
    } else if (op == "melody") {
      if (!args(1) || a[0] <= 0) return fail("\"melody\" needs a tempo");
      std::vector<std::pair<std::vector<int>, double>> notes;
      std::string why;
      if (!parseNotes(w, 2, notes, why)) return fail(why);
      const double beatMs = 60000.0 / a[0];
      for (const auto& [keys, beats] : notes) {
        std::vector<double> freqs;
        for (int k : keys) freqs.push_back(keyHz(k));
        writeTones(mix, v, cursor, beats * beatMs * 0.95, freqs);
        cursor += beats * beatMs;
      }
      mix.ensure(mix.frameAt(cursor));
    } else if (op == "voice") {
      if (!args(2) || a[0] < 1 || a[0] > 200 || a[1] <= 0)
        return fail("\"voice\" needs SYLLABLES HZ");
      uint32_t s = static_cast<uint32_t>(a.size() > 2 && std::isfinite(a[2]) ? a[2] : 1) + 99u;
      const Voice saved = v;
      for (int i = 0; i < static_cast<int>(a[0]); ++i) {
        const double ms = 90 + nextRandom(s) % 70;
        const double pitch = a[1] * (0.85 + (nextRandom(s) % 30) / 100.0);
        v.wave = Wave::Triangle;
        writeTones(mix, v, cursor, ms, {pitch, pitch * 2.01}, 0.92);
        cursor += ms + 25 + nextRandom(s) % 30;
      }
      v = saved;
      mix.ensure(mix.frameAt(cursor));
    } else if (op == "repeat") {
      if (!args(1) || a[0] < 1 || a[0] > 64) return fail("\"repeat\" needs a count");
      mix.repeat(static_cast<int>(a[0]));
      cursor = static_cast<double>(mix.frames()) * 1000.0 / spec.rate;
    } else if (op == "length") {
      if (!args(1) || a[0] < 0) return fail("\"length\" needs a time");
      mix.setLength(mix.frameAt(a[0]));
    } else {
      return fail("unknown command \"" + op + "\"");
    }
  }
  if (mix.frames() == 0) mix.ensure(1);
  samples = mix.toPcm();
  return true;
}

std::vector<uint8_t> encodeSound(const SoundSpec& spec, const std::vector<int16_t>& samples) {
  return spec.vorbis ? writers::writeVorbisWave(samples, spec.rate, spec.channels, 0.2f)
                     : writers::writePcmWave(samples, spec.rate, spec.channels);
}

bool buildMidi(const RecipeBlock& block, std::vector<uint8_t>& out, std::string& error) {
  constexpr int kTicks = 480;
  struct Event {
    uint32_t tick;
    int order;  // note-offs before note-ons at the same tick
    std::vector<uint8_t> bytes;
  };
  std::vector<Event> events;
  double bpm = 120;
  int channel = 0;
  int order = 0;
  for (const RecipeLine& line : block.body) {
    const std::vector<std::string>& w = line.words;
    auto fail = [&](const std::string& what) {
      error = where(block, line) + what;
      return false;
    };
    double a = 0, b = 0;
    if (w[0] == "tempo") {
      if (w.size() < 2 || !parseNumber(w[1], a) || a < 20 || a > 400)
        return fail("\"tempo\" needs a tempo (20-400)");
      bpm = a;
    } else if (w[0] == "channel") {
      if (w.size() < 3 || !parseNumber(w[1], a) || !parseNumber(w[2], b) || a < 0 || a > 15 ||
          b < 0 || b > 127)
        return fail("\"channel\" needs CHANNEL PROGRAM");
      channel = static_cast<int>(a);
      events.push_back(
          {0,
           order++,
           {static_cast<uint8_t>(0xC0 | channel), static_cast<uint8_t>(static_cast<int>(b))}});
    } else if (w[0] == "notes") {
      std::vector<std::pair<std::vector<int>, double>> notes;
      std::string why;
      if (!parseNotes(w, 1, notes, why)) return fail(why);
      double tick = 0;
      for (const auto& [keys, beats] : notes) {
        const uint32_t on = static_cast<uint32_t>(tick);
        const uint32_t off = static_cast<uint32_t>(tick + beats * kTicks * 0.95);
        for (int k : keys) {
          events.push_back({on,
                            1000000 + order++,
                            {static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(k), 96}});
          events.push_back(
              {off, order++, {static_cast<uint8_t>(0x80 | channel), static_cast<uint8_t>(k), 0}});
        }
        tick += beats * kTicks;
      }
    } else {
      return fail("unknown command \"" + w[0] + "\"");
    }
  }
  std::stable_sort(events.begin(), events.end(), [](const Event& x, const Event& y) {
    return x.tick != y.tick ? x.tick < y.tick : x.order < y.order;
  });
  std::vector<uint8_t> track;
  auto varLen = [&](uint32_t v) {
    uint8_t buf[5];
    int n = 0;
    buf[n++] = v & 0x7F;
    while ((v >>= 7) != 0) buf[n++] = static_cast<uint8_t>(0x80 | (v & 0x7F));
    while (n > 0) track.push_back(buf[--n]);
  };
  const uint32_t tempo = static_cast<uint32_t>(60000000.0 / bpm);
  varLen(0);
  track.insert(track.end(), {0xFF, 0x51, 0x03, static_cast<uint8_t>(tempo >> 16),
                             static_cast<uint8_t>(tempo >> 8), static_cast<uint8_t>(tempo)});
  uint32_t last = 0;
  for (const Event& e : events) {
    varLen(e.tick - last);
    last = e.tick;
    track.insert(track.end(), e.bytes.begin(), e.bytes.end());
  }
  varLen(0);
  track.insert(track.end(), {0xFF, 0x2F, 0x00});
  out = {'M', 'T', 'h',         'd',           0,   0,   0,   6,  0, 0,
         0,   1,   kTicks >> 8, kTicks & 0xFF, 'M', 'T', 'r', 'k'};
  const uint32_t n = static_cast<uint32_t>(track.size());
  out.insert(out.end(), {static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16),
                         static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)});
  out.insert(out.end(), track.begin(), track.end());
  return true;
}

}  // namespace kobre::mkgame
