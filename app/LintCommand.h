// `kobre --lint GAME_DIR`: lints every script of a game folder and prints one
// line per finding.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kobre::app {

// Exit codes: 0 nothing found, 1 findings, 2 usage error (no folder, an
// unknown option, more than one folder, or a folder that does not exist).
int runLintCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The names of the files in GAME_DIR's "scr" folder (its name matched
// without case), sorted.
std::vector<std::string> looseScriptNames(const std::string& gameDir);

}  // namespace kobre::app
