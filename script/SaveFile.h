// Save slot files and Save00.dat on disk: whole GameState images with their
// checksum. Reading checks the image before anything trusts it; writing goes
// through a temporary file renamed into place and keeps the previous good
// file as "<name>.bak", so a failed or interrupted save never costs the last
// good one.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"
#include "script/GameState.h"

namespace kobre {

inline constexpr std::string_view kLastingFileName = "Save00.dat";
inline constexpr std::string_view kBackupSuffix = ".bak";

// "Save%02d.dat" with the slot number.
std::string saveFileName(int slot);

enum class SaveImage {
  Ok,
  Missing,    // no such file
  Corrupted,  // wrong length or checksum
};

// Whether bytes are one whole record with a matching checksum.
SaveImage checkSaveImage(std::span<const uint8_t> bytes);

// Reads a save file into out. out is written only when the result is Ok.
SaveImage readSaveFile(platform::FileSystem* files, std::string_view name, GameState& out);

enum class SaveWrite {
  Ok,
  CannotCreate,  // the file could not be opened for writing
  ShortWrite,    // not every byte reached the disk; the old file stays
};

// Writes record (its checksum already stored) to name. A previous file that
// holds a good record is first kept as name + ".bak".
SaveWrite writeSaveFile(platform::FileSystem* files, std::string_view name,
                        const GameState& record);

// A string field of a record up to its terminator or its size, whichever
// comes first (a record from a file may hold no terminator).
std::string_view fieldText(const char* field, size_t size);
template <size_t N>
std::string_view fieldText(const char (&field)[N]) {
  return fieldText(field, N);
}

// Whether a record's script name stays inside the script folder: no folder
// separator, no "..".
bool isSafeScriptName(const GameState& record);

}  // namespace kobre
