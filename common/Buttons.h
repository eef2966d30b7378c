// Logical buttons of the input sets; the joypad assignment uses the same bits.
#pragma once

#include <cstdint>

namespace kobre {

enum Button : uint32_t {
  kButtonUp = 0x001,
  kButtonDown = 0x002,
  kButtonLeft = 0x004,
  kButtonRight = 0x008,
  kButtonOk = 0x010,
  kButtonCancel = 0x020,
  kButtonControl = 0x040,
  kButtonCenter = 0x080,
  kButtonWheelUp = 0x100,
  kButtonWheelDown = 0x200,
  kButtonLoad = 0x400,
  kButtonSave = 0x800,
};

constexpr int kScreenWidth = 800;
constexpr int kScreenHeight = 600;

}  // namespace kobre
