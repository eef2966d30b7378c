// SDL2 joystick (through a virtual device) and the audio device (dummy
// driver).
#include <SDL.h>
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/sdl/SdlAudioDevice.h"
#include "platform/sdl/SdlJoystick.h"

namespace kobre::platform::sdl {
namespace {

TEST(SdlJoystickTest, ReadsButtonsAndAxesOfAVirtualPad) {
  SdlJoystick pad;
  int before = pad.deviceCount();
  int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 40, 0);
  ASSERT_GE(index, 0) << SDL_GetError();
  EXPECT_EQ(pad.deviceCount(), before + 1);
  EXPECT_FALSE(pad.deviceName(index).empty());
  EXPECT_TRUE(pad.deviceName(-1).empty());
  EXPECT_TRUE(pad.deviceName(index + 5).empty());

  JoystickState state;
  EXPECT_FALSE(pad.poll(state));  // not open yet
  EXPECT_FALSE(pad.open(index + 5));
  ASSERT_TRUE(pad.open(index));
  SDL_Joystick* handle = SDL_JoystickOpen(index);  // the same device, to drive it
  ASSERT_NE(handle, nullptr);
  SDL_JoystickSetVirtualButton(handle, 0, SDL_PRESSED);
  SDL_JoystickSetVirtualButton(handle, 5, SDL_PRESSED);
  SDL_JoystickSetVirtualButton(handle, 31, SDL_PRESSED);
  SDL_JoystickSetVirtualButton(handle, 35, SDL_PRESSED);  // beyond the 32 we report
  SDL_JoystickSetVirtualAxis(handle, 0, -32768);
  SDL_JoystickSetVirtualAxis(handle, 1, 1000);
  ASSERT_TRUE(pad.poll(state));
  EXPECT_EQ(state.buttons, (1u << 0) | (1u << 5) | (1u << 31));
  EXPECT_EQ(state.x, -32768);
  EXPECT_EQ(state.y, 1000);
  SDL_JoystickSetVirtualButton(handle, 5, SDL_RELEASED);
  SDL_JoystickSetVirtualAxis(handle, 0, 32767);
  ASSERT_TRUE(pad.poll(state));
  EXPECT_EQ(state.buttons, (1u << 0) | (1u << 31));
  EXPECT_EQ(state.x, 32767);
  pad.rumble(0xFFFF, 0x8000, 100);  // virtual pads cannot rumble; it must not fail hard
  SDL_JoystickClose(handle);
  pad.close();
  EXPECT_FALSE(pad.poll(state));
  EXPECT_FALSE(pad.rumble(1, 1, 1));
  SDL_JoystickDetachVirtual(index);
}

class CountingSource : public AudioSource {
 public:
  void mix(int16_t* frames, int count) override {
    for (int i = 0; i < count * 2; ++i) frames[i] = 100;
    total += count;
  }
  std::atomic<long> total{0};
};

TEST(SdlAudioDeviceTest, OpensStereo16BitAndMixes) {
  if (!std::getenv("SDL_AUDIODRIVER")) setenv("SDL_AUDIODRIVER", "dummy", 1);
  SdlAudioDevice device;
  EXPECT_FALSE(device.isOpen());
  device.lock();  // harmless while closed
  device.unlock();
  EXPECT_FALSE(device.open(44100, 1, 16));
  EXPECT_FALSE(device.open(44100, 2, 8));
  EXPECT_FALSE(device.open(0, 2, 16));
  ASSERT_TRUE(device.open(44100, 2, 16)) << SDL_GetError();
  EXPECT_TRUE(device.isOpen());
  EXPECT_EQ(device.sampleRate(), 44100);
  CountingSource source;
  device.setSource(&source);
  for (int i = 0; i < 300 && source.total == 0; ++i) SDL_Delay(10);
  EXPECT_GT(source.total.load(), 0);
  device.setSource(nullptr);  // after this the source is never called again
  long seen = source.total;
  SDL_Delay(50);
  EXPECT_EQ(source.total.load(), seen);
  device.close();
  EXPECT_FALSE(device.isOpen());
}

TEST(SdlAudioDeviceTest, FallsBackToSilenceWithoutAnOutput) {
  // A driver that does not exist stands for a machine without sound.
  const char* before = std::getenv("SDL_AUDIODRIVER");
  std::string saved = before ? before : "";
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  {
    SdlAudioDevice strict;
    strict.setSilentFallback(false);
    EXPECT_FALSE(strict.open(44100, 2, 16));
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    SdlAudioDevice device;
    ASSERT_TRUE(device.open(44100, 2, 16)) << SDL_GetError();
    EXPECT_TRUE(device.silent());
    CountingSource source;
    device.setSource(&source);
    for (int i = 0; i < 300 && source.total == 0; ++i) SDL_Delay(10);
    EXPECT_GT(source.total.load(), 0);  // play positions still advance
    device.setSource(nullptr);
  }
  if (saved.empty())
    unsetenv("SDL_AUDIODRIVER");
  else
    setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
}

struct RecordingLog : Log {
  void write(std::string_view line) override { lines.emplace_back(line); }
  std::vector<std::string> lines;
};

// Looking for a sound card through ALSA where it finds none (or finding one)
// writes nothing on stderr; falling back to silence is one line in the log.
TEST(SdlAudioDeviceTest, LookingForACardIsQuiet) {
  void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
  if (!alsa) GTEST_SKIP() << "no ALSA library here";
  dlclose(alsa);
  const char* before = std::getenv("SDL_AUDIODRIVER");
  std::string saved = before ? before : "";
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  setenv("SDL_AUDIODRIVER", "alsa", 1);
  std::string errPath = testing::TempDir() + "kobre_sdl_stderr.txt";
  fflush(stderr);
  int savedErr = dup(2);
  FILE* capture = fopen(errPath.c_str(), "w");
  ASSERT_NE(capture, nullptr);
  dup2(fileno(capture), 2);
  RecordingLog log;
  bool opened = false, silent = false;
  {
    SdlAudioDevice device;
    device.setLog(&log);
    opened = device.open(44100, 2, 16);
    silent = device.silent();
  }
  fflush(stderr);
  dup2(savedErr, 2);
  close(savedErr);
  fclose(capture);
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  if (saved.empty())
    unsetenv("SDL_AUDIODRIVER");
  else
    setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
  std::stringstream err;
  err << std::ifstream(errPath).rdbuf();
  EXPECT_EQ(err.str().find("ALSA"), std::string::npos) << err.str();
  EXPECT_TRUE(opened);
  if (silent) {
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_NE(log.lines[0].find("playing silently"), std::string::npos) << log.lines[0];
  } else {
    EXPECT_TRUE(log.lines.empty());
  }
}

TEST(SdlInit, LeavesTheTerminationSignalsAlone) {
  SdlJoystick pad;
  SdlAudioDevice device;
  device.open(44100, 2, 16);
  for (int sig : {SIGTERM, SIGINT}) {
    struct sigaction action {};
    ASSERT_EQ(sigaction(sig, nullptr, &action), 0);
    EXPECT_EQ(action.sa_handler, SIG_DFL) << sig;
  }
}

}  // namespace
}  // namespace kobre::platform::sdl
