// The key and mouse table of the input poll: which keys and mouse buttons
// stand for which logical buttons.
#pragma once

#include <cstdint>

#include "platform/Host.h"

namespace kobre {

// Logical buttons of the keys down in state (joypad, mouse and wheel aside).
uint32_t keyButtons(const platform::InputState& state);
// Logical buttons of the mouse buttons down in state.
uint32_t mouseButtons(const platform::InputState& state);
// WheelUp for a positive delta, WheelDown for a negative one, else none.
uint32_t wheelButtons(int wheelDelta);

// The logical buttons held at one poll: keys, the buttons no key stands
// for, the joypad's logical buttons, the mouse buttons and the wheel. The
// main window's poll and the tests' polls compose them here alike.
uint32_t composeButtons(const platform::InputState& state, uint32_t joypadButtons = 0);

}  // namespace kobre
