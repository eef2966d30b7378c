// The two error boxes of the sound subsystem: "DirectSound Error" for the
// device, buffer and mixer checks, "MMSystem Error" for file reading and
// conversion. Each shows the reporting unit, the line, the code's symbolic
// name and the code in hexadecimal.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kobre {

namespace platform {
class Host;
}

// Result codes the sound subsystem reports (the published values of their
// names).
constexpr uint32_t kDsErrGeneric = 0x80004005;
constexpr uint32_t kDsErrOutOfMemory = 0x8007000E;
constexpr uint32_t kDsErrInvalidParam = 0x80070057;
constexpr uint32_t kDsErrBadFormat = 0x88780064;
constexpr uint32_t kDsErrNoDriver = 0x88780078;
constexpr uint32_t kDsErrUninitialized = 0x887800AA;

constexpr uint32_t kMmsysErrError = 1;  // general error; also the buffer checks' code
constexpr uint32_t kMmioErrOutOfMemory = 258;
constexpr uint32_t kMmioErrCannotOpen = 259;
constexpr uint32_t kMmioErrCannotRead = 261;
constexpr uint32_t kMmioErrCannotSeek = 263;
constexpr uint32_t kMmioErrChunkNotFound = 265;
constexpr uint32_t kAcmErrNotPossible = 512;

// The text after the last backslash of a source path (all of it without one).
std::string_view sourceUnitName(std::string_view sourcePath);

// "%s (%d)\n%s : 0x%08X" from the unit, the line, the code's name and the
// code, cut to 255 bytes.
std::string formatDirectSoundError(std::string_view sourcePath, int line, uint32_t code);
std::string formatMultimediaError(std::string_view sourcePath, int line, uint32_t code);

// Name of a code in the tables; "未定義のエラー" for any other code.
std::string_view directSoundErrorText(uint32_t code);
std::string_view multimediaErrorText(uint32_t code);

// Modal box "DirectSound Error", owned by the main window, OK only, no icon.
// A detail, when given, follows on its own line and says what went wrong.
void reportDirectSoundError(platform::Host* host, std::string_view sourcePath, int line,
                            uint32_t code, std::string_view detail = {});
// Modal box "MMSystem Error" with no owner, OK only, no icon.
void reportMultimediaError(platform::Host* host, std::string_view sourcePath, int line,
                           uint32_t code);

}  // namespace kobre
