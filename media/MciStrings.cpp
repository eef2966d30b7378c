#include "media/MciStrings.h"

#include <algorithm>

#include "common/AsciiCase.h"
#include "common/Buttons.h"
#include "media/MciErrors.h"
#include "media/MidiFile.h"
#include "media/MidiSynth.h"
#include "media/MovieDecoder.h"
#include "sound/SoundBuffer.h"
#include "sound/SoundDevice.h"
#include "sound/SoundMixer.h"

namespace kobre {

namespace {

constexpr uint64_t kMaxMovieBytes = UINT64_C(1) << 30;
constexpr uint64_t kMaxMidiBytes = UINT64_C(16) << 20;
constexpr uint64_t kMaxMovieSoundFrames = UINT64_C(48000) * 60 * 30;  // half an hour

// Splits a command into words at spaces and tabs; "double quotes" group a
// word with spaces. False for a quote that is not closed.
bool splitWords(std::string_view text, std::vector<std::string>& words) {
  words.clear();
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i >= text.size()) break;
    std::string word;
    if (text[i] == '"') {
      const size_t end = text.find('"', i + 1);
      if (end == std::string_view::npos) return false;
      word.assign(text.substr(i + 1, end - i - 1));
      i = end + 1;
    } else {
      while (i < text.size() && text[i] != ' ' && text[i] != '\t') word += text[i++];
    }
    words.push_back(std::move(word));
  }
  return true;
}

bool is(const std::string& word, std::string_view keyword) {
  return equalsIgnoreAsciiCase(word, keyword);
}

bool parseInt(const std::string& word, int64_t lo, int64_t hi, int64_t& value) {
  if (word.empty() || word.size() > 12) return false;
  size_t i = word[0] == '-' ? 1 : 0;
  if (i == word.size()) return false;
  int64_t v = 0;
  for (; i < word.size(); ++i) {
    if (word[i] < '0' || word[i] > '9') return false;
    v = v * 10 + (word[i] - '0');
  }
  if (word[0] == '-') v = -v;
  if (v < lo || v > hi) return false;
  value = v;
  return true;
}

enum class Kind { Movie, Sequencer };

bool kindOfExtension(std::string_view name, Kind& kind) {
  for (std::string_view e : {".mid", ".midi", ".rmi"})
    if (endsWithIgnoreAsciiCase(name, e)) {
      kind = Kind::Sequencer;
      return true;
    }
  for (std::string_view e : {".mpg", ".mpeg", ".mpe", ".m1v", ".avi", ".mp4", ".mkv"})
    if (endsWithIgnoreAsciiCase(name, e)) {
      kind = Kind::Movie;
      return true;
    }
  return false;
}

}  // namespace

std::vector<std::string> defaultSoundFonts() {
  return {"/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/sounds/sf2/default-GM.sf2",
          "/usr/share/sounds/sf2/FluidR3_GM.sf2"};
}

struct MciStrings::Device {
  Kind kind = Kind::Movie;
  std::string name;  // the device's name (alias or file) as opened
  uint32_t id = 0;
  bool playing = false;
  bool notify = false;   // a notification waits for the end of this play
  bool started = false;  // played before (a new play rewinds)

  // Movie.
  MovieDecoder movie;
  MixerVoice sound;
  bool hasSound = false;
  bool voiceAdded = false;
  int64_t windowHandle = 0;
  int destX = 0, destY = 0, destW = 0, destH = 0;
  uint32_t startTick = 0;
  bool framePending = false;  // the decoder holds a frame not shown yet
  bool decoderDone = false;
  int64_t endMs = 0;  // end of the last frame decoded so far
  std::vector<uint32_t> scaled;
  std::vector<uint32_t> canvas;

  // Sequencer.
  MidiSong song;
};

MciStrings::MciStrings(MciSetup setup) : setup_(std::move(setup)) {
  if (setup_.soundFonts.empty()) setup_.soundFonts = defaultSoundFonts();
}

MciStrings::~MciStrings() {
  closeAll();
  if (synth_ && setup_.sound != nullptr) {
    SoundLock lock(setup_.sound);
    setup_.sound->mixer().removeSource(synth_.get());
  }
}

std::string MciStrings::errorText(uint32_t code) {
  return std::string(mci::errorText(code));
}

