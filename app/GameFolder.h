// Where `kobre` finds a game when none is named: the installed demo game
// beside the program, else the demo game in the build tree; when neither is
// there, the desktop asks the player for a game folder.
#pragma once

#include <string>

namespace kobre::app {

// The first of these that is a folder: installedRelative taken from the
// folder of the running program, then buildFolder. Empty when neither is.
std::string findDemoFolder(const std::string& installedRelative, const std::string& buildFolder);

// A folder dialog for the game folder (needs the Qt application); empty
// when the player cancels.
std::string chooseGameFolder();

}  // namespace kobre::app
