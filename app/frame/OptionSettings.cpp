#include "app/frame/OptionSettings.h"

#include <algorithm>
#include <cstring>

#include "app/frame/SettingsFile.h"
#include "graphics/DIBSprite.h"
#include "script/Runtime.h"
#include "sound/SoundBuffer.h"

namespace kobre::frame {

namespace {

// The boxes that take the window colour: the message window's and the
// backlog's.
constexpr int kBoxSlots[] = {5, 20, 21};

template <class S>
auto liveSetting(S& s, LiveTrack bar) -> decltype(&s.windowRed) {
  switch (bar) {
    case LiveTrack::Readed:
      return &s.messageReadedLumi;
    case LiveTrack::Red:
      return &s.windowRed;
    case LiveTrack::Green:
      return &s.windowGreen;
    case LiveTrack::Blue:
      return &s.windowBlue;
    case LiveTrack::Alpha:
      return &s.windowAlpha;
    case LiveTrack::Bgm:
      return &s.volumeBgm;
    case LiveTrack::Se:
      return &s.volumeSe;
    case LiveTrack::Voice:
      return &s.volumeVoice;
  }
  return nullptr;
}

}  // namespace

TrackRange trackRange(LiveTrack bar) {
  switch (bar) {
    case LiveTrack::Bgm:
    case LiveTrack::Se:
    case LiveTrack::Voice:
      return {0, 100, 10};
    default:
      return {0, 255, 16};
  }
}

int OptionSettings::applyTrackValue(LiveTrack bar, int value) {
  const TrackRange range = trackRange(bar);
  value = std::clamp(value, range.min, range.max);
  Settings& s = runtime_.settings;
  switch (bar) {
    case LiveTrack::Readed:
      // Shown in its label only; OK stores it.
      break;
    case LiveTrack::Red:
    case LiveTrack::Green:
    case LiveTrack::Blue:
    case LiveTrack::Alpha:
      *liveSetting(s, bar) = value;
      rebuildBoxes();
      break;
    case LiveTrack::Bgm:
    case LiveTrack::Se:
    case LiveTrack::Voice: {
      *liveSetting(s, bar) = value;
      if (SoundChannels* channels = runtime_.soundChannels) {
        SoundBuffer& channel = bar == LiveTrack::Bgm  ? channels->bgmChannel()
                               : bar == LiveTrack::Se ? channels->seChannel()
                                                      : channels->voiceChannel();
        // A channel with nothing loaded takes the setting when it loads.
        channel.setVolume(value, true);
      }
      break;
    }
  }
  if (repaint) repaint();
  return value;
}

int OptionSettings::trackValue(LiveTrack bar) const {
  return *liveSetting(runtime_.settings, bar);
}

void OptionSettings::rebuildBoxes() {
  for (int slot : kBoxSlots) {
    DIBSprite* sprite = slotAt(&runtime_, slot);
    // Only boxes: a system screen may keep a picture in one of these slots.
    if (sprite == nullptr || !sprite->isLoaded() || sprite->name() != DIBSprite::kBoxName) continue;
    sprite->rebuildBox();
  }
}

ShownValues OptionSettings::shownValues() const {
  const Settings& s = runtime_.settings;
  return {s.windowRed, s.windowGreen, s.windowBlue, s.windowAlpha,
          s.volumeBgm, s.volumeSe,    s.volumeVoice};
}

void OptionSettings::restore(const ShownValues& shown) {
  applyTrackValue(LiveTrack::Red, shown.red);
  applyTrackValue(LiveTrack::Green, shown.green);
  applyTrackValue(LiveTrack::Blue, shown.blue);
  applyTrackValue(LiveTrack::Alpha, shown.alpha);
  applyTrackValue(LiveTrack::Bgm, shown.bgm);
  applyTrackValue(LiveTrack::Se, shown.se);
  applyTrackValue(LiveTrack::Voice, shown.voice);
}

DeferredValues OptionSettings::deferredValues() const {
  const Settings& s = runtime_.settings;
  DeferredValues v;
  v.messageSpeed = s.messageSpeed;
  v.skipWait = s.skipWait;
  v.effectSpeed = s.effectSpeed;
  v.messageReadedLumi = s.messageReadedLumi;
  v.messageReaded = s.messageReaded;
  v.skipVoice = s.skipVoice;
  v.skipEffect = s.skipEffect;
  v.skipCancel = s.skipCancel;
  v.skipUnread = s.skipUnread;
  v.saveOverWriteCheck = s.saveOverWriteCheck;
  v.voiceNext = s.voiceNext;
  return v;
}

void OptionSettings::commit(const DeferredValues& v) {
  Settings& s = runtime_.settings;
  s.messageSpeed = std::clamp(v.messageSpeed, 0, 3);
  s.skipWait = std::clamp(v.skipWait, 0, 10);
  s.effectSpeed = std::clamp(v.effectSpeed, 1, 128);
  s.messageReadedLumi = std::clamp(v.messageReadedLumi, 0, 255);
  s.messageReaded = v.messageReaded;
  s.skipVoice = v.skipVoice;
  s.skipEffect = v.skipEffect;
  s.skipCancel = v.skipCancel;
  s.skipUnread = v.skipUnread;
  s.saveOverWriteCheck = v.saveOverWriteCheck;
  s.voiceNext = v.voiceNext;
}

std::string OptionSettings::heroName() const {
  const char* name = runtime_.settings.heroName;
  return std::string(name, strnlen(name, sizeof runtime_.settings.heroName));
}

void OptionSettings::setHeroName(std::string_view cp932) {
  frame::setHeroName(runtime_.settings, cp932);
}

}  // namespace kobre::frame