MciStrings::Device* MciStrings::find(std::string_view name) {
  for (auto& d : devices_)
    if (equalsIgnoreAsciiCaseSjis(d->name, name)) return d.get();
  return nullptr;
}

float MciStrings::musicGain() const {
  const int volume = setup_.musicVolume ? setup_.musicVolume() : 100;
  return volumeGain(volumeToHundredthsDb(volume));
}

uint32_t MciStrings::sendString(std::string_view command, std::string* reply, bool notify) {
  if (reply != nullptr) reply->clear();
  std::vector<std::string> words;
  if (!splitWords(command, words)) return mci::kErrNoClosingQuote;
  if (words.empty()) return mci::kErrMissingCommandString;
  const std::string& verb = words[0];
  if (is(verb, "open")) return open(words, reply);
  const bool known = is(verb, "close") || is(verb, "play") || is(verb, "put") ||
                     is(verb, "window") || is(verb, "stop") || is(verb, "status");
  if (!known) return mci::kErrUnrecognizedCommand;
  if (words.size() < 2) return mci::kErrMissingParameter;
  if (is(verb, "close") && is(words[1], "all")) {
    closeAll();
    return 0;
  }
  Device* d = find(words[1]);
  if (d == nullptr) return mci::kErrInvalidDeviceName;
  if (is(verb, "close")) {
    close(*d);
    return 0;
  }
  if (is(verb, "play")) return play(*d, words, notify);
  if (is(verb, "stop")) {
    if (words.size() > 2) return mci::kErrUnrecognizedKeyword;
    stopDevice(*d);
    return 0;
  }
  if (is(verb, "status")) return status(*d, words, reply);
  if (d->kind != Kind::Movie) return mci::kErrUnsupportedFunction;
  if (is(verb, "put")) return put(*d, words);
  return window(*d, words);
}

uint32_t MciStrings::open(const std::vector<std::string>& words, std::string* reply) {
  if (words.size() < 2) return mci::kErrMissingParameter;
  const std::string& file = words[1];
  std::string alias = file;
  Kind kind = Kind::Movie;
  bool typed = false;
  for (size_t i = 2; i < words.size(); ++i) {
    if (is(words[i], "type") || is(words[i], "alias")) {
      if (i + 1 >= words.size()) return mci::kErrMissingParameter;
      const std::string& value = words[++i];
      if (is(words[i - 1], "alias")) {
        alias = value;
      } else if (is(value, "mpegvideo")) {
        kind = Kind::Movie;
        typed = true;
      } else if (is(value, "sequencer")) {
        kind = Kind::Sequencer;
        typed = true;
      } else {
        return mci::kErrInvalidDeviceName;
      }
    } else if (!is(words[i], "shareable") && !is(words[i], "wait")) {
      return mci::kErrUnrecognizedKeyword;
    }
  }
  if (!typed && !kindOfExtension(file, kind)) return mci::kErrExtensionNotFound;

  // A sequencer opened again under its name is read afresh; a second movie
  // under a name in use is refused.
  if (Device* old = find(alias)) {
    if (old->kind != Kind::Sequencer || kind != Kind::Sequencer) return mci::kErrDeviceOpen;
    close(*old);
  }
  if (setup_.files == nullptr || !setup_.files->exists(file)) return mci::kErrFileNotFound;
  std::vector<uint8_t> bytes;
  if (!setup_.files->readAll(file, bytes, kind == Kind::Movie ? kMaxMovieBytes : kMaxMidiBytes))
    return mci::kErrFileRead;

  auto d = std::make_unique<Device>();
  d->kind = kind;
  d->name = alias;
  if (kind == Kind::Sequencer) {
    if (!readMidiFile(bytes, d->song)) return mci::kErrInvalidFile;
    if (!synth_) {
      auto synth = std::make_unique<MidiSynth>();
      const int rate = setup_.sound != nullptr ? setup_.sound->mixer().outputRate() : 44100;
      if (!synth->create(setup_.soundFonts, rate)) return mci::kErrSeqNoMidiPresent;
      synth_ = std::move(synth);
      if (setup_.sound != nullptr) {
        SoundLock lock(setup_.sound);
        setup_.sound->mixer().addSource(synth_.get());
      }
    }
  } else {
    std::vector<int16_t> pcm;
    int rate = 0;
    const bool sound = MovieDecoder::decodeAudio(bytes, pcm, rate, kMaxMovieSoundFrames);
    if (!d->movie.open(std::move(bytes))) return mci::kErrInvalidFile;
    d->destW = d->movie.width();
    d->destH = d->movie.height();
    if (sound && setup_.sound != nullptr && d->sound.pcm.adopt(std::move(pcm), 2)) {
      d->hasSound = true;
      d->sound.sampleRate = rate;
      SoundLock lock(setup_.sound);
      setup_.sound->mixer().addVoice(&d->sound);
      d->voiceAdded = true;
    }
  }
  d->id = nextId_++;
  if (reply != nullptr) *reply = std::to_string(d->id);
  devices_.push_back(std::move(d));
  return 0;
}

