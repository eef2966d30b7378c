// The updater's engine: asks the information server for a newer version,
// downloads the update program on its own thread (resuming a broken
// download), runs it and keeps "upfetch.db" up to date. Plain code; the
// program only shows its boxes.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/posix/InstanceLock.h"
#include "support/upfetch/ManagementData.h"

namespace kobre::upfetch {

// lastResult values. Codes with 0x10000000 set are errors the updater shows.
enum : int32_t {
  kResultOk = 0,
  kResultOtherUpdater = 1,  // another updater runs; this one must wait
  kResultNewest = 2,        // the newest version is installed
  kResultPending = 4,       // an update is known: download it and run it
  kErrorBit = 0x10000000,
  kErrorNotInitialized = 0x10000001,
  kErrorAlreadyInitialized = 0x10000002,
  kErrorFolder = 0x10000003,
  kErrorLoad = 0x10000004,
  kErrorSave = 0x10000005,
  kErrorNetwork = 0x10000006,
  kErrorServerData = 0x10000007,
  kErrorDownloadRunning = 0x10000008,
  kErrorThread = 0x10000009,
  kErrorDownload = 0x1000000A,
  kErrorUpdaterMissing = 0x1000000B,
  kErrorUpdaterFailed = 0x1000000C,
};

// The text the updater shows for an error code (UTF-8).
std::string_view resultText(int32_t code);

inline constexpr std::string_view kMakerCode = "00000001";
inline constexpr std::string_view kSoftwareCode = "00000002";
inline constexpr std::string_view kNoUpdate = "__NUD__";
inline constexpr std::string_view kUserAgent = "upfetchlib/0.11-Beta";

struct EngineSettings {
  std::string infoServer;      // URL the page "/getinfo.php" is appended to
  std::string downloadServer;  // URL the path "/upfetch/..." is appended to
  std::string dataFile;        // "upfetch.db" with its folder
  std::string lockPath;        // the single-run lock "UpfetchNowUpdating"
  int connectTimeoutMs = 10000;
  int receiveTimeoutMs = 30000;

  // $XDG_DATA_HOME/upfetch/upfetch.db (else ~/.local/share/upfetch/upfetch.db).
  static std::string defaultDataFile();
  // "UpfetchNowUpdating" in $XDG_RUNTIME_DIR, else a per-user name in the
  // temporary folder.
  static std::string defaultLockPath();
};

// True when an UpdateFile names a plain file: not empty, no path separator,
// no "..", no leading dot, no control byte. Anything else could make the
// updater write or run a file outside its folder.
bool isPlainFileName(std::string_view name);

class UpdateEngine {
 public:
  explicit UpdateEngine(EngineSettings settings);
  ~UpdateEngine();
  UpdateEngine(const UpdateEngine&) = delete;
  UpdateEngine& operator=(const UpdateEngine&) = delete;

  int32_t initialize();
  // The offered version, empty when there is none.
  int32_t checkForUpdate(std::string& version);
  // Starts the download into `folder`; the text is rewritten with the path of
  // the downloaded file.
  int32_t startDownload(std::string& folder);
  bool isDownloading() const { return downloading_.load(); }
  int32_t runUpdate(const std::string& path);
  int32_t finish();
  int32_t lastResult() const { return lastResult_.load(); }

  // This software's record (valid between initialize and finish).
  const UpdateRecord& record() const { return records_[current_]; }
  const std::vector<UpdateRecord>& records() const { return records_; }

 private:
  bool load();
  bool save();
  void download(std::string folder, std::string target);
  int32_t set(int32_t result) {
    lastResult_ = result;
    return result;
  }

  EngineSettings settings_;
  platform::InstanceLock lock_;
  bool initialized_ = false;
  std::vector<UpdateRecord> records_;
  size_t current_ = 0;
  std::thread thread_;
  std::atomic<bool> downloading_{false};
  std::atomic<int32_t> lastResult_{0};
};

}  // namespace kobre::upfetch
