#pragma once

// The headless platform: everything the core needs, without a window, a sound
// card or real time. Tests and `kobre --headless` run the real engine on it.

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/posix/IconvTextCodec.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/StreamLog.h"

namespace kobre::platform::headless {

class HeadlessAudioDevice;

// Virtual milliseconds: sleep advances the tick, and the audio device (when
// attached) mixes the frames that would have played meanwhile.
class VirtualClock : public Clock {
 public:
  uint32_t tickCount() override { return static_cast<uint32_t>(now_); }
  void sleep(uint32_t ms) override { advance(ms); }
  void advance(uint64_t ms);
  uint64_t now() const { return now_; }
  void attachAudio(HeadlessAudioDevice* audio) { audio_ = audio; }

 private:
  uint64_t now_ = 0;
  HeadlessAudioDevice* audio_ = nullptr;
};

// An audio sink whose play position advances with the virtual clock. What
// the source mixed can be kept (for --audio-out and for tests).
class HeadlessAudioDevice : public AudioDevice {
 public:
  bool open(int sampleRate, int channels, int bits) override;
  void close() override { open_ = false; }
  bool isOpen() override { return open_; }
  int sampleRate() override { return rate_; }
  void setSource(AudioSource* source) override { source_ = source; }
  void lock() override {}
  void unlock() override {}

  // Mixes the frames of `ms` milliseconds (called by the clock).
  void advance(uint64_t ms);
  void setRecording(bool on) { recording_ = on; }
  const std::vector<int16_t>& recorded() const { return recorded_; }  // interleaved stereo
  uint64_t framesPlayed() const { return framesPlayed_; }
  void setFailOpen(bool fail) { failOpen_ = fail; }

 private:
  bool open_ = false;
  bool failOpen_ = false;
  bool recording_ = false;
  int rate_ = 44100;
  AudioSource* source_ = nullptr;
  uint64_t framesPlayed_ = 0;
  uint64_t msRemainder_ = 0;  // thousandths of a frame carried between advances
  std::vector<int16_t> mixBuffer_;
  std::vector<int16_t> recorded_;
};

// What the input holds from one poll on.
struct InputStep {
  uint64_t poll = 1;      // first poll it applies to (the first poll is 1)
  uint32_t buttons = 0;   // logical buttons (kButton...)
  std::vector<int> keys;  // virtual keys held
  bool mouseLeft = false;
  bool mouseRight = false;
  int x = -1, y = -1;  // mouse position; -1 keeps the previous one
  int wheelDelta = 0;  // given once, at the step's first poll
};

struct RecordedBox {
  MessageBoxSpec spec;
  BoxResult answer = BoxResult::Ok;
};

struct MenuItemState {
  bool enabled = true;
  bool visible = true;
  bool checked = false;
  std::string caption;
};

class HeadlessHost : public Host {
 public:
  void pumpEvents() override;
  // Nothing arrives by itself here: counts the wait and pumps (the pump
  // listener stands for the message that ends the wait).
  void waitEvents() override {
    ++waits_;
    pumpEvents();
  }
  bool isActive() override { return active_; }
  void readInput(InputState& state) override;
  void present(const uint32_t* pixels, int stride, int shakeOffset) override;
  void presentChanged(const uint32_t* pixels, int stride, int shakeOffset,
                      const FrameArea& changed) override {
    present(pixels, stride, shakeOffset);
    lastChanged_ = changed;
  }
  BoxResult messageBox(const MessageBoxSpec& spec) override;
  void setMenuEnabled(std::string_view item, bool enabled) override;
  void setMenuVisible(std::string_view item, bool visible) override;
  void setMenuChecked(std::string_view item, bool checked) override;
  bool isMenuChecked(std::string_view item) override;
  void setMenuCaption(std::string_view item, std::string_view caption) override;
  int screenWidth() override { return screenWidth_; }
  int screenHeight() override { return screenHeight_; }
  int screenBitsPerPixel() override { return screenBits_; }
  void requestClose() override;

