// What the message, choice and scene commands use of the graphics and sound
// layers, and the fixed slot numbers they share.
#pragma once

#include "graphics/DIB.h"
#include "graphics/DIBSprite.h"

#include "script/Lexer.h"
#include "sound/SoundBuffer.h"

namespace kobre::slots {

// Picture layers and the cross-fade spare.
constexpr int kLayer0 = 0;
constexpr int kCrossSpare = 3;
// The message window group.
constexpr int kWindowBox = 5;
constexpr int kWindowFrame = 6;
constexpr int kMessageText = 7;
// In-game icons: animated, plain and highlighted forms of backlog, save, load.
constexpr int kIconAnimated = 10;
constexpr int kIconPlain = 13;
constexpr int kIconHighlight = 16;
constexpr int kIconCount = 3;
constexpr int kIconBacklog = 0;
constexpr int kIconSave = 1;
constexpr int kIconLoad = 2;
// Choices: boxes, pictures, labels, the highlight.
constexpr int kChoiceBox = 40;
constexpr int kChoicePicture = 50;
constexpr int kChoiceLabel = 60;
constexpr int kChoiceHighlight = 70;
// Full-screen copy during screen fades; the message wait cursor.
constexpr int kScreenCopy = 127;
constexpr int kWaitCursor = 128;

}  // namespace kobre::slots
