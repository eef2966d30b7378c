// One run of the updater, as its window does it when it is shown: ask the
// information server, ask the user, mail the notice, download, run the
// update program, record the result. The boxes are the caller's (Qt on the
// desktop, lines on stdout when headless).
#pragma once

#include <string>
#include <string_view>

#include "support/upfetch/UpdateEngine.h"
#include "support/upfetch/UpdaterConfig.h"

namespace kobre::upfetch {

inline constexpr std::string_view kCaption = "upfetch";

class UpdaterBoxes {
 public:
  virtual ~UpdaterBoxes() = default;
  virtual void information(std::string_view text) = 0;
  virtual void error(std::string_view text) = 0;
  // A Yes/No question with No as the default; true for Yes.
  virtual bool question(std::string_view text) = 0;
};

struct RunOptions {
  std::string downloadFolder = ".";
  // The folder whose file system gives the installation identifier.
  std::string idFolder = "/";
};

// The notice mailed to the maker (UTF-8).
std::string noticeText(std::string_view versionUtf8, std::string_view installationId);

void runUpdater(const UpdaterConfig& config, EngineSettings settings, UpdaterBoxes& boxes,
                const RunOptions& options = {});

}  // namespace kobre::upfetch
