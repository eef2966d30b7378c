#include <gtest/gtest.h>

#include "common/Buttons.h"
#include "platform/headless/HeadlessPlatform.h"

namespace kobre::platform::headless {
namespace {

class CountingSource : public AudioSource {
 public:
  void mix(int16_t* frames, int count) override {
    for (int i = 0; i < count * 2; ++i) frames[i] = 7;
    total += count;
  }
  int64_t total = 0;
};

TEST(VirtualClock, SleepAdvancesTicksAndAudio) {
  HeadlessPlatform p(".");
  CountingSource source;
  ASSERT_TRUE(p.audio.open(44100, 2, 16));
  p.audio.setSource(&source);
  p.audio.setRecording(true);
  EXPECT_EQ(p.clock.tickCount(), 0u);
  // 10 ms at 44.1 kHz is 441 frames; three sleeps of 1 ms carry the fraction.
  p.clock.sleep(10);
  EXPECT_EQ(p.clock.tickCount(), 10u);
  EXPECT_EQ(source.total, 441);
  for (int i = 0; i < 3; ++i) p.clock.sleep(1);
  EXPECT_EQ(source.total, 441 + 132);
  p.clock.sleep(987);
  EXPECT_EQ(p.audio.framesPlayed(), 44100u);
  EXPECT_EQ(p.audio.recorded().size(), 88200u);
  EXPECT_EQ(p.audio.recorded()[0], 7);
}

TEST(HeadlessAudio, RefusesOtherFormatsAndScriptedFailure) {
  HeadlessAudioDevice audio;
  EXPECT_FALSE(audio.open(44100, 1, 16));
  audio.setFailOpen(true);
  EXPECT_FALSE(audio.open(44100, 2, 16));
}

TEST(HeadlessHost, ScriptedInputAppliesFromItsPollOn) {
  HeadlessHost host;
  InputStep a;
  a.poll = 2;
  a.buttons = kButtonOk;
  a.x = 100;
  a.y = 200;
  InputStep b;
  b.poll = 4;
  b.keys = {kVkSpace};
  b.buttons = kButtonWheelDown;
  host.setInput({b, a});  // out of order on purpose
  InputState s;
  host.readInput(s);  // poll 1: nothing yet
  EXPECT_EQ(s.extraButtons, 0u);
  host.readInput(s);  // poll 2
  EXPECT_EQ(s.extraButtons, kButtonOk);
  EXPECT_EQ(s.cursorX, 100);
  EXPECT_EQ(s.cursorY, 200);
  host.readInput(s);  // poll 3: still held
  EXPECT_EQ(s.extraButtons, kButtonOk);
  host.readInput(s);  // poll 4: Space, one wheel notch, mouse stays
  EXPECT_EQ(s.extraButtons, 0u);
  EXPECT_TRUE(s.keys[kVkSpace]);
  EXPECT_EQ(s.wheelDelta, -120);
  EXPECT_EQ(s.cursorX, 100);
  host.readInput(s);  // the wheel is given once
  EXPECT_EQ(s.wheelDelta, 0);
  EXPECT_EQ(host.polls(), 5u);
}

TEST(HeadlessHost, WheelOutsideTheClientAreaIsNotHeard) {
  HeadlessHost host;
  InputStep a;
  a.buttons = kButtonWheelUp;
  a.x = 900;
  a.y = 10;
  host.setInput({a});
  InputState s;
  host.readInput(s);
  EXPECT_EQ(s.wheelDelta, 0);
}

TEST(HeadlessHost, AutoOkHoldsOkEverySecondPollWithoutInput) {
  HeadlessHost host;
  host.setAutoOk(true);
  InputState s;
  uint32_t seen[4];
  for (uint32_t& v : seen) {
    host.readInput(s);
    v = s.extraButtons;
  }
  EXPECT_EQ(seen[0], 0u);
  EXPECT_EQ(seen[1], kButtonOk);
  EXPECT_EQ(seen[2], 0u);
  EXPECT_EQ(seen[3], kButtonOk);
}

TEST(HeadlessHost, BoxesAreRecordedAndAnswered) {
  HeadlessHost host;
  MessageBoxSpec question;
  question.caption = "KOBRE ver 1.32";
  question.text = "q";
  question.buttons = BoxButtons::YesNo;
  question.defaultButton = BoxResult::No;
  MessageBoxSpec info;
  info.text = "i";
  EXPECT_EQ(host.messageBox(question), BoxResult::No);  // default button
  host.queueAnswer(BoxResult::Yes);
  EXPECT_EQ(host.messageBox(question), BoxResult::Yes);  // scripted answer
  EXPECT_EQ(host.messageBox(info), BoxResult::Ok);
  host.setAnswerYes(true);
  EXPECT_EQ(host.messageBox(question), BoxResult::Yes);
  ASSERT_EQ(host.boxes().size(), 4u);
  EXPECT_EQ(host.boxes()[0].spec.caption, "KOBRE ver 1.32");
  EXPECT_EQ(host.boxes()[2].spec.text, "i");
}

TEST(HeadlessHost, PresentKeepsTheShakenFrame) {
  HeadlessHost host;
  std::vector<uint32_t> frame(800 * 600);
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x) frame[y * 800 + x] = static_cast<uint32_t>(y + 1);
  host.present(frame.data(), 800, 10);  // down by 10: black band on top
  EXPECT_EQ(host.lastFrame()[0], 0u);
  EXPECT_EQ(host.lastFrame()[9 * 800], 0u);
  EXPECT_EQ(host.lastFrame()[10 * 800], 1u);
  host.present(frame.data(), 800, -10);  // up by 10: band at the bottom
  EXPECT_EQ(host.lastFrame()[0], 11u);
  EXPECT_EQ(host.lastFrame()[589 * 800], 600u);
  EXPECT_EQ(host.lastFrame()[590 * 800], 0u);
  EXPECT_EQ(host.presents(), 2u);
}

TEST(HeadlessHost, MenuItemsKeepTheirState) {
  HeadlessHost host;
  host.setMenuCaption("MnSkip", "スキップ停止中(&S)");
  host.setMenuChecked("MnWindow", true);
  host.setMenuVisible("MnKaisouExit", false);
  EXPECT_EQ(host.menu("MnSkip").caption, "スキップ停止中(&S)");
  EXPECT_TRUE(host.isMenuChecked("MnWindow"));
  EXPECT_FALSE(host.isMenuChecked("MnFull16"));
  EXPECT_FALSE(host.menu("MnKaisouExit").visible);
}

TEST(HeadlessJoystick, AbsentUntilPlugged) {
  HeadlessJoystick pad;
  JoystickState s;
  EXPECT_FALSE(pad.open(0));
  EXPECT_FALSE(pad.poll(s));
  pad.plug("Pad");
  ASSERT_TRUE(pad.open(0));
  pad.setState({0x5, 100, -100});
  ASSERT_TRUE(pad.poll(s));
  EXPECT_EQ(s.buttons, 0x5u);
  EXPECT_TRUE(pad.rumble(1, 2, 300));
  EXPECT_EQ(pad.rumbles().size(), 1u);
}

}  // namespace
}  // namespace kobre::platform::headless

