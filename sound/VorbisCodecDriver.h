// Makes sure the Ogg Vorbis decoder that AcmConverter uses for Vorbis-coded
// WAVE files is present and works, once at start-up. The decoder is
// libvorbisfile, linked into the program; "opening" the driver checks it.
#pragma once

#include <string>
#include <string_view>

namespace kobre {

namespace platform {
class Host;
}

class VorbisCodecDriver {
 public:
  explicit VorbisCodecDriver(platform::Host* host = nullptr) : host_(host) {}
  ~VorbisCodecDriver() { release(); }
  VorbisCodecDriver(const VorbisCodecDriver&) = delete;
  VorbisCodecDriver& operator=(const VorbisCodecDriver&) = delete;

  void setHost(platform::Host* host) { host_ = host; }

  // Start-up passes "Vorbis.acm". Shows "System Error" with "Vorbis.acm がロー
  // ドできません" when the library does not answer, or "GetProcAddress() の値が
  // 不正" when its decoder cannot be set up; false then.
  [[nodiscard]] bool open(std::string_view libraryName);
  void release();
  bool isOpen() const { return open_; }
  // The library's own version text, once open.
  const std::string& version() const { return version_; }

  // For tests: make the next open fail at the given step (1 library, 2 entry).
  void failNextOpenAt(int step) { failStep_ = step; }

 private:
  platform::Host* host_ = nullptr;
  bool open_ = false;
  std::string version_;
  int failStep_ = 0;
};

}  // namespace kobre
