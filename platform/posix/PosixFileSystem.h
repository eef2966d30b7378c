#pragma once

#include <string>

#include "platform/FileSystem.h"

namespace kobre::platform {

// The file layer over POSIX. Engine names ("scr\open.scr", CP932) are
// resolved against the game folder: "\" and "/" separate components, each
// component is converted to UTF-8 and matched case-insensitively against the
// directory (an exact match wins, the raw bytes are tried too).
class PosixFileSystem : public FileSystem {
 public:
  // gameFolder: absolute or relative host path of the game folder.
  // writableFolder: where owned files go when the game folder is not
  // writable; empty picks $XDG_DATA_HOME/kobre/<folder name>/.
  explicit PosixFileSystem(std::string gameFolder, std::string writableFolder = {});

  std::unique_ptr<File> openRead(std::string_view name) override;
  bool exists(std::string_view name) override;
  bool readAll(std::string_view name, std::vector<uint8_t>& out,
               uint64_t maxBytes = UINT64_C(1) << 31) override;
  bool writeAtomic(std::string_view name, std::span<const uint8_t> data) override;
  bool canWrite(std::string_view name) override;
  bool remove(std::string_view name) override;
  bool lastWriteTime(std::string_view name, FileTime& time) override;
  int64_t freeSpaceBytes() override;
  std::vector<std::string> opticalDrives() override;
  std::string hostPath(std::string_view name) override;

  const std::string& gameFolder() const { return gameFolder_; }
  // The folder owned files are written to (the game folder when writable).
  std::string writeFolder();
  // Treats the game folder as read-only whatever its permissions say (a game
  // installed system-wide; also lets tests running as root check the rule).
  void setGameFolderReadOnly(bool readOnly) { readOnly_ = readOnly; }

  // Resolves `name` under `base` to an existing host path; empty if none.
  static std::string resolveExisting(const std::string& base, std::string_view name);
  // Resolves the folders of `name` under `base` and keeps an existing file's
  // spelling; the last component is converted as it stands when it is new.
  static std::string resolveForWrite(const std::string& base, std::string_view name);

  // Mount points of optical media read from a /proc/mounts text.
  static std::vector<std::string> parseOpticalMounts(std::string_view mounts);

 private:
  std::string readPath(std::string_view name);
  // The host path writeAtomic writes name to; empty when it has none.
  std::string writePath(std::string_view name);
  bool gameFolderWritable();

  std::string gameFolder_;
  std::string writableFolder_;
  bool readOnly_ = false;
};

}  // namespace kobre::platform