uint32_t MciStrings::window(Device& d, const std::vector<std::string>& words) {
  if (words.size() < 3) return mci::kErrMissingParameter;
  if (!is(words[2], "handle")) return mci::kErrUnrecognizedKeyword;
  int64_t handle = 0;
  if (words.size() < 4) return mci::kErrMissingParameter;
  if (!parseInt(words[3], 0, INT64_C(0xFFFFFFFF), handle)) return mci::kErrBadInteger;
  if (words.size() > 4) return mci::kErrUnrecognizedKeyword;
  d.windowHandle = handle;
  return 0;
}

uint32_t MciStrings::put(Device& d, const std::vector<std::string>& words) {
  if (words.size() < 3) return mci::kErrMissingParameter;
  if (!is(words[2], "destination")) return mci::kErrUnrecognizedKeyword;
  if (words.size() == 3) {  // back to the movie's own size
    d.destX = d.destY = 0;
    d.destW = d.movie.width();
    d.destH = d.movie.height();
    return 0;
  }
  if (!is(words[3], "at")) return mci::kErrUnrecognizedKeyword;
  if (words.size() < 8) return mci::kErrMissingParameter;
  if (words.size() > 8) return mci::kErrUnrecognizedKeyword;
  int64_t v[4];
  const int64_t side = MovieDecoder::kMaxSide;
  for (int i = 0; i < 4; ++i) {
    const int64_t lo = i < 2 ? -side : 1;
    if (!parseInt(words[4 + static_cast<size_t>(i)], lo, side, v[i])) return mci::kErrOutOfRange;
  }
  d.destX = static_cast<int>(v[0]);
  d.destY = static_cast<int>(v[1]);
  d.destW = static_cast<int>(v[2]);
  d.destH = static_cast<int>(v[3]);
  return 0;
}

uint32_t MciStrings::status(Device& d, const std::vector<std::string>& words, std::string* reply) {
  if (words.size() < 3) return mci::kErrMissingParameter;
  if (!is(words[2], "mode")) return mci::kErrUnrecognizedKeyword;
  if (reply != nullptr) {
    bool playing = d.playing;
    if (d.kind == Kind::Sequencer && playing && synth_) {
      SoundLock lock(setup_.sound);
      playing = !synth_->finished();
    }
    *reply = playing ? "playing" : "stopped";
  }
  return 0;
}

uint32_t MciStrings::play(Device& d, const std::vector<std::string>& words, bool notify) {
  bool wantNotify = false;
  for (size_t i = 2; i < words.size(); ++i) {
    if (is(words[i], "notify"))
      wantNotify = true;
    else if (!is(words[i], "wait"))
      return mci::kErrUnrecognizedKeyword;
  }
  d.notify = wantNotify && notify;
  if (d.kind == Kind::Sequencer) {
    // One synthesizer: the device that plays now cuts off the one before.
    for (auto& other : devices_)
      if (other.get() != &d && other->kind == Kind::Sequencer) other->playing = false;
    SoundLock lock(setup_.sound);
    synth_->setGain(musicGain());
    synth_->play(&d.song);
    d.playing = true;
    return 0;
  }
  if (d.playing) return 0;  // already running: only the notification changes
  // A movie played before starts again from its beginning.
  if (d.started && !d.movie.rewind()) return mci::kErrDeviceNotReady;
  d.started = true;
  d.framePending = false;
  d.decoderDone = false;
  d.endMs = 0;
  d.startTick = setup_.clock != nullptr ? setup_.clock->tickCount() : 0;
  if (d.hasSound) {
    SoundLock lock(setup_.sound);
    d.sound.position = 0;
    d.sound.restart = true;
    d.sound.volume = volumeToHundredthsDb(setup_.musicVolume ? setup_.musicVolume() : 100);
    d.sound.updateGains();
    d.sound.playing = true;
  }
  d.playing = true;
  return 0;
}

