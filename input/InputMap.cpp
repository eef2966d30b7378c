#include "input/InputMap.h"

#include "common/Buttons.h"

namespace kobre {

namespace {

using namespace kobre::platform;

struct KeyRow {
  int key;
  uint32_t button;
};

// Numeric keypad keys by their Windows codes (0x60 + digit).
constexpr int kNum(int digit) {
  return kVkNumpad0 + digit;
}

constexpr KeyRow kKeyTable[] = {
    {kVkUp, kButtonUp},           {kNum(8), kButtonUp},       {kVkDown, kButtonDown},
    {kNum(2), kButtonDown},       {kVkLeft, kButtonLeft},     {kNum(4), kButtonLeft},
    {kVkRight, kButtonRight},     {kNum(6), kButtonRight},    {kVkSpace, kButtonOk},
    {kVkReturn, kButtonOk},       {kVkEscape, kButtonCancel}, {kNum(0), kButtonCancel},
    {kVkControl, kButtonControl}, {kVkPrior, kButtonWheelUp}, {kVkNext, kButtonWheelDown},
    {kVkF1, kButtonLoad},         {kVkF1 + 1, kButtonSave},
};

}  // namespace

uint32_t keyButtons(const platform::InputState& state) {
  uint32_t buttons = 0;
  for (const KeyRow& row : kKeyTable)
    if (state.keys[row.key]) buttons |= row.button;
  return buttons;
}

uint32_t mouseButtons(const platform::InputState& state) {
  uint32_t buttons = 0;
  if (state.mouseLeft) buttons |= kButtonOk;
  if (state.mouseRight) buttons |= kButtonCancel;
  if (state.mouseMiddle) buttons |= kButtonCenter;
  return buttons;
}

uint32_t wheelButtons(int wheelDelta) {
  if (wheelDelta > 0) return kButtonWheelUp;
  if (wheelDelta < 0) return kButtonWheelDown;
  return 0;
}

uint32_t composeButtons(const platform::InputState& state, uint32_t joypadButtons) {
  constexpr uint32_t kJoypadLogicalButtons = 0xFFF;
  return keyButtons(state) | state.extraButtons | (joypadButtons & kJoypadLogicalButtons) |
         mouseButtons(state) | wheelButtons(state.wheelDelta);
}

}  // namespace kobre