  // Scripted input: steps sorted by poll.
  void setInput(std::vector<InputStep> steps);
  // Hold Ok on every second poll while no input step applies.
  void setAutoOk(bool on) { autoOk_ = on; }
  // Input events as a window receives them, between polls: a key, mouse
  // button or logical button is held from its press to its release, and a
  // press counts as held at the next poll even when it was released before
  // it. The wheel's last turn is kept for the next poll. These add to the scripted steps.
  void pressKey(int vk);
  void releaseKey(int vk);
  void pressMouse(bool left, bool right);
  void releaseMouse(bool left, bool right);
  void pressButtons(uint32_t buttons);
  void releaseButtons(uint32_t buttons);
  void turnWheel(int delta) {
    if (delta != 0) eventWheel_ = delta;
  }
  // Called at the end of each input read with the state to hand out; what it
  // leaves there is the poll's input, and its mouse position stays.
  void onInput(std::function<void(InputState&)> fn) { inputListener_ = std::move(fn); }
  void setActive(bool active) { active_ = active; }
  void setScreen(int width, int height, int bits) {
    screenWidth_ = width;
    screenHeight_ = height;
    screenBits_ = bits;
  }

  // Answers for the next boxes, in order; without one a box gets its default
  // button, or Yes for a Yes/No question while answerYes is set.
  void queueAnswer(BoxResult answer) { answers_.push_back(answer); }
  void setAnswerYes(bool yes) { answerYes_ = yes; }
  const std::vector<RecordedBox>& boxes() const { return boxes_; }
  void clearBoxes() { boxes_.clear(); }
  // Called for every box as it is shown (the headless runner prints them).
  void onBox(std::function<void(const RecordedBox&)> fn) { boxListener_ = std::move(fn); }
  // Called with each presented frame (already shaken), after the poll count.
  void onPresent(std::function<void(const uint32_t* pixels, uint64_t poll)> fn) {
    presentListener_ = std::move(fn);
  }
  // Called at each pump (a test can act like a menu command nested in a wait).
  void onPump(std::function<void()> fn) { pumpListener_ = std::move(fn); }
  // Called at each close request, after it is counted: the headless runner
  // runs the main window's close query there, as a real window would.
  void onCloseRequest(std::function<void()> fn) { closeListener_ = std::move(fn); }

  uint64_t polls() const { return polls_; }
  uint64_t presents() const { return presents_; }
  uint64_t pumps() const { return pumps_; }
  uint64_t waits() const { return waits_; }
  int closeRequests() const { return closeRequests_; }
  // The last presented frame, 800 x 600 XRGB with the shake bands applied.
  const std::vector<uint32_t>& lastFrame() const { return lastFrame_; }
  int lastShake() const { return lastShake_; }
  // What the last present said had changed (all of it when it did not say).
  const FrameArea& lastChanged() const { return lastChanged_; }
  const MenuItemState& menu(std::string_view item);

 private:
  std::vector<InputStep> steps_;
  size_t stepIndex_ = 0;
  bool autoOk_ = false;
  bool active_ = true;
  int screenWidth_ = 1920, screenHeight_ = 1080, screenBits_ = 32;
  int mouseX_ = 0, mouseY_ = 0;
  uint64_t polls_ = 0, presents_ = 0, pumps_ = 0, waits_ = 0;
  FrameArea lastChanged_{0, 0, 800, 600};
  int closeRequests_ = 0;
  std::deque<BoxResult> answers_;
  bool answerYes_ = false;
  std::vector<RecordedBox> boxes_;
  std::function<void(const RecordedBox&)> boxListener_;
  std::function<void(const uint32_t*, uint64_t)> presentListener_;
  std::function<void()> pumpListener_;
  std::function<void()> closeListener_;
  std::function<void(InputState&)> inputListener_;
  // Event input: held now, and pressed since the last poll.
  bool eventKeys_[kVkKeyCount] = {};
  bool latchedKeys_[kVkKeyCount] = {};
  bool eventMouse_[2] = {}, latchedMouse_[2] = {};
  uint32_t eventButtons_ = 0, latchedButtons_ = 0;
  int eventWheel_ = 0;
  std::vector<uint32_t> lastFrame_;
  int lastShake_ = 0;
  std::map<std::string, MenuItemState, std::less<>> menus_;
};

// What the virtual pad holds from one poll on (a `POLL pad LIST` line).
struct PadStep {
  uint64_t poll = 1;  // first input poll it applies to
  JoystickState state;
};

// A joystick that is present only when a test plugs one in. Its state is
// set directly, or follows pad steps counted by the host's input polls.
class HeadlessJoystick : public Joystick {
 public:
  static constexpr std::string_view kVirtualPadName = "KOBRE virtual pad";

  int deviceCount() override { return static_cast<int>(names_.size()); }
  std::string deviceName(int index) override;
  bool open(int index) override;
  void close() override { opened_ = -1; }
  bool poll(JoystickState& state) override;
  bool hasRumble() override { return opened_ >= 0 && canRumble_; }
  bool rumble(uint16_t low, uint16_t high, uint32_t ms) override;
  bool controllerLayout(int index, ControllerLayout& out) override;

