// "JoyPad.inp" and the joypad settings dialog's logic, without a widget.
#include "input/PadConfig.h"

#include <gtest/gtest.h>

#include <string>

#include "common/Buttons.h"
#include "platform/headless/HeadlessPlatform.h"
#include "tests/storage/TempFolder.h"

namespace kobre {
namespace {

using platform::JoystickState;
using platform::headless::HeadlessPlatform;
using testing::TempFolder;

std::string text(const std::vector<uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

struct PadConfigTest : ::testing::Test {
  TempFolder folder;
  HeadlessPlatform headless{folder.str()};
  Joypad pad{&headless.joystick, &headless.host};
  PadConfig config{pad, &headless.files};

  std::array<int32_t, kLogicalButtonCount> codes() const {
    std::array<int32_t, kLogicalButtonCount> out{};
    for (int i = 0; i < kLogicalButtonCount; ++i)
      out[static_cast<size_t>(i)] = pad.assignment(logicalButtonBit(i));
    return out;
  }
  void press(uint32_t buttons, int x = 0, int y = 0) {
    headless.joystick.setState({buttons, x, y});
  }
};

const std::array<int32_t, kLogicalButtonCount> kDefaultCodes = {-1, -2, -3, -4, 1, 2,
                                                                6,  0,  7,  5,  8, 9};

TEST_F(PadConfigTest, FirstStartHasTheDefaultsAndWritesEveryKeyInOrder) {
  config.startUp();
  EXPECT_EQ(codes(), kDefaultCodes);
  EXPECT_EQ(config.deviceNumber(), 0);
  EXPECT_TRUE(pad.forceFeedback());
  ASSERT_TRUE(config.saveSettings());
  EXPECT_EQ(text(folder.read("JoyPad.inp")),
            "[Device]\r\nNumber=0\r\n"
            "[Buttons]\r\nUp=-1\r\nDown=-2\r\nLeft=-3\r\nRight=-4\r\nOk=1\r\nCancel=2\r\n"
            "Control=6\r\nCenter=0\r\nWheelUp=7\r\nWheelDown=5\r\nLoad=8\r\nSave=9\r\n"
            "[ForthFeedBack]\r\nEnable=1\r\n");
  EXPECT_FALSE(folder.exists("JoyPad.inp.tmp"));
}

TEST_F(PadConfigTest, ReadsTheFileAndKeepsForeignLines) {
  folder.write("JoyPad.inp",
               "; mine\r\n[Device]\r\nNumber=1\r\n[Buttons]\r\nOk=12\r\nsave=0x1F\r\n"
               "[ForthFeedBack]\r\nEnable=0\r\n[Other]\r\nKeep=yes\r\n");
  headless.joystick.plug("P0");
  headless.joystick.plug("P1");
  config.startUp();
  EXPECT_EQ(config.deviceNumber(), 1);
  EXPECT_EQ(pad.selectedDevice(), 1);
  EXPECT_TRUE(pad.isReady());
  EXPECT_EQ(pad.assignment(kButtonOk), 12);
  EXPECT_EQ(pad.assignment(kButtonSave), 31);
  EXPECT_EQ(pad.assignment(kButtonCancel), 2);  // missing: default
  EXPECT_FALSE(pad.forceFeedback());
  ASSERT_TRUE(config.saveSettings());
  const std::string out = text(folder.read("JoyPad.inp"));
  EXPECT_EQ(out.find("; mine\r\n"), 0u);
  EXPECT_NE(out.find("Ok=12\r\n"), std::string::npos);
  EXPECT_NE(out.find("Save=31\r\n"), std::string::npos);
  EXPECT_NE(out.find("[ForthFeedBack]\r\nEnable=0\r\n"), std::string::npos);
  EXPECT_NE(out.find("[Other]\r\nKeep=yes\r\n"), std::string::npos);
}

TEST_F(PadConfigTest, DamagedFileGivesDefaultsNeverACrash) {
  const char* files[] = {
      "",
      "[Buttons]\r\nOk=abc\r\nCancel=99999999999999999999\r\nUp=\r\nDown=--2\r\n",
      "[Device]\r\nNumber=zz\r\n[ForthFeedBack]\r\nEnable=maybe\r\n",
      "\xff\xfe[\r\n=\r\n[Buttons\r\nOk",
      "[Buttons]\r\nOk=4294967296\r\nCancel=-2147483649\r\n",
  };
  for (const char* f : files) {
    folder.write("JoyPad.inp", f);
    Joypad fresh(&headless.joystick, &headless.host);
    PadConfig c(fresh, &headless.files);
    c.startUp();
    for (int i = 0; i < kLogicalButtonCount; ++i)
      EXPECT_EQ(fresh.assignment(logicalButtonBit(i)), kDefaultCodes[static_cast<size_t>(i)]) << f;
    EXPECT_EQ(c.deviceNumber(), 0) << f;
    EXPECT_TRUE(fresh.forceFeedback()) << f;
  }
  EXPECT_TRUE(headless.host.boxes().empty());
}

TEST_F(PadConfigTest, OutOfRangeValuesAreKeptAndHarmless) {
  folder.write("JoyPad.inp",
               "[Device]\r\nNumber=-7\r\n[Buttons]\r\nOk=40\r\nCancel=2147483647\r\n");
  headless.joystick.plug("P0");
  config.startUp();
  EXPECT_EQ(config.deviceNumber(), -7);
  EXPECT_FALSE(pad.isReady());
  EXPECT_EQ(pad.assignment(kButtonOk), 40);
  press(0xFFFFFFFFu);
  config.selectDevice(0);
  ASSERT_TRUE(pad.poll());
  EXPECT_FALSE(pad.isPressed(kButtonOk));
  EXPECT_FALSE(pad.isPressed(kButtonCancel));
  EXPECT_EQ(config.refresh().edits[4], "");
}

TEST(PadCodeName, NamesTheDialogShows) {
  struct Case {
    int32_t code;
    const char* name;
  };
  for (Case c : {Case{0, "B0"}, Case{15, "B15"}, Case{16, ""}, Case{31, ""}, Case{-1, "Up"},
                 Case{-2, "Down"}, Case{-3, "Left"}, Case{-4, "Right"}, Case{-5, ""}, Case{-6, ""},
                 Case{40, ""}})
    EXPECT_EQ(padCodeName(c.code), c.name) << c.code;
}

TEST_F(PadConfigTest, RefreshListsDevicesEditsAndForceFeedback) {
  PadView v = config.refresh();
  ASSERT_EQ(v.devices.size(), 1u);
  EXPECT_EQ(v.devices[0], kPadNoDevice);
  EXPECT_EQ(v.forceFeedbackLabel, kPadFFUnavailable);
  EXPECT_FALSE(v.forceFeedbackAvailable);
  folder.write("JoyPad.inp", "[Buttons]\r\nUp=20\r\n[Device]\r\nNumber=1\r\n");
  headless.joystick.plug("P0");
  headless.joystick.plug("P1");
  config.startUp();
  v = config.refresh();
  EXPECT_EQ(v.devices, (std::vector<std::string>{"P0", "P1"}));
  EXPECT_EQ(v.selected, 1);
  EXPECT_EQ(v.edits[0], "");  // code 20 shows empty ...
  EXPECT_EQ(v.edits[4], "B1");
  EXPECT_EQ(v.edits[3], "Right");
  EXPECT_EQ(v.forceFeedbackLabel, kPadFFAvailable);
  EXPECT_TRUE(v.forceFeedbackChecked);
  press(1u << 20);
  ASSERT_TRUE(pad.poll());
  EXPECT_TRUE(pad.isPressed(kButtonUp));  // ... and still works
}

TEST_F(PadConfigTest, HoldingAButtonBindsOnceAndReleasingRebinds) {
  headless.joystick.plug("P0");
  config.startUp();
  press(1u << 3);
  PadCapture c = config.capture(4, false);
  ASSERT_TRUE(c.bound);
  EXPECT_EQ(c.edit, 4);
  EXPECT_EQ(c.code, 3);
  EXPECT_EQ(c.text, "B3");
  EXPECT_EQ(c.nextFocus, 5);
  EXPECT_EQ(pad.assignment(kButtonOk), 3);
  EXPECT_EQ(config.lastSeenCode(), 3);
  // Still held: the focus has moved on, but nothing more is bound.
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(config.capture(5, false).bound);
  EXPECT_EQ(pad.assignment(kButtonCancel), 2);
  press(0);
  EXPECT_FALSE(config.capture(5, false).bound);
  EXPECT_EQ(config.lastSeenCode(), kPadNothingPressed);
  press(1u << 3);
  c = config.capture(5, false);  // the same button again, after its release
  ASSERT_TRUE(c.bound);
  EXPECT_EQ(pad.assignment(kButtonCancel), 3);
}

TEST_F(PadConfigTest, TwoControlsAtOnceBindTheFirstInCaptureOrder) {
  headless.joystick.plug("P0");
  config.startUp();
  struct Case {
    JoystickState state;
    int32_t code;
  };
  const Case cases[] = {
      {{(1u << 0) | (1u << 7), 0, 0}, 0},       {{1u << 2, 30000, 0}, kPadCodeRight},
      {{1u << 2, -30000, 30000}, kPadCodeLeft}, {{1u << 15, 0, 30000}, kPadCodeDown},
      {{1u << 15, 0, -30000}, kPadCodeUp},      {{(1u << 16) | (1u << 15), 0, 0}, 15},
      {{1u << 16, 0, 0}, kPadNothingPressed},  // the dialog takes buttons 0-15 only
  };
  for (const Case& c : cases) {
    press(0);
    config.capture(0, false);
    headless.joystick.setState(c.state);
    PadCapture r = config.capture(0, false);
    EXPECT_EQ(r.bound, c.code != kPadNothingPressed) << c.code;
    if (r.bound) {
      EXPECT_EQ(r.code, c.code);
      EXPECT_EQ(pad.assignment(kButtonUp), c.code);
    }
  }
}

TEST_F(PadConfigTest, DeleteClearsTheFocusedBindingAndMovesOn) {
  headless.joystick.plug("P0");
  config.startUp();
  PadCapture c = config.capture(11, true);
  ASSERT_TRUE(c.bound);
  EXPECT_EQ(c.code, kPadUnassigned);
  EXPECT_EQ(c.text, "");
  EXPECT_EQ(c.nextFocus, kPadFocusCloseButton);
  EXPECT_EQ(pad.assignment(kButtonSave), kPadUnassigned);
  EXPECT_EQ(config.refresh().edits[11], "");
  // Without a focused edit nothing changes, and without a joystick nothing is read.
  press(1u << 4);
  EXPECT_FALSE(config.capture(-1, false).bound);
  EXPECT_EQ(codes()[0], -1);
  Joypad none(&headless.joystick, &headless.host);
  none.assign(kButtonUp, 5);
  PadConfig idle(none, &headless.files);
  EXPECT_FALSE(idle.capture(0, true).bound);
  EXPECT_EQ(none.assignment(kButtonUp), 5);
}

TEST_F(PadConfigTest, ALoadedFileChangesBindingsButJoyPadInpIsWritten) {
  headless.joystick.plug("P0");
  config.startUp();
  TempFolder elsewhere;
  elsewhere.write("mine.inp", "[Buttons]\r\nOk=11\r\n[ForthFeedBack]\r\nEnable=0\r\n");
  config.loadSettings((elsewhere.path() / "mine.inp").string());
  EXPECT_EQ(pad.assignment(kButtonOk), 11);
  EXPECT_FALSE(pad.forceFeedback());
  EXPECT_FALSE(config.refresh().forceFeedbackChecked);
  press(1u << 11);
  ASSERT_TRUE(pad.poll());
  EXPECT_TRUE(pad.isPressed(kButtonOk));
  ASSERT_TRUE(config.saveSettings());
  EXPECT_NE(text(folder.read("JoyPad.inp")).find("Ok=11\r\n"), std::string::npos);
  EXPECT_EQ(text(elsewhere.read("mine.inp")),
            "[Buttons]\r\nOk=11\r\n[ForthFeedBack]\r\nEnable=0\r\n");
}

TEST_F(PadConfigTest, ForceFeedbackBoxTestsTheRumble) {
  headless.joystick.plug("P0");
  config.startUp();
  int waits = 0;
  config.forceFeedbackClicked(true, [&] { ++waits; });
  EXPECT_EQ(waits, 1);
  ASSERT_EQ(headless.joystick.rumbles().size(), 2u);
  EXPECT_EQ(headless.joystick.rumbles()[0].low, 0xFFFF);
  EXPECT_EQ(headless.joystick.rumbles()[1].low, 0);
  config.forceFeedbackClicked(false, [&] { ++waits; });
  EXPECT_EQ(waits, 1);
  EXPECT_EQ(headless.joystick.rumbles().size(), 2u);  // switched off: nothing sent
  EXPECT_FALSE(config.current().forceFeedback);
}

TEST_F(PadConfigTest, RecognizeAgainFindsAPadPluggedInLater) {
  config.startUp();
  EXPECT_FALSE(pad.isReady());
  headless.joystick.plug("P0");
  config.recognizeAgain();
  EXPECT_TRUE(pad.isReady());
  EXPECT_EQ(config.refresh().devices, std::vector<std::string>{"P0"});
}

TEST_F(PadConfigTest, AKnownControllerWithoutAFileGetsItsLayout) {
  platform::ControllerLayout l;
  l.south = 0;
  l.east = 1;
  l.west = 2;
  l.north = 3;
  l.back = 4;
  l.start = 6;
  l.leftShoulder = 9;
  l.rightShoulder = 10;
  l.dpadUp = 11;
  l.dpadDown = 12;
  l.dpadLeft = 13;
  l.dpadRight = 14;
  headless.joystick.plug("Pad");
  headless.joystick.setLayout(0, l);
  config.startUp();
  EXPECT_EQ(codes(),
            (std::array<int32_t, kLogicalButtonCount>{11, 12, 13, 14, 0, 1, 2, 3, 4, 6, 9, 10}));
  ASSERT_TRUE(config.saveSettings());
  EXPECT_NE(text(folder.read("JoyPad.inp")).find("Ok=0\r\nCancel=1\r\n"), std::string::npos);

  // A d-pad that is no set of buttons leaves the stick; missing controls are unassigned.
  platform::ControllerLayout hat;
  hat.south = 0;
  hat.east = 1;
  EXPECT_EQ(controllerPadCodes(hat), (std::array<int32_t, kLogicalButtonCount>{
                                         -1, -2, -3, -4, 0, 1, -5, -5, -5, -5, -5, -5}));

  // With a file the file's values stand.
  TempFolder other;
  other.write("JoyPad.inp", "[Buttons]\r\nOk=7\r\n");
  HeadlessPlatform second(other.str());
  second.joystick.plug("Pad");
  second.joystick.setLayout(0, l);
  Joypad pad2(&second.joystick, &second.host);
  PadConfig config2(pad2, &second.files);
  config2.startUp();
  EXPECT_EQ(pad2.assignment(kButtonOk), 7);
  EXPECT_EQ(pad2.assignment(kButtonCancel), 2);
}

}  // namespace
}  // namespace kobre
