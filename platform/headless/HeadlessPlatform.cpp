#include "platform/headless/HeadlessPlatform.h"

#include <algorithm>
#include <cstring>

#include "common/Buttons.h"
#include "common/Sjis.h"

namespace kobre::platform::headless {

void VirtualClock::advance(uint64_t ms) {
  now_ += ms;
  if (audio_) audio_->advance(ms);
}

bool HeadlessAudioDevice::open(int sampleRate, int channels, int bits) {
  if (failOpen_ || channels != 2 || bits != 16 || sampleRate <= 0) return false;
  rate_ = sampleRate;
  open_ = true;
  return true;
}

void HeadlessAudioDevice::advance(uint64_t ms) {
  if (!open_) return;
  // Frames owed for this much time, carrying the fraction to the next call.
  uint64_t total = ms * static_cast<uint64_t>(rate_) + msRemainder_;
  uint64_t frames = total / 1000;
  msRemainder_ = total % 1000;
  while (frames > 0) {
    int chunk = static_cast<int>(std::min<uint64_t>(frames, 4096));
    mixBuffer_.assign(static_cast<size_t>(chunk) * 2, 0);
    if (source_) source_->mix(mixBuffer_.data(), chunk);
    if (recording_) recorded_.insert(recorded_.end(), mixBuffer_.begin(), mixBuffer_.end());
    framesPlayed_ += static_cast<uint64_t>(chunk);
    frames -= static_cast<uint64_t>(chunk);
  }
}

void HeadlessHost::pumpEvents() {
  ++pumps_;
  if (pumpListener_) pumpListener_();
}

void HeadlessHost::requestClose() {
  ++closeRequests_;
  if (closeListener_) closeListener_();
}

void HeadlessHost::setInput(std::vector<InputStep> steps) {
  std::stable_sort(steps.begin(), steps.end(),
                   [](const InputStep& a, const InputStep& b) { return a.poll < b.poll; });
  steps_ = std::move(steps);
  stepIndex_ = 0;
}

void HeadlessHost::pressKey(int vk) {
  if (vk <= 0 || vk >= kVkKeyCount) return;
  eventKeys_[vk] = latchedKeys_[vk] = true;
}

void HeadlessHost::releaseKey(int vk) {
  if (vk > 0 && vk < kVkKeyCount) eventKeys_[vk] = false;
}

void HeadlessHost::pressMouse(bool left, bool right) {
  if (left) eventMouse_[0] = latchedMouse_[0] = true;
  if (right) eventMouse_[1] = latchedMouse_[1] = true;
}

void HeadlessHost::releaseMouse(bool left, bool right) {
  if (left) eventMouse_[0] = false;
  if (right) eventMouse_[1] = false;
}

void HeadlessHost::pressButtons(uint32_t buttons) {
  eventButtons_ |= buttons;
  latchedButtons_ |= buttons;
}

void HeadlessHost::releaseButtons(uint32_t buttons) {
  eventButtons_ &= ~buttons;
}

void HeadlessHost::readInput(InputState& state) {
  ++polls_;
  state = InputState{};
  // The step in force is the last one whose poll has come.
  bool fresh = false;
  while (stepIndex_ < steps_.size() && steps_[stepIndex_].poll <= polls_) {
    ++stepIndex_;
    fresh = true;
  }
  const InputStep* step = stepIndex_ > 0 ? &steps_[stepIndex_ - 1] : nullptr;
  if (step) {
    if (step->x >= 0) mouseX_ = step->x;
    if (step->y >= 0) mouseY_ = step->y;
    state.extraButtons = step->buttons & ~(kButtonWheelUp | kButtonWheelDown);
    for (int key : step->keys)
      if (key >= 0 && key < kVkKeyCount) state.keys[key] = true;
    state.mouseLeft = step->mouseLeft;
    state.mouseRight = step->mouseRight;
    if (fresh) {
      int wheel = step->wheelDelta;
      if (step->buttons & kButtonWheelUp) wheel = 120;
      if (step->buttons & kButtonWheelDown) wheel = -120;
      // The window only hears the wheel while the cursor is over its client area.
      if (mouseX_ >= 0 && mouseX_ < 800 && mouseY_ >= 0 && mouseY_ < 600) state.wheelDelta = wheel;
    }
  }
  // Auto-Ok fills in whenever the input file holds nothing: before its first
  // line and after a line that releases everything ("-").
  const bool idle = step == nullptr || (step->buttons == 0 && step->keys.empty() &&
                                        !step->mouseLeft && !step->mouseRight);
  if (autoOk_ && idle && polls_ % 2 == 0) state.extraButtons = kButtonOk;
  state.cursorX = mouseX_;
  state.cursorY = mouseY_;

  // Event input: what is held now and what was pressed since the last poll.
  for (int vk = 0; vk < kVkKeyCount; ++vk) {
    if (eventKeys_[vk] || latchedKeys_[vk]) state.keys[vk] = true;
    latchedKeys_[vk] = false;
  }
  state.mouseLeft = state.mouseLeft || eventMouse_[0] || latchedMouse_[0];
  state.mouseRight = state.mouseRight || eventMouse_[1] || latchedMouse_[1];
  latchedMouse_[0] = latchedMouse_[1] = false;
  state.extraButtons |= (eventButtons_ | latchedButtons_) & ~(kButtonWheelUp | kButtonWheelDown);
  latchedButtons_ = 0;
  if (eventWheel_ != 0 && state.wheelDelta == 0) state.wheelDelta = eventWheel_;
  eventWheel_ = 0;

  if (inputListener_) {
    inputListener_(state);
    mouseX_ = state.cursorX;
    mouseY_ = state.cursorY;
  }
}

void HeadlessHost::present(const uint32_t* pixels, int stride, int shakeOffset) {
  ++presents_;
  lastShake_ = shakeOffset;
  lastChanged_ = {0, 0, 800, 600};
  lastFrame_.assign(800 * 600, 0);
  for (int y = 0; y < 600; ++y) {
    int src = y - shakeOffset;  // positive offsets move the picture down
    if (src < 0 || src >= 600) continue;
    std::memcpy(&lastFrame_[static_cast<size_t>(y) * 800],
                pixels + static_cast<ptrdiff_t>(src) * stride, 800 * sizeof(uint32_t));
  }
  if (presentListener_) presentListener_(lastFrame_.data(), polls_);
}

BoxResult HeadlessHost::messageBox(const MessageBoxSpec& spec) {
  RecordedBox box;
  box.spec = spec;
  if (!answers_.empty()) {
    box.answer = answers_.front();
    answers_.pop_front();
  } else if (spec.buttons == BoxButtons::YesNo) {
    box.answer = answerYes_ ? BoxResult::Yes : spec.defaultButton;
  } else {
    box.answer = BoxResult::Ok;
  }
  if (spec.buttons == BoxButtons::Ok) box.answer = BoxResult::Ok;
  boxes_.push_back(box);
  if (boxListener_) boxListener_(boxes_.back());
  return box.answer;
}

void HeadlessHost::setMenuEnabled(std::string_view item, bool enabled) {
  menus_[std::string(item)].enabled = enabled;
}
void HeadlessHost::setMenuVisible(std::string_view item, bool visible) {
  menus_[std::string(item)].visible = visible;
}
void HeadlessHost::setMenuChecked(std::string_view item, bool checked) {
  menus_[std::string(item)].checked = checked;
}
bool HeadlessHost::isMenuChecked(std::string_view item) {
  auto it = menus_.find(item);
  return it != menus_.end() && it->second.checked;
}
void HeadlessHost::setMenuCaption(std::string_view item, std::string_view caption) {
  menus_[std::string(item)].caption = std::string(caption);
}
const MenuItemState& HeadlessHost::menu(std::string_view item) {
  return menus_[std::string(item)];
}

std::string HeadlessJoystick::deviceName(int index) {
  return index >= 0 && index < deviceCount() ? names_[static_cast<size_t>(index)] : std::string();
}

bool HeadlessJoystick::open(int index) {
  if (index < 0 || index >= deviceCount()) return false;
  opened_ = index;
  return true;
}

bool HeadlessJoystick::poll(JoystickState& state) {
  if (opened_ < 0) return false;
  if (host_ != nullptr && !padSteps_.empty()) {
    // The step in force is the last one whose poll has come.
    state_ = {};
    for (const PadStep& step : padSteps_) {
      if (step.poll > host_->polls()) break;
      state_ = step.state;
    }
  }
  state = state_;
  return true;
}

bool HeadlessJoystick::rumble(uint16_t low, uint16_t high, uint32_t ms) {
  if (opened_ < 0 || !canRumble_) return false;
  rumbles_.push_back({low, high, ms});
  return true;
}

bool HeadlessJoystick::controllerLayout(int index, ControllerLayout& out) {
  auto it = layouts_.find(index);
  if (index < 0 || index >= deviceCount() || it == layouts_.end()) return false;
  out = it->second;
  return true;
}

void HeadlessJoystick::unplug(int index) {
  if (index < 0 || index >= deviceCount()) return;
  names_.erase(names_.begin() + index);
  layouts_.erase(index);
  if (opened_ == index)
    opened_ = -2;
  else if (opened_ > index)
    --opened_;
}

void HeadlessJoystick::setPadInput(std::vector<PadStep> steps, const HeadlessHost* host) {
  std::stable_sort(steps.begin(), steps.end(),
                   [](const PadStep& a, const PadStep& b) { return a.poll < b.poll; });
  padSteps_ = std::move(steps);
  host_ = host;
}

void HeadlessTextRasterizer::drawText(uint32_t* pixels, int width, int height, int stride, int x,
                                      int y, std::string_view cp932, const FontSpec& font,
                                      uint32_t rgb) {
  runs_.push_back({x, y, std::string(cp932), font, rgb});
  // Fill a small square per character cell so pictures show the text's place.
  int cell = std::max(2, font.pixelHeight / 2);
  int cx = x;
  for (size_t i = 0; i < cp932.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(cp932[i]);
    bool wide = isWideLead(b);
    int w = wide ? font.pixelHeight : font.pixelHeight / 2;
    if (b != ' ') {
      for (int yy = y + 2; yy < y + 2 + cell; ++yy)
        for (int xx = cx + 1; xx < cx + 1 + cell; ++xx)
          if (xx >= 0 && yy >= 0 && xx < width && yy < height)
            pixels[static_cast<ptrdiff_t>(yy) * stride + xx] = rgb;
    }
    cx += w;
    if (wide) ++i;
  }
}

HeadlessPlatform::HeadlessPlatform(std::string gameFolder, std::string writableFolder)
    : files(std::move(gameFolder), std::move(writableFolder)) {
  clock.attachAudio(&audio);
  platform_.clock = &clock;
  platform_.host = &host;
  platform_.files = &files;
  platform_.text = &text;
  platform_.audio = &audio;
  platform_.joystick = &joystick;
  platform_.shell = &shell;
  platform_.raster = &raster;
  platform_.log = &log;
  platform_.dialogs = &dialogs;
}

CommentAnswer HeadlessDialogs::saveComment(std::string_view preset) {
  RecordedDialog d;
  d.name = "saveComment";
  d.preset = std::string(preset);
  d.answer.ok = true;
  d.answer.text = d.preset;
  // Steps are kept in input order; the first whose poll has come answers.
  const uint64_t now = host_.polls();
  for (auto it = steps_.begin(); it != steps_.end(); ++it) {
    if (it->poll > now) continue;
    d.answer.ok = it->ok;
    d.answer.text = it->ok ? codec_.toCp932(it->text) : std::string();
    steps_.erase(it);
    break;
  }
  dialogs_.push_back(d);
  if (listener_) listener_(d);
  return d.answer;
}

}  // namespace kobre::platform::headless
