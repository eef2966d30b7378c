#include "app/HeadlessRunner.h"

#include <zlib.h>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/frame/EngineFactory.h"
#include "app/frame/MainFrame.h"
#include "common/AsciiCase.h"
#include "common/Buttons.h"
#include "script/GameState.h"
#include "script/Runtime.h"
#include "sound/WaveRecording.h"

namespace kobre::app {

namespace {

using platform::headless::InputStep;

struct ButtonName {
  std::string_view name;
  uint32_t bit;
};

constexpr ButtonName kButtonNames[] = {
    {"Up", kButtonUp},           {"Down", kButtonDown},
    {"Left", kButtonLeft},       {"Right", kButtonRight},
    {"Ok", kButtonOk},           {"Cancel", kButtonCancel},
    {"Control", kButtonControl}, {"Center", kButtonCenter},
    {"WheelUp", kButtonWheelUp}, {"WheelDown", kButtonWheelDown},
    {"Load", kButtonLoad},       {"Save", kButtonSave},
};

template <typename T>
bool parseNumber(std::string_view text, T& out) {
  if (text.empty()) return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size();
}

bool parseButtons(std::string_view text, uint32_t& out) {
  out = 0;
  if (text == "-") return true;
  while (!text.empty()) {
    size_t plus = text.find('+');
    std::string_view word = text.substr(0, plus);
    bool found = false;
    for (const ButtonName& b : kButtonNames)
      if (equalsIgnoreAsciiCase(word, b.name)) {
        out |= b.bit;
        found = true;
      }
    if (!found) return false;
    if (plus == std::string_view::npos) break;
    text.remove_prefix(plus + 1);
    if (text.empty()) return false;  // a trailing "+"
  }
  return true;
}

std::vector<std::string_view> splitBlanks(std::string_view line) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

void putU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void putChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
  putU32(out, static_cast<uint32_t>(data.size()));
  size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  uLong crc = crc32(0L, out.data() + start, static_cast<uInt>(out.size() - start));
  putU32(out, static_cast<uint32_t>(crc));
}

bool writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

}  // namespace

bool parseHeadlessArguments(const std::vector<std::string>& args, HeadlessOptions& out,
                            std::string& error) {
  out = HeadlessOptions{};
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& v) {
      if (i + 1 >= args.size()) {
        error = a + " needs a value";
        return false;
      }
      v = args[++i];
      return true;
    };
    std::string v;
    if (a == "--input") {
      if (!value(out.inputFile)) return false;
    } else if (a == "--auto-ok") {
      out.autoOk = true;
    } else if (a == "--answer") {
      if (!value(v)) return false;
      if (v != "yes" && v != "no") {
        error = "--answer takes yes or no";
        return false;
      }
      out.answerYes = v == "yes";
    } else if (a == "--max-polls") {
      if (!value(v)) return false;
      if (!parseNumber(v, out.maxPolls) || out.maxPolls == 0) {
        error = "--max-polls takes a positive number";
        return false;
      }
    } else if (a == "--dump-state") {
      if (!value(out.dumpState)) return false;
    } else if (a == "--audio-out") {
      if (!value(out.audioOut)) return false;
    } else if (a == "--screenshot") {
      if (!value(v)) return false;
      size_t at = v.rfind('@');
      Screenshot shot;
      if (at == std::string::npos || at == 0 ||
          !parseNumber(std::string_view(v).substr(at + 1), shot.poll)) {
        error = "--screenshot takes FILE@POLL";
        return false;
      }
      shot.path = v.substr(0, at);
      out.screenshots.push_back(shot);
    } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
      error = "unknown option " + a;
      return false;
    } else {
      if (!out.gameFolder.empty()) {
        error = "more than one game folder";
        return false;
      }
      out.gameFolder = a;
    }
  }
  return true;
}

bool parseInputScript(std::string_view text, std::vector<InputStep>& out, std::string& error) {
  out.clear();
  int lineNumber = 0;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::vector<std::string_view> words = splitBlanks(line);
    if (words.empty() || words[0][0] == '#') continue;
    auto fail = [&](const std::string& what) {
      error = "line " + std::to_string(lineNumber) + ": " + what;
      return false;
    };
    if (words.size() < 2 || words.size() > 3) return fail("expected POLL BUTTONS [X,Y]");
    InputStep step;
    if (!parseNumber(words[0], step.poll) || step.poll == 0)
      return fail("bad poll number " + std::string(words[0]));
    if (!parseButtons(words[1], step.buttons)) return fail("bad buttons " + std::string(words[1]));
    if (words.size() == 3) {
      std::string_view pos = words[2];
      size_t comma = pos.find(',');
      if (comma == std::string_view::npos || !parseNumber(pos.substr(0, comma), step.x) ||
          !parseNumber(pos.substr(comma + 1), step.y) || step.x < 0 || step.y < 0)
        return fail("bad position " + std::string(pos));
    }
    out.push_back(step);
  }
  return true;
}

std::string boxLine(const platform::MessageBoxSpec& spec) {
  std::string line = "BOX\t" + spec.caption + "\t";
  for (char c : spec.text) {
    if (c == '\n')
      line += "\\n";
    else if (c != '\r')
      line += c;
  }
  return line;
}

