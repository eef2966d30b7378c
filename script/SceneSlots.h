// What the message, choice and scene commands use of the graphics and sound
// layers, and the fixed slot numbers they share.
#pragma once

#include <algorithm>
#include <cstdint>

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

namespace kobre {

// Screen positions made from script numbers are summed in 64 bits and kept
// within this range: far enough off screen to show nothing, near enough that
// adding a picture's size never leaves int.
constexpr int64_t kPlaceLimit = int64_t{1} << 24;

inline int placed(int64_t v) {
  return static_cast<int>(std::clamp(v, -kPlaceLimit, kPlaceLimit));
}

// Whether (x, y) lies on a loaded sprite; withEdges counts its right and
// bottom edges as inside.
inline bool spriteContains(const DIBSprite& sp, int x, int y, bool withEdges) {
  if (!sp.isLoaded()) return false;
  const int64_t right = int64_t{sp.x()} + sp.width(), bottom = int64_t{sp.y()} + sp.height();
  if (x < sp.x() || y < sp.y()) return false;
  return withEdges ? x <= right && y <= bottom : x < right && y < bottom;
}

}  // namespace kobre