void MciStrings::updateMovie(Device& d) {
  const uint32_t now32 = setup_.clock != nullptr ? setup_.clock->tickCount() - d.startTick : 0;
  const int64_t now = now32;
  bool show = false;
  for (;;) {
    if (!d.framePending) {
      if (d.decoderDone) break;
      if (!d.movie.nextFrame()) {
        d.decoderDone = true;
        break;
      }
      d.framePending = true;
      d.endMs = std::max(d.endMs, d.movie.frameTimeMs() + d.movie.frameMs());
    }
    if (d.movie.frameTimeMs() > now) break;
    // Due: scaled now, because the decoder reuses the frame for the next one.
    d.framePending = false;
    if (d.destW > 0 && d.destH > 0) {
      d.scaled.resize(static_cast<size_t>(d.destW) * static_cast<size_t>(d.destH));
      show = d.movie.convert(d.scaled.data(), d.destW, d.destW, d.destH) || show;
    }
  }
  if (show) showMovieFrame(d);
  bool soundPlaying = false;
  if (d.hasSound) {
    SoundLock lock(setup_.sound);
    soundPlaying = d.sound.playing;
  }
  if (d.decoderDone && now >= d.endMs && !soundPlaying) {
    d.playing = false;
    if (d.notify && setup_.notify) setup_.notify();
    d.notify = false;
  }
}

void MciStrings::showMovieFrame(Device& d) {
  if (setup_.host == nullptr) return;
  d.canvas.assign(static_cast<size_t>(kScreenWidth) * kScreenHeight, 0);
  // The scaled frame placed at the destination, clipped to the window.
  const int x0 = std::max(d.destX, 0), y0 = std::max(d.destY, 0);
  const int x1 = std::min(d.destX + d.destW, kScreenWidth);
  const int y1 = std::min(d.destY + d.destH, kScreenHeight);
  for (int y = y0; y < y1; ++y) {
    const uint32_t* src =
        d.scaled.data() + static_cast<size_t>(y - d.destY) * d.destW + (x0 - d.destX);
    std::copy(src, src + (x1 - x0), d.canvas.data() + static_cast<size_t>(y) * kScreenWidth + x0);
  }
  setup_.host->present(d.canvas.data(), kScreenWidth, 0);
}

void MciStrings::stopDevice(Device& d) {
  if (d.kind == Kind::Sequencer) {
    // The synthesizer lets go of this device's song (also one that ended).
    if (synth_ && synth_->song() == &d.song) {
      SoundLock lock(setup_.sound);
      synth_->stop();
    }
  } else if (d.hasSound) {
    SoundLock lock(setup_.sound);
    d.sound.playing = false;
  }
  d.playing = false;
  d.notify = false;
}

void MciStrings::close(Device& d) {
  stopDevice(d);
  if (d.voiceAdded) {
    SoundLock lock(setup_.sound);
    setup_.sound->mixer().removeVoice(&d.sound);
  }
  devices_.erase(std::remove_if(devices_.begin(), devices_.end(),
                                [&](const std::unique_ptr<Device>& p) { return p.get() == &d; }),
                 devices_.end());
}

void MciStrings::closeAll() {
  while (!devices_.empty()) close(*devices_.back());
}

void MciStrings::update() {
  for (size_t i = 0; i < devices_.size(); ++i) {
    Device& d = *devices_[i];
    if (!d.playing) continue;
    if (d.kind == Kind::Movie) {
      updateMovie(d);
      continue;
    }
    bool finished = false;
    {
      SoundLock lock(setup_.sound);
      finished = synth_->finished();
    }
    if (finished) {
      d.playing = false;
      if (d.notify && setup_.notify) setup_.notify();
      d.notify = false;
    }
  }
}

}  // namespace kobre
