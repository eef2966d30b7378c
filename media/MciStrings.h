// Our command-string service: the "open", "window", "play", "put", "stop",
// "status" and "close" commands for movie devices (type MPEGVideo) and MIDI
// sequencer devices, over the movie decoder and the MIDI synthesizer.
//
// Movies are timed by the platform clock: update() shows the frames that are
// due through the host's present (the same path as the game picture) and
// their sound plays as a mixer voice at the music volume. MIDI renders into
// the mixer as a source. Everything runs on the user-interface thread except
// the mixing.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Host.h"
#include "platform/Mci.h"

namespace kobre {

class SoundDevice;
class MidiSynth;

struct MciSetup {
  platform::FileSystem* files = nullptr;
  platform::Clock* clock = nullptr;
  platform::Host* host = nullptr;  // where movie frames are presented
  SoundDevice* sound = nullptr;    // may be null: devices play without sound
  // The music volume (0-100), read when a device starts playing.
  std::function<int()> musicVolume;
  // Delivers a play's end to the main window (the MCI-notified flag).
  std::function<void()> notify;
  // General MIDI soundfonts to try, in order.
  std::vector<std::string> soundFonts;
};

// The soundfonts tried when nothing else is named: the one our packages
// install, then the system's default.
std::vector<std::string> defaultSoundFonts();

class MciStrings : public platform::MciService {
 public:
  explicit MciStrings(MciSetup setup);
  ~MciStrings() override;
  MciStrings(const MciStrings&) = delete;
  MciStrings& operator=(const MciStrings&) = delete;

  uint32_t sendString(std::string_view command, std::string* returnText, bool notify) override;
  std::string errorText(uint32_t code) override;
  void update() override;

  // Closes every device (also done at destruction).
  void closeAll();
  // Devices open now (tests).
  size_t openDevices() const { return devices_.size(); }

 private:
  struct Device;
  Device* find(std::string_view name);
  uint32_t open(const std::vector<std::string>& words, std::string* reply);
  uint32_t play(Device& d, const std::vector<std::string>& words, bool notify);
  uint32_t put(Device& d, const std::vector<std::string>& words);
  uint32_t window(Device& d, const std::vector<std::string>& words);
  uint32_t status(Device& d, const std::vector<std::string>& words, std::string* reply);
  void close(Device& d);
  void stopDevice(Device& d);
  void updateMovie(Device& d);
  void showMovieFrame(Device& d);
  float musicGain() const;

  MciSetup setup_;
  std::vector<std::unique_ptr<Device>> devices_;
  std::unique_ptr<MidiSynth> synth_;
  uint32_t nextId_ = 1;
};

}  // namespace kobre
