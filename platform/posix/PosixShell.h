#pragma once

#include <string>

#include "platform/Shell.h"

namespace kobre::platform {

// Starts programs and opens documents without waiting. A name ending in
// ".exe" starts the program of that name without the extension from the
// program's own folder (upfetch beside kobre); anything else is handed to
// xdg-open.
class PosixShell : public Shell {
 public:
  PosixShell(std::string gameFolder, std::string programFolder)
      : gameFolder_(std::move(gameFolder)), programFolder_(std::move(programFolder)) {}
  int open(std::string_view name, std::string_view parameters) override;

 private:
  std::string gameFolder_;
  std::string programFolder_;
};

}  // namespace kobre::platform
