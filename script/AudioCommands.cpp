// Audio commands: music (`bgm`...), effects (`se`...) and voices (`vo`...)
// on the three sound channels, and what they record in the GameState so a
// loaded game resumes its music.
#include "common/AsciiCase.h"
#include "common/Buttons.h"
#include "script/Lexer.h"
#include "sound/SoundBuffer.h"

namespace kobre {

namespace {

// Copies a name into a GameState name field (63 bytes and the zero).
void storeName(char (&field)[kNameSize], const char* name) {
  size_t n = 0;
  while (name[n] != 0 && n < kNameSize - 1) {
    field[n] = name[n];
    ++n;
  }
  std::memset(field + n, 0, kNameSize - n);
}

// "wav\%s.wav"
std::string soundPath(const char* name) {
  return std::string("wav\\") + name + ".wav";
}

// The first two characters of both names agree, ASCII letters without case.
bool sameSpeakerPrefix(const char* voice, const char* picture) {
  for (int i = 0; i < 2; ++i) {
    if (voice[i] == 0 || picture[i] == 0) return false;
    if (toUpperAscii(voice[i]) != toUpperAscii(picture[i])) return false;
  }
  return true;
}

// The shared body of Music and Effect; they differ in channel, volume key,
// the GameState field and the kind of load.
struct ChannelUse {
  int channel;
  int volume;
  char (&stateName)[kNameSize];
  bool streamed;
};

}  // namespace

static bool playOnChannel(Lexer& lexer, const ChannelUse& use, int form, const char* name,
                          const char* mode) {
  SoundChannels* channels = lexer.runtime()->soundChannels;
  std::string_view modeWord(mode ? mode : "");
  if (form == 0 || name == nullptr || name[0] == 0) {
    use.stateName[0] = 0;
    std::memset(use.stateName, 0, kNameSize);
    if (channels) {
      SoundBuffer& channel = (*channels)[use.channel];
      // The ramp ends by releasing the channel.
      if (modeWord == "FADE_OUT") {
        channel.startFade(use.volume, -5);
      } else {
        channel.release();
      }
    }
    return true;
  }
  if (modeWord == "LOOP") {
    storeName(use.stateName, name);
  } else {
    std::memset(use.stateName, 0, kNameSize);
  }
  const std::string path = soundPath(name);
  lexer.FileExists(path, false);  // sound names always pass
  if (modeWord != "LOOP" && modeWord != "LOOP_NONE") {
    lexer.ReportBadParameter(modeWord);
    return true;
  }
  if (!channels) return true;
  SoundBuffer& channel = (*channels)[use.channel];
  bool loaded = use.streamed ? channel.loadStreamed(path) : channel.loadWhole(path);
  if (loaded) {
    channel.setVolume(use.volume, true);
    channel.play(modeWord == "LOOP");
  }
  return true;
}

bool Lexer::Music(int form, const char* name, const char* mode) {
  if (!state) return true;
  ChannelUse use{SoundChannels::kBgm, runtime_->settings.volumeBgm, state->bgmName, true};
  return playOnChannel(*this, use, form, name, mode);
}

bool Lexer::Effect(int form, const char* name, const char* mode) {
  if (!state) return true;
  ChannelUse use{SoundChannels::kSe, runtime_->settings.volumeSe, state->seName, false};
  return playOnChannel(*this, use, form, name, mode);
}

bool Lexer::Voice(bool marksResume, bool autoPan, int pan, const char* name,
                  int32_t commandPosition) {
  if (!state) return true;
  if (marksResume) state->resumePosition = commandPosition;
  storeName(state->voiceName, name ? name : "");
  if (name == nullptr || name[0] == 0) return true;
  SoundChannels* channels = runtime_->soundChannels;
  if (!channels) return true;
  SoundBuffer& voice = (*channels)[SoundChannels::kVoice];
  voice.stop();
  const Settings& settings = runtime_->settings;
  if (settings.volumeVoice == 0 || (runtime_->skipMode && settings.skipVoice) ||
      (runtime_->heldButtons & kButtonControl) != 0)
    return true;
  const std::string path = soundPath(name);
  FileExists(path, false);
  // A voice that cannot load has shown its box; the message goes on without it.
  (void)voice.loadWhole(path);
  voice.setVolume(settings.volumeVoice, true);
  if (autoPan) {
    pan = 0;
    // The speaker is the first of layers 1 and 2 whose picture shares the
    // voice's two-character prefix; pan towards where it stands.
    for (int layer = 1; layer <= 2; ++layer) {
      if (!sameSpeakerPrefix(name, state->layerNames[layer])) continue;
      // The layer's x as the scene commands placed it (0: centred).
      const int x = state->layerX[layer];
      pan = x < 0 ? -10 : (x > 0 ? 10 : 0);
      break;
    }
  }
  voice.setPan(pan);
  voice.play(false);
  return true;
}

Flow Lexer::SeWait() {
  SoundChannels* channels = runtime_->soundChannels;
  if (!channels) return Flow::Next;
  SoundBuffer& effect = (*channels)[SoundChannels::kSe];
  // Returns at once when no effect plays; otherwise waits frame by frame
  // until it ends, the wait is ended, Ok or Cancel is pressed or Control is
  // held. Always goes on.
  while (effect.isPlaying()) {
    if (WaitStep(true) == Flow::EndWait) break;
    if (!effect.isPlaying()) break;
    if ((runtime_->pressedButtons & (kButtonOk | kButtonCancel)) != 0) break;
    if ((runtime_->heldButtons & kButtonControl) != 0) break;
  }
  return Flow::Next;
}

}  // namespace kobre
