#include "app/HeadlessRunner.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/ScreenBitmap.h"
#include "app/frame/EngineFactory.h"
#include "app/frame/MainFrame.h"
#include "app/frame/MenuCommands.h"
#include "common/Buttons.h"
#include "platform/posix/InstanceLock.h"
#include "script/GameState.h"
#include "script/Runtime.h"
#include "script/SceneSlots.h"
#include "sound/WaveRecording.h"

namespace kobre::app {

namespace {

using platform::headless::InputStep;

bool writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

}  // namespace

class HeadlessRunner::Window : public frame::FrameWindow {
 public:
  void setCaption(std::string_view) override {}
  void applyDisplayMode(bool) override {}
  void restoreDesktopMode() override {}
  // Without anyone to ask, the dialog closes on its first entry.
  std::string chooseDrive(const std::vector<std::string>& roots) override {
    return roots.empty() ? std::string() : roots.front();
  }
};

// The menu commands' dialogs without a window: the save dialog takes the
// name it suggests (in the folder the run writes to); the others have nobody
// to ask and say so in the log.
class HeadlessRunner::Dialogs : public frame::MenuDialogs {
 public:
  explicit Dialogs(platform::headless::HeadlessPlatform& headless) : headless_(headless) {}
  SaveResult saveScreen(const std::string& suggestedName,
                        const frame::ScreenPicture& picture) override {
    const std::string path = headless_.files.writeFolder() + "/" + suggestedName;
    if (!writeScreenBitmap(path, picture)) {
      headless_.log.write("screen save: cannot write " + path);
      return SaveResult::Failed;
    }
    headless_.log.write("screen saved to " + path);
    return SaveResult::Saved;
  }
  void copyScreen(const frame::ScreenPicture&) override {
    headless_.log.write("screen copy: headless runs have no clipboard");
  }
  bool chooseFont(platform::FontSpec&) override {
    headless_.log.write("font dialog: nobody to choose in a headless run; cancelled");
    return false;
  }
  void showOptions() override { headless_.log.stub("options dialog"); }
  void showFlags() override { headless_.log.stub("flag viewer"); }
  void showPad() override { headless_.log.write("joypad settings: not shown in a headless run"); }
  void supportMail() override {
    headless_.log.write("support mail: the form is not shown in a headless run");
  }

