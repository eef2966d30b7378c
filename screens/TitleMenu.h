// The title menu: game select, the two title screens with their buttons, the
// route select of a new game and the after-story. Built from sprite slots
// 40-79 in the running Lexer.
#pragma once

#include "script/Lexer.h"

namespace kobre {

namespace title {

// Slots of the system screens; 40 is always the background.
constexpr int kBackground = 40;
constexpr int kFirstScreenSlot = 40;
constexpr int kLastScreenSlot = 79;
constexpr int kFirstButton = 60;  // the title buttons 0-5 are slots 60-65

// Title buttons.
constexpr int kNewGame = 0;
constexpr int kContinue = 1;
constexpr int kExtras = 2;
constexpr int kEnd = 3;
constexpr int kGameSelect = 4;
constexpr int kAfterStory = 5;

// Flags of the global GameState.
constexpr int kFlagGame = 1000;       // 0 or 1: the chosen game
constexpr int kFlagRoute = 1001;      // 0, 1: route of a new game; 2: after-story
constexpr int kFlagCompleted = 2000;  // + game: that game has been completed

// The box of a damaged Save00.dat read by the title menu.
constexpr const char* kUnit = "xMenu";
constexpr int kCodeLastingCorrupted = 1216;

}  // namespace title

// Fills the title screen of the chosen game (F1000) into slots 40-79 and
// starts its music; the buttons start invisible.
void buildTitleScreen(Lexer& lexer);

}  // namespace kobre
