// The script linter behind `kobre --lint`: reads every script of a game
// folder (loose files under "scr" and the entries of the script archives)
// with the Lexer's own word and line reading, without running a command, and
// collects what the running game would report, in the Lexer's own messages.
#pragma once

#include <string>
#include <vector>

#include "platform/Platform.h"

namespace kobre {

struct LintFinding {
  std::string script;   // "open.scr"
  int line = 0;         // 1-based; 0 when the script itself cannot be read
  std::string message;  // UTF-8: the error box's "message detail"
};

// One line of the report: "open.scr:12: 未定義のコマンド foo".
std::string formatFinding(const LintFinding& finding);

// Lints the game whose files the platform reaches (files and text are used;
// nothing is shown, played or written). looseScripts names the files of the
// "scr" folder ("open.scr"); the archives "arc.scr"/"arc2.scr", "arc.cg"/
// "arc2.cg" and "arc.wav"/"arc2.wav" are opened here when present.
// Findings come script by script ("open.scr" first, then by name), in line order.
std::vector<LintFinding> lintGame(const platform::Platform& platform,
                                  const std::vector<std::string>& looseScripts);

}  // namespace kobre
