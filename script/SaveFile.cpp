#include "script/SaveFile.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "storage/FileHandle.h"

namespace kobre {

std::string saveFileName(int slot) {
  char name[32];
  std::snprintf(name, sizeof name, "Save%02d.dat", slot);
  return name;
}

SaveImage checkSaveImage(std::span<const uint8_t> bytes) {
  if (bytes.size() != kGameStateSize) return SaveImage::Corrupted;
  uint32_t stored = 0;
  std::memcpy(&stored, bytes.data(), sizeof stored);
  return stored == gameStateChecksum(bytes) ? SaveImage::Ok : SaveImage::Corrupted;
}

SaveImage readSaveFile(platform::FileSystem* files, std::string_view name, GameState& out) {
  FileHandle file(files);
  if (!file.openRead(name)) return SaveImage::Missing;
  // One byte more than a record shows a file that is too long.
  std::vector<uint8_t> bytes(kGameStateSize + 1);
  uint32_t got = 0;
  while (got < bytes.size()) {
    const uint32_t n = file.read(bytes.data() + got, static_cast<uint32_t>(bytes.size() - got));
    if (n == 0) break;
    got += n;
  }
  file.close();
  bytes.resize(got);
  const SaveImage result = checkSaveImage(bytes);
  if (result == SaveImage::Ok) std::memcpy(static_cast<void*>(&out), bytes.data(), kGameStateSize);
  return result;
}

namespace {

// Keeps the file now at name as name + ".bak" when it holds a good record;
// a damaged one would only push out an older good backup.
void keepBackup(platform::FileSystem* files, std::string_view name) {
  if (!files->exists(name)) return;
  std::vector<uint8_t> previous;
  if (!files->readAll(name, previous, kGameStateSize + 1)) return;
  if (checkSaveImage(previous) != SaveImage::Ok) return;
  std::string backup(name);
  backup += kBackupSuffix;
  files->writeAtomic(backup, previous);
}

}  // namespace

SaveWrite writeSaveFile(platform::FileSystem* files, std::string_view name,
                        const GameState& record) {
  if (files == nullptr) return SaveWrite::CannotCreate;
  keepBackup(files, name);
  FileHandle file(files);
  if (!file.openWrite(name)) return SaveWrite::CannotCreate;
  const auto bytes = record.bytes();
  const uint32_t written = file.write(bytes.data(), static_cast<uint32_t>(bytes.size()));
  // Closing puts the bytes in place; a failure there (a full disk) leaves
  // the previous file as it was.
  const bool committed = file.close();
  return written == bytes.size() && committed ? SaveWrite::Ok : SaveWrite::ShortWrite;
}

std::string_view fieldText(const char* field, size_t size) {
  return std::string_view(field, strnlen(field, size));
}

bool isSafeScriptName(const GameState& record) {
  const std::string_view name = fieldText(record.scriptName);
  if (name.find_first_of("\\/") != std::string_view::npos) return false;
  return name.find("..") == std::string_view::npos;
}

}  // namespace kobre
