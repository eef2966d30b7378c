#include "input/PadConfig.h"

#include "common/Buttons.h"
#include "platform/FileSystem.h"

namespace kobre {

namespace {

// A settings file is a few hundred bytes; a huge one is not ours.
constexpr uint64_t kMaxPadFileBytes = UINT64_C(1) << 20;

// The order in which a capture tries the controls: right, left, down, up,
// then buttons 0 to 15.
constexpr int32_t kFirstCaptureCode = kPadCodeRight;
constexpr int32_t kLastCaptureCode = 15;

int32_t layoutCode(int control) {
  return control == platform::ControllerLayout::kLayoutNone ? kPadUnassigned : control;
}

bool isButton(int control) {
  return control >= 0 && control <= 31;
}

}  // namespace

PadSettings defaultPadSettings() {
  PadSettings s;
  s.codes = {kPadCodeUp, kPadCodeDown, kPadCodeLeft, kPadCodeRight, 1, 2, 6, 0, 7, 5, 8, 9};
  return s;
}

std::array<int32_t, kLogicalButtonCount> controllerPadCodes(const platform::ControllerLayout& l) {
  std::array<int32_t, kLogicalButtonCount> codes{};
  // The d-pad when it is made of buttons; otherwise the stick.
  if (isButton(l.dpadUp) && isButton(l.dpadDown) && isButton(l.dpadLeft) && isButton(l.dpadRight)) {
    codes[0] = l.dpadUp;
    codes[1] = l.dpadDown;
    codes[2] = l.dpadLeft;
    codes[3] = l.dpadRight;
  } else {
    codes[0] = kPadCodeUp;
    codes[1] = kPadCodeDown;
    codes[2] = kPadCodeLeft;
    codes[3] = kPadCodeRight;
  }
  codes[4] = layoutCode(l.south);           // Ok
  codes[5] = layoutCode(l.east);            // Cancel
  codes[6] = layoutCode(l.west);            // Control: message skip
  codes[7] = layoutCode(l.north);           // Center: replay the voice
  codes[8] = layoutCode(l.back);            // WheelUp: log back
  codes[9] = layoutCode(l.start);           // WheelDown: log forward
  codes[10] = layoutCode(l.leftShoulder);   // Load
  codes[11] = layoutCode(l.rightShoulder);  // Save
  return codes;
}

PadSettings readPadSettings(const ProfileFile& f, const PadSettings& defaults) {
  PadSettings s;
  s.deviceNumber = f.readInteger("Device", "Number", defaults.deviceNumber);
  for (size_t i = 0; i < kPadButtonKeys.size(); ++i)
    s.codes[i] = f.readInteger("Buttons", kPadButtonKeys[i], defaults.codes[i]);
  s.forceFeedback = f.readBool("ForthFeedBack", "Enable", defaults.forceFeedback);
  return s;
}

void writePadSettings(ProfileFile& f, const PadSettings& s) {
  f.writeInteger("Device", "Number", s.deviceNumber);
  for (size_t i = 0; i < kPadButtonKeys.size(); ++i)
    f.writeInteger("Buttons", kPadButtonKeys[i], s.codes[i]);
  f.writeBool("ForthFeedBack", "Enable", s.forceFeedback);
}

std::string padCodeName(int32_t code) {
  switch (code) {
    case kPadCodeUp:
      return "Up";
    case kPadCodeDown:
      return "Down";
    case kPadCodeLeft:
      return "Left";
    case kPadCodeRight:
      return "Right";
    default:
      if (code >= 0 && code <= 15) return "B" + std::to_string(code);
      return {};
  }
}

PadSettings PadConfig::current() const {
  PadSettings s;
  s.deviceNumber = deviceNumber_;
  for (int i = 0; i < kLogicalButtonCount; ++i)
    s.codes[static_cast<size_t>(i)] = joypad_.assignment(logicalButtonBit(i));
  s.forceFeedback = forceFeedback_;
  return s;
}

PadSettings PadConfig::defaults() const {
  PadSettings d = defaultPadSettings();
  d.deviceNumber = deviceNumber_;
  return d;
}

void PadConfig::loadSettings(std::string_view name) {
  ProfileFile file;
  std::vector<uint8_t> bytes;
  if (files_ != nullptr && files_->readAll(name, bytes, kMaxPadFileBytes)) file.load(bytes);
  const PadSettings s = readPadSettings(file, defaults());
  deviceNumber_ = s.deviceNumber;
  for (int i = 0; i < kLogicalButtonCount; ++i)
    joypad_.assign(logicalButtonBit(i), s.codes[static_cast<size_t>(i)]);
  forceFeedback_ = s.forceFeedback;
  joypad_.setForceFeedback(forceFeedback_);
}

void PadConfig::startUp() {
  const bool hadFile = files_ != nullptr && files_->exists(kPadSettingsFileName);
  loadSettings(kPadSettingsFileName);
  joypad_.open();
  joypad_.selectDevice(deviceNumber_);
  platform::ControllerLayout layout;
  if (!hadFile && joypad_.isReady() && joypad_.controllerLayout(deviceNumber_, layout)) {
    const auto codes = controllerPadCodes(layout);
    for (int i = 0; i < kLogicalButtonCount; ++i)
      joypad_.assign(logicalButtonBit(i), codes[static_cast<size_t>(i)]);
  }
}

bool PadConfig::saveSettings() {
  if (files_ == nullptr) return false;
  // Lines others put into the file stay; our keys are rewritten in order.
  ProfileFile file;
  std::vector<uint8_t> bytes;
  if (files_->readAll(kPadSettingsFileName, bytes, kMaxPadFileBytes)) file.load(bytes);
  writePadSettings(file, current());
  const std::vector<uint8_t> out = file.save();
  return files_->writeAtomic(kPadSettingsFileName, out);
}

PadView PadConfig::refresh() const {
  PadView v;
  if (joypad_.deviceCount() > 0) {
    for (int i = 0; i < joypad_.deviceCount(); ++i) {
      std::string name = joypad_.deviceName(i);
      if (name.empty()) break;
      v.devices.push_back(std::move(name));
    }
    v.selected = deviceNumber_;
  }
  if (v.devices.empty()) {
    v.devices.emplace_back(kPadNoDevice);
    v.selected = 0;
  }
  for (int i = 0; i < kLogicalButtonCount; ++i)
    v.edits[static_cast<size_t>(i)] = padCodeName(joypad_.assignment(logicalButtonBit(i)));
  v.forceFeedbackAvailable = joypad_.forceFeedbackAvailable();
  v.forceFeedbackLabel =
      std::string(v.forceFeedbackAvailable ? kPadFFAvailable : kPadFFUnavailable);
  v.forceFeedbackChecked = forceFeedback_;
  return v;
}

PadCapture PadConfig::capture(int focusedEdit, bool deleteHeld) {
  PadCapture result;
  if (!joypad_.poll()) return result;
  int32_t code = kPadNothingPressed;
  for (int32_t c = kFirstCaptureCode; c <= kLastCaptureCode; ++c) {
    if (joypad_.isRawPressed(c)) {
      code = c;
      break;
    }
  }
  if (deleteHeld) code = kPadUnassigned;
  // A control held down is taken once.
  if (code == lastSeenCode_) return result;
  lastSeenCode_ = code;
  if (code == kPadNothingPressed) return result;
  if (focusedEdit < 0 || focusedEdit >= kLogicalButtonCount) return result;
  result.bound = true;
  result.edit = focusedEdit;
  result.code = code;
  result.text = padCodeName(code);
  joypad_.assign(logicalButtonBit(focusedEdit), code);
  result.nextFocus = focusedEdit + 1;  // after the last edit: the close button
  return result;
}

void PadConfig::recognizeAgain() {
  joypad_.open();
  joypad_.selectDevice(deviceNumber_);
}

void PadConfig::selectDevice(int index) {
  deviceNumber_ = index;
  joypad_.selectDevice(index);
}

}  // namespace kobre
