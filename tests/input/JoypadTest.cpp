// The joypad over the headless joystick: device list, codes against the
// state read, rumble strength, a pad pulled out and plugged in, error box.
#include "input/Joypad.h"

#include <gtest/gtest.h>

#include "common/Buttons.h"
#include "platform/headless/HeadlessPlatform.h"

namespace kobre {
namespace {

using platform::JoystickState;
using platform::headless::HeadlessHost;
using platform::headless::HeadlessJoystick;

struct JoypadTest : ::testing::Test {
  HeadlessJoystick stick;
  HeadlessHost host;
  Joypad pad{&stick, &host};

  void plugAndSelect() {
    stick.plug("Pad A");
    ASSERT_TRUE(pad.open());
    ASSERT_TRUE(pad.selectDevice(0));
  }
};

TEST_F(JoypadTest, FiveJoysticksListFour) {
  for (const char* name : {"P0", "P1", "P2", "P3", "P4"}) stick.plug(name);
  ASSERT_TRUE(pad.open());
  EXPECT_EQ(pad.deviceCount(), 4);
  EXPECT_EQ(pad.deviceName(0), "P0");
  EXPECT_EQ(pad.deviceName(3), "P3");
  EXPECT_EQ(pad.deviceName(4), "");
  EXPECT_EQ(pad.deviceName(-1), "");
  EXPECT_FALSE(pad.selectDevice(4));
  EXPECT_TRUE(pad.selectDevice(3));
  pad.release();
  EXPECT_EQ(pad.deviceCount(), 0);
  EXPECT_EQ(pad.deviceName(0), "");
}

TEST_F(JoypadTest, WithoutJoysticksNothingIsReadyAndNoBoxShows) {
  EXPECT_FALSE(pad.open());
  EXPECT_FALSE(pad.selectDevice(0));
  EXPECT_FALSE(pad.poll());
  EXPECT_FALSE(pad.isPressed(kButtonOk));
  EXPECT_FALSE(pad.rumble(10000));
  EXPECT_TRUE(host.boxes().empty());
  Joypad none;  // no joystick layer at all
  EXPECT_FALSE(none.open());
  EXPECT_FALSE(none.poll());
}

TEST_F(JoypadTest, CodesTestTheStateWithAQuarterDeadZone) {
  plugAndSelect();
  struct Case {
    JoystickState state;
    int32_t code;
    bool pressed;
  };
  const Case cases[] = {
      {{0, 8000, 0}, kPadCodeRight, false},  // inside the dead zone: centre
      {{0, -8000, 0}, kPadCodeLeft, false},
      {{0, 0, 8191}, kPadCodeDown, false},
      {{0, 0, -8192}, kPadCodeUp, false},
      {{0, 9000, 0}, kPadCodeRight, true},
      {{0, 9000, 0}, kPadCodeLeft, false},
      {{0, -9000, 0}, kPadCodeLeft, true},
      {{0, 0, 32767}, kPadCodeDown, true},
      {{0, 0, -32768}, kPadCodeUp, true},
      {{0, 0, -32768}, kPadCodeDown, false},
      {{1u << 3, 0, 0}, 3, true},
      {{1u << 3, 0, 0}, 4, false},
      {{1u << 31, 0, 0}, 31, true},  // beyond the dialog's 0-15, still a button
      {{0xFFFFFFFFu, -32768, -32768}, kPadUnassigned, false},
      {{0xFFFFFFFFu, 0, 0}, 40, false},
      {{0xFFFFFFFFu, 0, 0}, 32, false},
      {{0xFFFFFFFFu, 0, 0}, -7, false},
  };
  for (const Case& c : cases) {
    stick.setState(c.state);
    pad.assign(kButtonOk, c.code);
    ASSERT_TRUE(pad.poll());
    EXPECT_EQ(pad.isRawPressed(c.code), c.pressed) << c.code << " x " << c.state.x;
    EXPECT_EQ(pad.isPressed(kButtonOk), c.pressed) << c.code << " x " << c.state.x;
    EXPECT_EQ(pad.pressedButtons(), c.pressed ? uint32_t{kButtonOk} : 0u) << c.code;
  }
}

TEST_F(JoypadTest, AssignmentIsPerLogicalButton) {
  for (int i = 0; i < kLogicalButtonCount; ++i)
    EXPECT_EQ(pad.assignment(logicalButtonBit(i)), kPadUnassigned);
  pad.assign(kButtonSave, 9);
  pad.assign(0x1000, 3);  // not one of the twelve: ignored
  pad.assign(kButtonOk | kButtonCancel, 3);
  EXPECT_EQ(pad.assignment(kButtonSave), 9);
  EXPECT_EQ(pad.assignment(kButtonOk), kPadUnassigned);
  EXPECT_EQ(pad.assignment(0x1000), kPadUnassigned);
  EXPECT_EQ(pad.assignment(0), kPadUnassigned);
  plugAndSelect();
  stick.setState({1u << 9, 0, 0});
  ASSERT_TRUE(pad.poll());
  EXPECT_TRUE(pad.isPressed(kButtonSave));
  EXPECT_FALSE(pad.isPressed(0x1000));
  EXPECT_FALSE(pad.isPressed(kButtonSave | kButtonOk));
}

TEST_F(JoypadTest, RumbleIsClampedToItsRange) {
  plugAndSelect();
  ASSERT_TRUE(pad.forceFeedbackAvailable());
  struct Case {
    int32_t magnitude;
    uint16_t sent;
  };
  for (Case c :
       {Case{20000, 0xFFFF}, Case{10000, 0xFFFF}, Case{5000, 0x7FFF}, Case{-3, 0}, Case{0, 0}}) {
    ASSERT_TRUE(pad.rumble(c.magnitude));
    ASSERT_FALSE(stick.rumbles().empty());
    EXPECT_EQ(stick.rumbles().back().low, c.sent) << c.magnitude;
    EXPECT_EQ(stick.rumbles().back().high, c.sent) << c.magnitude;
    EXPECT_EQ(stick.rumbles().back().ms > 0, c.sent > 0) << c.magnitude;
  }
}

TEST_F(JoypadTest, RumbleSwitchedOffSendsNothingAndSucceeds) {
  plugAndSelect();
  pad.setForceFeedback(false);
  EXPECT_TRUE(pad.rumble(10000));
  EXPECT_TRUE(stick.rumbles().empty());
  stick.setCanRumble(false);
  ASSERT_TRUE(pad.selectDevice(0));
  pad.setForceFeedback(true);
  EXPECT_FALSE(pad.forceFeedbackAvailable());
  EXPECT_FALSE(pad.rumble(10000));
  EXPECT_TRUE(host.boxes().empty());
}

TEST_F(JoypadTest, PulledOutFailsThePollQuietlyAndComesBackByItself) {
  plugAndSelect();
  stick.setState({1u << 1, 0, 0});
  pad.assign(kButtonOk, 1);
  ASSERT_TRUE(pad.poll());
  stick.unplug(0);
  EXPECT_FALSE(pad.poll());
  EXPECT_FALSE(pad.isPressed(kButtonOk));
  EXPECT_FALSE(pad.poll());
  EXPECT_FALSE(pad.rumble(10000));
  stick.plug("Pad B");
  EXPECT_TRUE(pad.poll());  // no joystick was open: the new one is taken up
  EXPECT_EQ(pad.deviceName(0), "Pad B");
  EXPECT_TRUE(pad.isPressed(kButtonOk));
  EXPECT_TRUE(host.boxes().empty());
}

TEST_F(JoypadTest, AJoystickPluggedInLaterIsFoundWhenNoneWasThere) {
  EXPECT_FALSE(pad.open());
  EXPECT_FALSE(pad.poll());
  stick.plug("Late pad");
  stick.setState({1u << 2, 0, 0});
  pad.assign(kButtonCancel, 2);
  ASSERT_TRUE(pad.poll());
  EXPECT_TRUE(pad.isPressed(kButtonCancel));
}

TEST_F(JoypadTest, APadThatWillNotOpenIsNotRetriedEveryPoll) {
  struct Stubborn : HeadlessJoystick {
    bool open(int) override {
      ++opens;
      return false;
    }
    int opens = 0;
  } stubborn;
  Joypad p(&stubborn, &host);
  EXPECT_FALSE(p.open());
  stubborn.plug("Pad");
  for (int i = 0; i < 10; ++i) EXPECT_FALSE(p.poll());
  EXPECT_EQ(stubborn.opens, 1);
  stubborn.plug("Second");  // the list changed: one more try
  for (int i = 0; i < 10; ++i) EXPECT_FALSE(p.poll());
  EXPECT_EQ(stubborn.opens, 2);
  EXPECT_TRUE(host.boxes().empty());
}

TEST_F(JoypadTest, ALayerThatCannotStartShowsOneBox) {
  struct Broken : HeadlessJoystick {
    bool available() override { return false; }
  } broken;
  broken.plug("Pad");
  Joypad failing(&broken, &host);
  EXPECT_FALSE(failing.open());
  EXPECT_FALSE(failing.poll());
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].spec.caption, "Direct Input Error");
  EXPECT_NE(host.boxes()[0].spec.text.find("DIERR_NOTINITIALIZED 0x80070015"), std::string::npos);
}