std::vector<uint8_t> encodePng(const uint32_t* pixels, int width, int height) {
  std::vector<uint8_t> raw;
  raw.reserve(static_cast<size_t>(height) * (static_cast<size_t>(width) * 3 + 1));
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // no filter
    const uint32_t* row = pixels + static_cast<ptrdiff_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      raw.push_back(static_cast<uint8_t>(row[x] >> 16));
      raw.push_back(static_cast<uint8_t>(row[x] >> 8));
      raw.push_back(static_cast<uint8_t>(row[x]));
    }
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK)
    return {};
  packed.resize(packedSize);

  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  putU32(header, static_cast<uint32_t>(width));
  putU32(header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter, no interlace
  putChunk(out, "IHDR", header);
  putChunk(out, "IDAT", packed);
  putChunk(out, "IEND", {});
  return out;
}

// The window as the engine sees it: the headless host, except that a close
// request runs the main window's close query as a real window would.
class HeadlessRunner::WindowHost : public platform::Host {
 public:
  WindowHost(platform::headless::HeadlessHost& inner) : inner_(inner) {}
  void setFrame(frame::MainFrame* frame) { frame_ = frame; }

  void pumpEvents() override { inner_.pumpEvents(); }
  bool isActive() override { return inner_.isActive(); }
  void readInput(platform::InputState& state) override { inner_.readInput(state); }
  void present(const uint32_t* pixels, int stride, int shakeOffset) override {
    inner_.present(pixels, stride, shakeOffset);
  }
  platform::BoxResult messageBox(const platform::MessageBoxSpec& spec) override {
    return inner_.messageBox(spec);
  }
  void setMenuEnabled(std::string_view item, bool enabled) override {
    inner_.setMenuEnabled(item, enabled);
  }
  void setMenuVisible(std::string_view item, bool visible) override {
    inner_.setMenuVisible(item, visible);
  }
  void setMenuChecked(std::string_view item, bool checked) override {
    inner_.setMenuChecked(item, checked);
  }
  bool isMenuChecked(std::string_view item) override { return inner_.isMenuChecked(item); }
  void setMenuCaption(std::string_view item, std::string_view caption) override {
    inner_.setMenuCaption(item, caption);
  }
  int screenWidth() override { return inner_.screenWidth(); }
  int screenHeight() override { return inner_.screenHeight(); }
  int screenBitsPerPixel() override { return inner_.screenBitsPerPixel(); }
  void requestClose() override {
    inner_.requestClose();
    // Granted: closing is set and every loop ends. Refused: nothing changes.
    if (frame_) frame_->closeQuery();
  }

 private:
  platform::headless::HeadlessHost& inner_;
  frame::MainFrame* frame_ = nullptr;
};

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

HeadlessRunner::HeadlessRunner(HeadlessOptions options, std::ostream& out, std::ostream& err)
    : options_(std::move(options)), out_(out), err_(err) {
  headless_ = std::make_unique<platform::headless::HeadlessPlatform>(options_.gameFolder);
  headless_->log.echoToStderr = true;
  host_ = std::make_unique<WindowHost>(headless_->host);
  window_ = std::make_unique<Window>();
  platform_ = headless_->platform();
  platform_.host = host_.get();
  engine_ = frame::createRuntimeEngine(platform_);
  frame_ = std::make_unique<frame::MainFrame>(platform_, *engine_, *window_);
  host_->setFrame(frame_.get());
  frame::connectFrame(*frame_, *engine_);
}

HeadlessRunner::~HeadlessRunner() = default;

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
    std::string error;
    if (!file || !parseInputScript(text.str(), steps, error)) {
      err_ << "kobre: " << options_.inputFile << ": " << (file ? error : "cannot be read") << "\n";
      return kExitUsage;
    }
    host.setInput(std::move(steps));
  }
  host.onBox([this](const platform::headless::RecordedBox& box) {
    out_ << boxLine(box.spec) << "\n";
    out_.flush();
  });
  host.onPresent([this](const uint32_t* pixels, uint64_t poll) {
    for (Screenshot& shot : options_.screenshots) {
      if (shot.written || poll < shot.poll) continue;
      shot.written = true;
      if (!writeFileBytes(shot.path, encodePng(pixels, kScreenWidth, kScreenHeight)))
        err_ << "kobre: cannot write " << shot.path << "\n";
    }
  });
  host.onPump([this] {
    if (pumpHook_) pumpHook_();
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
  return code;
}

int runHeadlessCommand(const std::vector<std::string>& args, std::string_view defaultGameFolder,
                       std::ostream& out, std::ostream& err) {
  HeadlessOptions options;
  std::string error;
  if (!parseHeadlessArguments(args, options, error)) {
    err << "kobre: " << error << "\n"
        << "usage: kobre --headless [--input FILE] [--auto-ok] [--answer yes|no] [--max-polls N]"
           " [--dump-state FILE] [--screenshot FILE@POLL]... [--audio-out FILE.wav] GAME_DIR\n";
    return kExitUsage;
  }
  if (options.gameFolder.empty()) options.gameFolder = std::string(defaultGameFolder);
  HeadlessRunner runner(std::move(options), out, err);
  return runner.run();
}

}  // namespace kobre::app