  void plug(std::string name) { names_.push_back(std::move(name)); }
  // Pulls out device index; the open one then fails its polls.
  void unplug(int index);
  void setState(const JoystickState& state) { state_ = state; }
  void setCanRumble(bool on) { canRumble_ = on; }
  // Makes device index a known game controller with this layout.
  void setLayout(int index, const ControllerLayout& layout) { layouts_[index] = layout; }
  // Pad steps (sorted here) follow the input polls of host.
  void setPadInput(std::vector<PadStep> steps, const HeadlessHost* host);
  struct Rumble {
    uint16_t low, high;
    uint32_t ms;
  };
  const std::vector<Rumble>& rumbles() const { return rumbles_; }

 private:
  std::vector<std::string> names_;
  int opened_ = -1;  // -2: the open device was pulled out
  bool canRumble_ = true;
  JoystickState state_;
  std::vector<PadStep> padSteps_;
  const HeadlessHost* host_ = nullptr;
  std::map<int, ControllerLayout> layouts_;
  std::vector<Rumble> rumbles_;
};

class HeadlessShell : public Shell {
 public:
  int open(std::string_view name, std::string_view parameters) override {
    calls_.push_back({std::string(name), std::string(parameters)});
    return result_;
  }
  void setResult(int result) { result_ = result; }
  const std::vector<std::pair<std::string, std::string>>& calls() const { return calls_; }

 private:
  int result_ = 42;
  std::vector<std::pair<std::string, std::string>> calls_;
};

// Records every text drawn (position, text, font, colour) and marks the
// glyph cells so frames show where text went, without a font engine.
class HeadlessTextRasterizer : public TextRasterizer {
 public:
  struct Run {
    int x, y;
    std::string text;  // CP932
    FontSpec font;
    uint32_t rgb;
  };
  void drawText(uint32_t* pixels, int width, int height, int stride, int x, int y,
                std::string_view cp932, const FontSpec& font, uint32_t rgb) override;
  const std::vector<Run>& runs() const { return runs_; }
  void clear() { runs_.clear(); }

 private:
  std::vector<Run> runs_;
};

// Keeps every line for tests to read; the headless runner also echoes them
// to standard error.
class HeadlessLog : public Log {
 public:
  void write(std::string_view line) override {
    lines_.emplace_back(line);
    if (echoToStderr) stderrLog_.write(line);
  }
  const std::vector<std::string>& lines() const { return lines_; }
  bool echoToStderr = false;

 private:
  std::vector<std::string> lines_;
  FdLog stderrLog_{2};
};

// What the next modal dialog answers, queued by a `POLL dialog ...` line:
// it applies to the first dialog that opens at or after that poll.
struct DialogStep {
  uint64_t poll = 1;
  bool ok = true;
  std::string text;  // UTF-8, the edit's text on OK
};

struct RecordedDialog {
  std::string name;    // "saveComment"
  std::string preset;  // CP932
  CommentAnswer answer;
};

// Modal dialogs answered from queued steps; without one that applies, a
// dialog answers OK with its preset text.
class HeadlessDialogs : public Dialogs {
 public:
  HeadlessDialogs(const HeadlessHost& host, TextCodec& codec) : host_(host), codec_(codec) {}
  CommentAnswer saveComment(std::string_view preset) override;

  void queue(DialogStep step) { steps_.push_back(std::move(step)); }
  const std::vector<RecordedDialog>& dialogs() const { return dialogs_; }
  // Called for every dialog as it is answered (the headless runner prints them).
  void onDialog(std::function<void(const RecordedDialog&)> fn) { listener_ = std::move(fn); }

 private:
  const HeadlessHost& host_;
  TextCodec& codec_;
  std::deque<DialogStep> steps_;
  std::vector<RecordedDialog> dialogs_;
  std::function<void(const RecordedDialog&)> listener_;
};

// All of it in one object, with the real POSIX file layer over a game folder.
class HeadlessPlatform {
 public:
  explicit HeadlessPlatform(std::string gameFolder, std::string writableFolder = {});

  Platform& platform() { return platform_; }
  VirtualClock clock;
  HeadlessHost host;
  HeadlessAudioDevice audio;
  HeadlessJoystick joystick;
  HeadlessShell shell;
  HeadlessTextRasterizer raster;
  IconvTextCodec text;
  PosixFileSystem files;
  HeadlessLog log;
  HeadlessDialogs dialogs{host, text};

 private:
  Platform platform_;
};

}  // namespace kobre::platform::headless
