// The backlog screen: the past messages one at a time in the message
// window's place, newest first, with the voice, older and newer icons.
#pragma once

#include "script/Lexer.h"

namespace kobre::backlog {

// Sprite slots of the screen.
constexpr int kBox = 20;
constexpr int kFrame = 22;
constexpr int kText = 23;
constexpr int kIconAnimated = 30;  // + icon
constexpr int kIconPlain = 33;
constexpr int kIconHighlight = 36;
constexpr int kCounter = 39;
constexpr int kIconCount = 3;
constexpr int kVoice = 0;
constexpr int kOlder = 1;
constexpr int kNewer = 2;

// The entries the backlog of gs holds (1-256): a damaged record's index is
// kept within the ring.
int entryCount(const GameState& gs);
// The ring entry of entry number n (1 = newest).
const BacklogEntry& entryAt(const GameState& gs, int n);

}  // namespace kobre::backlog