 private:
  platform::headless::HeadlessPlatform& headless_;
};

HeadlessRunner::HeadlessRunner(HeadlessOptions options, std::ostream& out, std::ostream& err)
    : options_(std::move(options)), out_(out), err_(err) {
  headless_ = std::make_unique<platform::headless::HeadlessPlatform>(options_.gameFolder);
  headless_->log.echoToStderr = true;
  // The virtual pad is device 0; pad lines of the input file drive it.
  headless_->joystick.plug(std::string(platform::headless::HeadlessJoystick::kVirtualPadName));
  window_ = std::make_unique<Window>();
  engine_ = frame::createRuntimeEngine(headless_->platform());
  frame_ = std::make_unique<frame::MainFrame>(headless_->platform(), *engine_, *window_);
  // A close request runs the main window's close query, as a real window's
  // would. Granted: closing is set and every loop ends. Refused: nothing changes.
  headless_->host.onCloseRequest([this] { frame_->closeQuery(); });
  frame::connectFrame(*frame_, *engine_);
  dialogs_ = std::make_unique<Dialogs>(*headless_);
  menuCommands_ =
      std::make_unique<frame::MenuCommands>(headless_->platform(), *frame_, *engine_, *dialogs_);
  // The menu bar as the window makes it.
  for (std::string_view item : frame::MenuCommands::hiddenAtCreation())
    headless_->host.setMenuVisible(item, false);
  if (options_.debugMenu) headless_->host.setMenuVisible("MnDebug", true);
}

void HeadlessRunner::clickDueMenuItems() {
  auto& host = headless_->host;
  // An item of poll N is clicked in the pump of that poll (or the frame
  // loop's pump just before it).
  while (nextMenuStep_ < menuSteps_.size() && menuSteps_[nextMenuStep_].poll <= host.polls() + 1) {
    const MenuStep step = menuSteps_[nextMenuStep_++];
    const std::string_view menu = frame::MenuCommands::menuOf(step.item);
    const auto& state = host.menu(step.item);
    const bool reachable =
        state.visible && state.enabled && (menu.empty() || host.menu(menu).visible);
    if (!reachable) {
      err_ << "kobre: menu item " << step.item << " at poll " << step.poll
           << " is hidden or disabled; not clicked\n";
      continue;
    }
    menuCommands_->run(step.item);
  }
}

HeadlessRunner::~HeadlessRunner() {
  // The engine's objects go before the platform: no hook may reach the
  // runner's parts while they are being taken down.
  auto& host = headless_->host;
  host.onCloseRequest({});
  host.onInput({});
  host.onPump({});
  host.onBox({});
  headless_->dialogs.onDialog({});
  host.onPresent({});
}

void HeadlessRunner::autoChoose(platform::InputState& input) {
  struct Box {
    int x, y, width, height;
  };
  constexpr int kChoiceSlots = 10;
  std::array<Box, kChoiceSlots> boxes{};
  int shown = 0;
  const Runtime& rt = engine_->runtime();
  if (rt.gameSelectWaiting) {
    // The game select takes Left (game 0) and Right (game 1); Ok then comes
    // from --auto-ok or the input file.
    if (!choosing_) {
      choosing_ = true;
      choiceTarget_ = options_.autoChoose == AutoChoose::Last ? 1
                      : options_.autoChoose == AutoChoose::Random
                          ? static_cast<int>(chooseRandom_() % 2u)
                          : 0;
    }
    input.extraButtons |= choiceTarget_ == 0 ? kButtonLeft : kButtonRight;
    return;
  }
  if (!rt.choiceWaiting) {
    choosing_ = pendingClick_ = false;
    return;
  }
  for (int i = 0; i < kChoiceSlots; ++i) {
    const DIBSprite* box = rt.spriteSlots[static_cast<size_t>(slots::kChoiceBox + i)];
    if (box != nullptr && box->isLoaded() && box->width() > 0 && box->height() > 0)
      boxes[static_cast<size_t>(shown++)] = {box->x(), box->y(), box->width(), box->height()};
  }
  if (shown == 0) {
    choosing_ = pendingClick_ = false;
    return;
  }
  if (!choosing_) {
    choosing_ = true;
    switch (options_.autoChoose) {
      case AutoChoose::First:
      case AutoChoose::Off:
        choiceTarget_ = 0;
        break;
      case AutoChoose::Last:
        choiceTarget_ = shown - 1;
        break;
      case AutoChoose::Random:
        choiceTarget_ = static_cast<int>(chooseRandom_() % static_cast<uint32_t>(shown));
        break;
    }
  }
  const Box& box = boxes[static_cast<size_t>(std::min(choiceTarget_, shown - 1))];
  // The choice follows the mouse only when it moves: every other attempt
  // aims one pixel to the right, so a cursor left on the same spot by the
  // previous choice still moves.
  const int nudge = (chooseAttempts_ % 2 != 0 && box.width > 2) ? 1 : 0;
  input = platform::InputState{};
  input.cursorX = box.x + box.width / 2 + nudge;
  input.cursorY = box.y + box.height / 2;
  if (pendingClick_) {
    // The mouse is on the box since the last poll: Ok picks it. Should the
    // pick not take, the next poll starts over.
    input.extraButtons = kButtonOk;
    pendingClick_ = false;
    choosing_ = false;
    ++chooseAttempts_;
  } else {
    pendingClick_ = true;
  }
}

int HeadlessRunner::run() {
  auto& host = headless_->host;
  host.setAutoOk(options_.autoOk);
  headless_->audio.setRecording(!options_.audioOut.empty());
  host.setAnswerYes(options_.answerYes);
  if (!options_.inputFile.empty()) {
    std::ifstream file(options_.inputFile, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    std::vector<InputStep> steps;
    std::vector<platform::headless::PadStep> pad;
    std::vector<platform::headless::DialogStep> dialogs;
    std::string error;
    if (!file || !parseInputScript(text.str(), steps, pad, menuSteps_, dialogs, error)) {
      err_ << "kobre: " << options_.inputFile << ": " << (file ? error : "cannot be read") << "\n";
      return kExitUsage;
    }
    std::stable_sort(menuSteps_.begin(), menuSteps_.end(),
                     [](const MenuStep& a, const MenuStep& b) { return a.poll < b.poll; });
    host.setInput(std::move(steps));
    headless_->joystick.setPadInput(std::move(pad), &host);
    for (auto& d : dialogs) headless_->dialogs.queue(std::move(d));
  }
  if (options_.autoChoose != AutoChoose::Off) {
    if (!options_.autoChooseSeeded) {
      options_.autoChooseSeed = std::random_device()();
      if (options_.autoChoose == AutoChoose::Random)
        err_ << "kobre: --auto-choose random:" << options_.autoChooseSeed << "\n";
    }
    chooseRandom_.seed(options_.autoChooseSeed);
    host.onInput([this](platform::InputState& input) { autoChoose(input); });
  }
  host.onBox([this](const platform::headless::RecordedBox& box) {
    out_ << boxLine(box.spec) << "\n";
    out_.flush();
  });
  headless_->dialogs.onDialog([this](const platform::headless::RecordedDialog& d) {
    out_ << "DIALOG\t" << d.name << "\t" << (d.answer.ok ? "ok" : "cancel") << "\t"
         << headless_->text.toUtf8(d.answer.text) << "\n";
    out_.flush();
  });
  host.onPresent([this](const uint32_t* pixels, uint64_t poll) {
    for (Screenshot& shot : options_.screenshots) {
      if (shot.written || poll < shot.poll) continue;
      shot.written = true;
      if (!writePng(shot.path, pixels, kScreenWidth, kScreenHeight))
        err_ << "kobre: cannot write " << shot.path << "\n";
    }
    for (Screenshot& dump : options_.spriteDumps) {
      if (dump.written || poll < dump.poll) continue;
      dump.written = true;
      const std::string text = spriteDump(engine_->runtime(), &headless_->text);
      if (!writeFileBytes(dump.path, std::vector<uint8_t>(text.begin(), text.end())))
        err_ << "kobre: cannot write " << dump.path << "\n";
    }
  });
  host.onPump([this] {
    if (pumpHook_) pumpHook_();
    clickDueMenuItems();
    const uint64_t polls = headless_->host.polls();
    if (polls != pollsSeen_) {
      pollsSeen_ = polls;
      pumpsWithoutPoll_ = 0;
    } else {
      ++pumpsWithoutPoll_;
    }
    // With --max-polls, a million script steps without a single input poll
    // count as running out too: the script loops without waiting.
    const bool runaway = pumpsWithoutPoll_ >= kRunawaySteps;
    if (options_.maxPolls != 0 && (polls >= options_.maxPolls || runaway) &&
        !engine_->runtime().closing) {
      ranOut_ = true;
      engine_->runtime().closing = true;
    }
  });

  std::error_code ec;
  frame_->setFolderAvailable(std::filesystem::is_directory(options_.gameFolder, ec));
  frame_->windowCreated();
  int code = kExitNormal;
  if (frame_->startUp())
    frame_->runMainLoop();
  else
    code = kExitStartUpFailed;
  // The failed start-up's paint closes the window.
  frame_->paint();
  if (ranOut_ && code == kExitNormal) code = kExitPollsRanOut;
  frame_->destroy();

  if (!options_.dumpState.empty()) {
    GameState state = engine_->runtime().gameState;
    state.updateChecksum();
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&state);
    if (!writeFileBytes(options_.dumpState, std::vector<uint8_t>(bytes, bytes + sizeof(state))))
      err_ << "kobre: cannot write " << options_.dumpState << "\n";
  }
  if (!options_.audioOut.empty()) {
    // 44100 Hz 16-bit stereo, in virtual time: one second of script time is
    // one second of sound.
    const auto& samples = headless_->audio.recorded();
    if (!writeFileBytes(options_.audioOut,
                        makePcmWaveBytes(samples, headless_->audio.sampleRate(), 2)))
      err_ << "kobre: cannot write " << options_.audioOut << "\n";
  }
  for (const Screenshot& shot : options_.screenshots)
    if (!shot.written) err_ << "kobre: no picture was presented after poll " << shot.poll << "\n";
  for (const Screenshot& dump : options_.spriteDumps)
    if (!dump.written) err_ << "kobre: no picture was presented after poll " << dump.poll << "\n";
  for (size_t i = nextMenuStep_; i < menuSteps_.size(); ++i)
    err_ << "kobre: the run ended before menu item " << menuSteps_[i].item << " at poll "
         << menuSteps_[i].poll << "\n";
  return code;
}

int runHeadlessCommand(const std::vector<std::string>& args, std::string_view defaultGameFolder,
                       std::ostream& out, std::ostream& err) {
  HeadlessOptions options;
  std::string error;
  if (!parseHeadlessArguments(args, options, error)) {
    err << "kobre: " << error << "\n" << headlessUsage() << "\n";
    return kExitUsage;
  }
  if (options.gameFolder.empty()) options.gameFolder = std::string(defaultGameFolder);
  const bool folderExists = std::filesystem::is_directory(options.gameFolder);
  HeadlessRunner runner(std::move(options), out, err);
  // One run at a time per folder written to (settings, saves, Read.dat);
  // the desktop's lock is not taken, so a game open on the desktop does not
  // stop its tests. A missing game folder is left to start-up to report.
  platform::InstanceLock lock;
  if (folderExists) {
    const std::string folder = runner.headless().files.writeFolder();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    switch (lock.acquireFolder(folder)) {
      case platform::InstanceLock::Result::Acquired:
        break;
      case platform::InstanceLock::Result::HeldElsewhere:
        err << "kobre: " << folder << " is in use by another run\n";
        return kExitStartUpFailed;
      case platform::InstanceLock::Result::Unavailable:
        err << "kobre: no lock on the folder (" << lock.error() << "); running anyway\n";
        break;
    }
  }
  return runner.run();
}

}  // namespace kobre::app
