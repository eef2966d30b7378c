// The mixer on a real audio thread while the user-interface thread loads,
// streams, fades and releases: nothing the mixer reads is ever written at
// the same time (run under ThreadSanitizer to check it; here it must at
// least play what was decoded and never crash).
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "sound/SoundBuffer.h"
#include "sound/SoundDevice.h"
#include "tests/sound/SoundTestSupport.h"
#include "tools/writers/WavWriter.h"

namespace kobre {
namespace {

// An audio device whose thread pulls frames as fast as it can, under its own
// lock, like a sound card callback.
class ThreadedAudioDevice : public platform::AudioDevice {
 public:
  ~ThreadedAudioDevice() override { close(); }
  bool open(int, int, int) override {
    running_ = true;
    thread_ = std::thread([this] {
      std::vector<int16_t> frames(512 * 2);
      while (running_) {
        {
          std::lock_guard<std::recursive_mutex> guard(mutex_);
          if (source_) source_->mix(frames.data(), 512);
        }
        for (int16_t s : frames) peak_ = std::max<int>(peak_, std::abs(static_cast<int>(s)));
        std::this_thread::yield();
      }
    });
    return true;
  }
  void close() override {
    running_ = false;
    if (thread_.joinable()) thread_.join();
  }
  bool isOpen() override { return running_; }
  int sampleRate() override { return 44100; }
  void setSource(platform::AudioSource* source) override {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    source_ = source;
  }
  void lock() override { mutex_.lock(); }
  void unlock() override { mutex_.unlock(); }
  int peak() const { return peak_; }

 private:
  std::recursive_mutex mutex_;
  std::thread thread_;
  std::atomic<bool> running_{false};
  platform::AudioSource* source_ = nullptr;
  std::atomic<int> peak_{0};
};

TEST(SoundThreads, StreamingWhileTheAudioThreadPlays) {
  testing::TempFolder folder;
  platform::headless::HeadlessPlatform hp(folder.str());
  ThreadedAudioDevice audio;
  SoundDevice device(&audio);
  device.setFileSystem(&hp.files);
  ASSERT_TRUE(device.create(&hp.host, kDsSclPriority, 2, 44100, 16));
  SoundChannels channels;
  channels.attach(&device);
  auto music = writers::makeSineWave(44100 * 8, 44100, 2, 330);
  folder.write("wav/m.wav", writers::writeVorbisWave(music, 44100, 2, 0.0f));
  folder.write("wav/e.wav",
               writers::writePcmWave(writers::makeSineWave(4410, 22050, 1, 500), 22050, 1));
  for (int round = 0; round < 3; ++round) {
    SoundBuffer& bgm = channels.bgmChannel();
    ASSERT_TRUE(bgm.loadStreamed("wav\\m.wav"));
    ASSERT_TRUE(bgm.setVolume(100, true));
    ASSERT_TRUE(bgm.play(true));
    for (int i = 0; i < 6; ++i) {
      ASSERT_TRUE(channels.seChannel().loadWhole("wav\\e.wav"));
      channels.seChannel().setVolume(70, true);
      channels.seChannel().setPan(i * 10 - 30);
      channels.seChannel().play(i & 1);
      channels.pollUpdate();
    }
    bgm.startFade(100, -25);
    for (int i = 0; i < 4; ++i) channels.pollUpdate();
    EXPECT_FALSE(bgm.isLoaded());
  }
  channels.detach();
  device.release();
  EXPECT_TRUE(hp.host.boxes().empty());
}

}  // namespace
}  // namespace kobre