TEST(DirectInputError, FormatsUnitLineTextAndCode) {
  struct Case {
    uint32_t code;
    const char* text;
  };
  const Case cases[] = {
      {0x80004001, "DI.cpp (12)\nDIERR_UNSUPPORTED 0x80004001"},
      {0x8007001E, "DI.cpp (12)\nDIERR_INPUTLOST 0x8007001E"},
      {0x800704DF, "DI.cpp (12)\nDIERR_ALREADYINITIALIZED 0x800704DF"},
      {0x8004020A, "DI.cpp (12)\nDIERR_REPORTFULL 0x8004020A"},
      {0x12345678, "DI.cpp (12)\n未定義のエラー 0x12345678"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(formatDirectInputError("C:\\src\\DI.cpp", 12, c.code), c.text);
  EXPECT_EQ(formatDirectInputError("input/DI.cpp", 3, 0x80004005),
            "DI.cpp (3)\nDIERR_GENERIC 0x80004005");
  EXPECT_LE(formatDirectInputError(std::string(3000, 'x'), 1, 0).size(), 1023u);
}

TEST(LogicalButtons, IndexOfEachBit) {
  for (int i = 0; i < kLogicalButtonCount; ++i) EXPECT_EQ(logicalButtonIndex(1u << i), i);
  for (uint32_t bad : {0u, 3u, 0x1000u, 0x80000000u}) EXPECT_EQ(logicalButtonIndex(bad), -1);
}

}  // namespace
}  // namespace kobre
