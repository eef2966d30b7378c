// Log sinks over POSIX descriptors: standard error (headless runs) and an
// append-only file under $XDG_STATE_HOME/kobre/ (the desktop).
#pragma once

#include <string>

#include "platform/Log.h"

namespace kobre::platform {

class FdLog : public Log {
 public:
  explicit FdLog(int fd) : fd_(fd) {}
  void write(std::string_view line) override;

 private:
  int fd_;
};

class FileLog : public Log {
 public:
  // Opens (appending) "kobre.log" in $XDG_STATE_HOME/kobre/, else in
  // ~/.local/state/kobre/; lines go nowhere when neither can be made.
  FileLog();
  ~FileLog() override;
  FileLog(const FileLog&) = delete;
  FileLog& operator=(const FileLog&) = delete;
  void write(std::string_view line) override;
  const std::string& path() const { return path_; }

 private:
  int fd_ = -1;
  std::string path_;
};

}  // namespace kobre::platform
