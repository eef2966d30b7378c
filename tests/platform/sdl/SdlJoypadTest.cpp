// The joypad on SDL's virtual joysticks: the device list, the dead zone,
// codes never pressed, a pad pulled out and plugged in, controller layouts.
#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "common/Buttons.h"
#include "input/Joypad.h"
#include "input/PadConfig.h"
#include "platform/headless/HeadlessPlatform.h"
#include "platform/sdl/SdlJoystick.h"

namespace kobre::platform::sdl {
namespace {

// Virtual joysticks attached for one test and detached after it.
struct VirtualPads {
  std::vector<SDL_JoystickID> ids;
  std::vector<SDL_Joystick*> handles;
  // Attaches one; its device index is returned.
  int attach(SDL_JoystickType type = SDL_JOYSTICK_TYPE_GAMECONTROLLER) {
    const int index = SDL_JoystickAttachVirtual(type, 2, 32, 0);
    EXPECT_GE(index, 0) << SDL_GetError();
    ids.push_back(SDL_JoystickGetDeviceInstanceID(index));
    SDL_Joystick* handle = SDL_JoystickOpen(index);  // to drive it
    EXPECT_NE(handle, nullptr);
    handles.push_back(handle);
    return index;
  }
  void detach(size_t which) {
    if (handles[which] == nullptr) return;
    const SDL_JoystickID id = ids[which];
    SDL_JoystickClose(handles[which]);
    handles[which] = nullptr;
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
      if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
  }
  ~VirtualPads() {
    for (size_t i = 0; i < handles.size(); ++i) detach(i);
  }
};

TEST(SdlJoypad, FiveJoysticksListFourAndTheStickHasAQuarterDeadZone) {
  SdlJoystick stick;
  headless::HeadlessHost host;
  ASSERT_EQ(stick.deviceCount(), 0);
  VirtualPads pads;
  for (int i = 0; i < 5; ++i) pads.attach();
  Joypad pad(&stick, &host);
  ASSERT_TRUE(pad.open());
  EXPECT_EQ(pad.deviceCount(), 4);
  EXPECT_FALSE(pad.deviceName(3).empty());
  EXPECT_TRUE(pad.deviceName(4).empty());
  EXPECT_FALSE(pad.selectDevice(4));
  ASSERT_TRUE(pad.selectDevice(0));
  SDL_Joystick* h = pads.handles[0];
  struct Case {
    int16_t x, y;
    uint32_t held;
  };
  const Case cases[] = {
      {8000, -8000, 0},         {0, 0, 0},
      {12000, 0, kButtonRight}, {-32768, 32767, kButtonLeft | kButtonDown},
      {0, -20000, kButtonUp},
  };
  pad.assign(kButtonUp, kPadCodeUp);
  pad.assign(kButtonDown, kPadCodeDown);
  pad.assign(kButtonLeft, kPadCodeLeft);
  pad.assign(kButtonRight, kPadCodeRight);
  pad.assign(kButtonOk, 40);
  pad.assign(kButtonCancel, kPadUnassigned);
  pad.assign(kButtonSave, 20);
  for (int b = 0; b < 32; ++b) SDL_JoystickSetVirtualButton(h, b, SDL_PRESSED);
  for (const Case& c : cases) {
    SDL_JoystickSetVirtualAxis(h, 0, c.x);
    SDL_JoystickSetVirtualAxis(h, 1, c.y);
    ASSERT_TRUE(pad.poll());
    EXPECT_EQ(pad.pressedButtons(), c.held | kButtonSave) << c.x << "," << c.y;
    EXPECT_FALSE(pad.isRawPressed(40));
    EXPECT_FALSE(pad.isRawPressed(kPadUnassigned));
  }
  // Virtual joysticks have no motors: rumble is not offered.
  EXPECT_FALSE(pad.forceFeedbackAvailable());
  EXPECT_FALSE(pad.rumble(20000));
  EXPECT_TRUE(host.boxes().empty());
}

TEST(SdlJoypad, APulledOutPadFailsQuietlyAndOneLaterIsTakenUp) {
  SdlJoystick stick;
  headless::HeadlessHost host;
  Joypad pad(&stick, &host);
  VirtualPads pads;
  pads.attach();
  ASSERT_TRUE(pad.open());
  ASSERT_TRUE(pad.selectDevice(0));
  ASSERT_TRUE(pad.poll());
  pads.detach(0);
  EXPECT_FALSE(pad.poll());
  EXPECT_FALSE(pad.poll());
  pads.attach();
  SDL_JoystickSetVirtualButton(pads.handles[1], 1, SDL_PRESSED);
  pad.assign(kButtonOk, 1);
  ASSERT_TRUE(pad.poll());
  EXPECT_TRUE(pad.isPressed(kButtonOk));
  EXPECT_TRUE(host.boxes().empty());
}

TEST(SdlJoypad, AGameControllerReportsItsLayout) {
  SdlJoystick stick;
  VirtualPads pads;
  const int index = pads.attach(SDL_JOYSTICK_TYPE_GAMECONTROLLER);
  ControllerLayout layout;
  if (!stick.controllerLayout(index, layout)) GTEST_SKIP() << "SDL gives this pad no mapping";
  EXPECT_GE(layout.south, 0);
  EXPECT_GE(layout.east, 0);
  EXPECT_NE(layout.south, layout.east);
  EXPECT_FALSE(stick.controllerLayout(index + 3, layout));
}

TEST(SdlJoypad, ControllerMappingTextGivesRawButtons) {
  ControllerLayout l;
  ASSERT_TRUE(parseControllerMapping(
      "030000005e0400008e02000014010000,X360 Controller,a:b0,b:b1,back:b6,dpdown:h0.4,"
      "dpleft:h0.8,dpright:h0.2,dpup:h0.1,guide:b8,leftshoulder:b4,leftstick:b9,lefttrigger:a2,"
      "leftx:a0,lefty:a1,rightshoulder:b5,rightstick:b10,righttrigger:a5,rightx:a3,righty:a4,"
      "start:b7,x:b2,y:b3,platform:Linux,",
      l));
  EXPECT_EQ(l.south, 0);
  EXPECT_EQ(l.east, 1);
  EXPECT_EQ(l.west, 2);
  EXPECT_EQ(l.north, 3);
  EXPECT_EQ(l.back, 6);
  EXPECT_EQ(l.start, 7);
  EXPECT_EQ(l.leftShoulder, 4);
  EXPECT_EQ(l.rightShoulder, 5);
  EXPECT_EQ(l.dpadUp, ControllerLayout::kLayoutNone);  // a hat
  // The stick stays for the directions; the file holds raw codes.
  EXPECT_EQ(controllerPadCodes(l),
            (std::array<int32_t, kLogicalButtonCount>{-1, -2, -3, -4, 0, 1, 2, 3, 6, 7, 4, 5}));
  ASSERT_TRUE(parseControllerMapping("x,Pad,dpup:b11,dpdown:b12,dpleft:b13,dpright:b14,a:b31", l));
  EXPECT_EQ(l.dpadUp, 11);
  EXPECT_EQ(l.dpadRight, 14);
  EXPECT_EQ(l.south, 31);
  for (const char* bad : {"", "guid,name", "a:b32,b:b", "a:bx,b:b-1", "a:b1234", "a:a0,b:h0.1"})
    EXPECT_FALSE(parseControllerMapping(bad, l)) << bad;
}

}  // namespace
}  // namespace kobre::platform::sdl
