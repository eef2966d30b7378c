#include "sound/VorbisCodecDriver.h"

#include <vorbis/codec.h>
// Without the header's stdio callbacks: we only ever read from memory.
#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include "platform/Host.h"
#include "storage/SystemError.h"

namespace kobre {

namespace {
constexpr const char* kUnit = "Vorbis.cpp";
// Line numbers the boxes show, fixed so that box texts stay the same from
// release to release (game makers' tests compare them).
constexpr int kLineOpen1 = 28;
constexpr int kLineOpen2 = 38;

size_t readNothing(void*, size_t, size_t, void*) {
  return 0;
}
}  // namespace

bool VorbisCodecDriver::open(std::string_view libraryName) {
  release();
  int fail = failStep_;
  failStep_ = 0;
  // The library answers with its version.
  const char* version = vorbis_version_string();
  if (fail == 1 || !version || !*version) {
    ReportSystemError(host_, kUnit, kLineOpen1, "Vorbis.acm がロードできません", libraryName);
    return false;
  }
  // Its decoder can be set up: an empty stream is recognised as not Vorbis
  // (and not as a failure of the library itself).
  OggVorbis_File probe;
  ov_callbacks callbacks = {readNothing, nullptr, nullptr, nullptr};
  int r = ov_test_callbacks(nullptr, &probe, nullptr, 0, callbacks);
  if (r == 0) ov_clear(&probe);
  if (fail == 2 || (r != OV_ENOTVORBIS && r != OV_EREAD)) {
    ReportSystemError(host_, kUnit, kLineOpen2, "GetProcAddress() の値が不正", libraryName);
    return false;
  }
  version_ = version;
  open_ = true;
  return true;
}

void VorbisCodecDriver::release() {
  open_ = false;
  version_.clear();
}

}  // namespace kobre