namespace kobre::platform::headless {
namespace {

// A tap whose press and release both fall between two polls still counts
// as held at the next poll, and only there; a press held over polls stays.
TEST(HeadlessHost, PressesBetweenPollsAreLatchedUntilTheNextPoll) {
  struct Case {
    const char* name;
    std::function<void(HeadlessHost&)> press, release;
    std::function<bool(const InputState&)> seen;
  };
  const Case cases[] = {
      {"key", [](HeadlessHost& h) { h.pressKey(kVkReturn); },
       [](HeadlessHost& h) { h.releaseKey(kVkReturn); },
       [](const InputState& s) { return s.keys[kVkReturn]; }},
      {"left button", [](HeadlessHost& h) { h.pressMouse(true, false); },
       [](HeadlessHost& h) { h.releaseMouse(true, false); },
       [](const InputState& s) { return s.mouseLeft && !s.mouseRight; }},
      {"right button", [](HeadlessHost& h) { h.pressMouse(false, true); },
       [](HeadlessHost& h) { h.releaseMouse(false, true); },
       [](const InputState& s) { return s.mouseRight && !s.mouseLeft; }},
      {"logical button", [](HeadlessHost& h) { h.pressButtons(kButtonOk); },
       [](HeadlessHost& h) { h.releaseButtons(kButtonOk); },
       [](const InputState& s) { return s.extraButtons == kButtonOk; }},
      {"wheel", [](HeadlessHost& h) { h.turnWheel(-120); }, [](HeadlessHost&) {},
       [](const InputState& s) { return s.wheelDelta == -120; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HeadlessHost host;
    InputState s;
    host.readInput(s);
    EXPECT_FALSE(c.seen(s));
    c.press(host);
    c.release(host);
    host.readInput(s);
    EXPECT_TRUE(c.seen(s)) << "a tap between polls";
    host.readInput(s);
    EXPECT_FALSE(c.seen(s)) << "counted once";
    c.press(host);
    host.readInput(s);
    EXPECT_TRUE(c.seen(s));
    if (std::string_view(c.name) != "wheel") {
      host.readInput(s);
      EXPECT_TRUE(c.seen(s)) << "held over polls";
    }
    c.release(host);
    host.readInput(s);
    EXPECT_FALSE(c.seen(s));
  }
}

TEST(HeadlessHost, InputHookHasTheLastWordAndItsMouseStays) {
  HeadlessHost host;
  host.onInput([&](InputState& s) {
    if (host.polls() == 1) {
      s.cursorX = 300;
      s.cursorY = 40;
      s.extraButtons = kButtonDown;
    }
  });
  InputState s;
  host.readInput(s);
  EXPECT_EQ(s.extraButtons, kButtonDown);
  host.readInput(s);
  EXPECT_EQ(s.extraButtons, 0u);
  EXPECT_EQ(s.cursorX, 300);
  EXPECT_EQ(s.cursorY, 40);
}

}  // namespace
}  // namespace kobre::platform::headless
