#include "input/Joypad.h"

#include <bit>
#include <cstdio>

#include "common/Utf8.h"

namespace kobre {

namespace {

constexpr const char* kUnit = "DI.cpp";

// The stick's dead zone: a quarter of the travel around the centre reads as
// centre, on either side.
constexpr int kDeadZone = 32768 / 4;

// SDL ends a rumble after at most about 65 s; a lasting one is sent again
// well before that.
constexpr uint32_t kRumbleMs = 0xFFFF;
constexpr uint32_t kRumbleRenewMs = 30000;

struct CodeText {
  uint32_t code;
  const char* text;
};

constexpr CodeText kDirectInputTexts[] = {
    {0x80004001, "DIERR_UNSUPPORTED"},
    {0x80004002, "DIERR_NOINTERFACE"},
    {0x80004005, "DIERR_GENERIC"},
    {0x80040110, "DIERR_NOAGGREGATION"},
    {0x80040154, "DIERR_DEVICENOTREG"},
    {0x80040200, "DIERR_INSUFFICIENTPRIVS"},
    {0x80040201, "DIERR_DEVICEFULL"},
    {0x80040202, "DIERR_MOREDATA"},
    {0x80040203, "DIERR_NOTDOWNLOADED"},
    {0x80040204, "DIERR_HASEFFECTS"},
    {0x80040205, "DIERR_NOTEXCLUSIVEACQUIRED"},
    {0x80040206, "DIERR_INCOMPLETEEFFECT"},
    {0x80040207, "DIERR_NOTBUFFERED"},
    {0x80040208, "DIERR_EFFECTPLAYING"},
    {0x80040209, "DIERR_UNPLUGGED"},
    {0x8004020A, "DIERR_REPORTFULL"},
    {0x80070002, "DIERR_OBJECTNOTFOUND"},
    {0x80070005, "DIERR_OTHERAPPHASPRIO"},
    {0x8007000C, "DIERR_NOTACQUIRED"},
    {0x8007000E, "DIERR_OUTOFMEMORY"},
    {0x80070015, "DIERR_NOTINITIALIZED"},
    {0x8007001E, "DIERR_INPUTLOST"},
    {0x80070057, "DIERR_INVALIDPARAM"},
    {0x80070077, "DIERR_BADDRIVERVER"},
    {0x800700AA, "DIERR_ACQUIRED"},
    {0x8007047E, "DIERR_OLDDIRECTINPUTVERSION"},
    {0x80070481, "DIERR_BETADIRECTINPUTVERSION"},
    {0x800704DF, "DIERR_ALREADYINITIALIZED"},
};

}  // namespace

int logicalButtonIndex(uint32_t bit) {
  if (bit == 0 || bit > 0x800 || !std::has_single_bit(bit)) return -1;
  return std::countr_zero(bit);
}

std::string_view directInputErrorText(uint32_t code) {
  for (const CodeText& entry : kDirectInputTexts)
    if (entry.code == code) return entry.text;
  return "未定義のエラー";
}

std::string formatDirectInputError(std::string_view sourcePath, int line, uint32_t code) {
  size_t cut = sourcePath.find_last_of("\\/");
  std::string_view unit = cut == std::string_view::npos ? sourcePath : sourcePath.substr(cut + 1);
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", code);
  std::string out(unit);
  out += " (";
  out += std::to_string(line);
  out += ")\n";
  out += directInputErrorText(code);
  out += ' ';
  out += hex;
  return cutUtf8(std::move(out), 1023);
}

Joypad::Joypad(platform::Joystick* joystick, platform::Host* host, platform::Clock* clock)
    : joystick_(joystick), host_(host), clock_(clock) {
  buttonAssignment_.fill(kPadUnassigned);
}

Joypad::~Joypad() {
  release();
}

bool Joypad::open() {
  release();
  if (joystick_ == nullptr) return false;
  if (!joystick_->available()) {
    reportDirectInputError(kUnit, __LINE__, kDiErrNotInitialized);
    return false;
  }
  layer_ = true;
  const int found = joystick_->deviceCount();
  for (int i = 0; i < found && deviceCount_ < kPadMaxDevices; ++i)
    deviceTable_[static_cast<size_t>(deviceCount_++)] = joystick_->deviceName(i);
  if (deviceCount_ == 0) {
    ready_ = false;
    forceFeedbackAvailable_ = false;
    return false;
  }
  return true;
}

std::string Joypad::deviceName(int index) const {
  if (!layer_ || index < 0 || index >= kPadMaxDevices || index >= deviceCount_) return {};
  return deviceTable_[static_cast<size_t>(index)];
}

bool Joypad::selectDevice(int index) {
  if (!layer_ || index < 0 || index >= deviceCount_) return false;
  closeDevice();
  selected_ = index;
  if (!joystick_->open(index)) return false;
  ready_ = true;
  forceFeedbackAvailable_ = joystick_->hasRumble();
  magnitude_ = 0;
  return true;
}

bool Joypad::poll() {
  if (!ready_ && layer_ && joystick_ != nullptr) {
    // Nothing open: a joystick plugged in meanwhile is taken up here, the one
    // last chosen when it is there again, else the first.
    // A device that will not open is tried again only once the list changes.
    const int count = joystick_->deviceCount();
    if (count > 0 && count != autoOpenCount_) {
      autoOpenCount_ = count;
      const int wanted = selected_;
      if (open()) {
        if (!selectDevice(wanted < deviceCount_ ? wanted : 0)) return false;
        selected_ = wanted;
      }
    } else if (count == 0) {
      autoOpenCount_ = 0;
    }
  }
  if (!ready_) return false;
  if (!joystick_->poll(state_)) {
    // Pulled out: forget it, so that it is opened again once it is back.
    closeDevice();
    autoOpenCount_ = -1;
    return false;
  }
  if (magnitude_ > 0 && forceFeedbackEnabled_ && forceFeedbackAvailable_ && clock_ != nullptr &&
      clock_->tickCount() - sentAt_ >= kRumbleRenewMs)
    sendRumble();
  return true;
}

bool Joypad::testCode(int32_t code) const {
  switch (code) {
    case kPadCodeUp:
      return state_.y < -kDeadZone;
    case kPadCodeDown:
      return state_.y >= kDeadZone;
    case kPadCodeLeft:
      return state_.x < -kDeadZone;
    case kPadCodeRight:
      return state_.x >= kDeadZone;
    default:
      if (code < 0 || code > 31) return false;
      return (state_.buttons >> code) & 1u;
  }
}

bool Joypad::isPressed(uint32_t bit) const {
  if (!ready_) return false;
  const int index = logicalButtonIndex(bit);
  if (index < 0) return false;
  return testCode(buttonAssignment_[static_cast<size_t>(index)]);
}

bool Joypad::isRawPressed(int32_t code) const {
  return ready_ && testCode(code);
}

uint32_t Joypad::pressedButtons() const {
  uint32_t held = 0;
  for (int i = 0; i < kLogicalButtonCount; ++i)
    if (isPressed(logicalButtonBit(i))) held |= logicalButtonBit(i);
  return held;
}

int32_t Joypad::assignment(uint32_t bit) const {
  const int index = logicalButtonIndex(bit);
  return index < 0 ? kPadUnassigned : buttonAssignment_[static_cast<size_t>(index)];
}

void Joypad::assign(uint32_t bit, int32_t code) {
  const int index = logicalButtonIndex(bit);
  if (index >= 0) buttonAssignment_[static_cast<size_t>(index)] = code;
}

bool Joypad::rumble(int32_t magnitude) {
  if (!ready_ || !forceFeedbackAvailable_) return false;
  if (!forceFeedbackEnabled_) return true;
  magnitude_ = magnitude < 0 ? 0 : magnitude > kRumbleMax ? kRumbleMax : magnitude;
  return sendRumble();
}

bool Joypad::sendRumble() {
  const auto strength =
      static_cast<uint16_t>(static_cast<uint32_t>(magnitude_) * 0xFFFFu / kRumbleMax);
  if (clock_ != nullptr) sentAt_ = clock_->tickCount();
  if (joystick_->rumble(strength, strength, magnitude_ > 0 ? kRumbleMs : 0)) return true;
  // A joystick pulled out is no error of the layer: the next poll finds it gone.
  platform::JoystickState probe;
  if (!joystick_->poll(probe)) return false;
  reportDirectInputError(kUnit, __LINE__, kDiErrGeneric);
  return false;
}

void Joypad::closeDevice() {
  if (joystick_ != nullptr && ready_) joystick_->close();
  ready_ = false;
  forceFeedbackAvailable_ = false;
  magnitude_ = 0;
  state_ = {};
}

void Joypad::release() {
  if (joystick_ != nullptr && ready_ && forceFeedbackAvailable_ && magnitude_ > 0)
    joystick_->rumble(0, 0, 0);
  closeDevice();
  layer_ = false;
  deviceCount_ = 0;
  deviceTable_.fill({});
}

bool Joypad::controllerLayout(int index, platform::ControllerLayout& out) const {
  if (!layer_ || index < 0 || index >= deviceCount_) return false;
  return joystick_->controllerLayout(index, out);
}

void Joypad::reportDirectInputError(std::string_view sourcePath, int line, uint32_t code) {
  if (host_ == nullptr) return;
  platform::MessageBoxSpec spec;
  spec.caption = "Direct Input Error";
  spec.text = formatDirectInputError(sourcePath, line, code);
  spec.buttons = platform::BoxButtons::Ok;
  host_->messageBox(spec);
}

}  // namespace kobre
