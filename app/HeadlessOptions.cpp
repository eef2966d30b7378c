#include "app/HeadlessOptions.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "app/frame/MenuCommands.h"
#include "common/Buttons.h"

namespace kobre::app {

namespace {

using platform::headless::InputStep;

template <typename T>
bool parseNumber(std::string_view text, T& out) {
  if (text.empty()) return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size();
}

// One option of the command line. An option with a value names it in
// `value` (shown in the usage line) and reads it in `apply`; a flag has an
// empty `value` and gets an empty string. `apply` returns false with the
// message for a value it does not take. New options are one row here.
struct OptionSpec {
  std::string_view name;
  std::string_view value;
  bool repeats;  // may be given more than once (shown with "..." in the usage)
  bool (*apply)(HeadlessOptions& out, const std::string& value, std::string& error);
};

constexpr OptionSpec kOptions[] = {
    {"--input", "FILE", false,
     [](HeadlessOptions& o, const std::string& v, std::string&) {
       o.inputFile = v;
       return true;
     }},
    {"--auto-ok", "", false,
     [](HeadlessOptions& o, const std::string&, std::string&) {
       o.autoOk = true;
       return true;
     }},
    {"--auto-choose", "first|last|random[:SEED]", false,
     [](HeadlessOptions& o, const std::string& v, std::string& error) {
       const std::string_view text(v);
       if (text == "first") {
         o.autoChoose = AutoChoose::First;
       } else if (text == "last") {
         o.autoChoose = AutoChoose::Last;
       } else if (text == "random") {
         o.autoChoose = AutoChoose::Random;
       } else if (text.substr(0, 7) == "random:" && parseNumber(text.substr(7), o.autoChooseSeed)) {
         o.autoChoose = AutoChoose::Random;
         o.autoChooseSeeded = true;
       } else {
         error = "--auto-choose takes first, last, random or random:SEED";
         return false;
       }
       return true;
     }},
    {"--answer", "yes|no", false,
     [](HeadlessOptions& o, const std::string& v, std::string& error) {
       if (v != "yes" && v != "no") {
         error = "--answer takes yes or no";
         return false;
       }
       o.answerYes = v == "yes";
       return true;
     }},
    {"--max-polls", "N", false,
     [](HeadlessOptions& o, const std::string& v, std::string& error) {
       if (!parseNumber(std::string_view(v), o.maxPolls) || o.maxPolls == 0) {
         error = "--max-polls takes a positive number";
         return false;
       }
       return true;
     }},
    {"--dump-state", "FILE", false,
     [](HeadlessOptions& o, const std::string& v, std::string&) {
       o.dumpState = v;
       return true;
     }},
    {"--screenshot", "FILE@POLL", true,
     [](HeadlessOptions& o, const std::string& v, std::string& error) {
       const size_t at = v.rfind('@');
       Screenshot shot;
       if (at == std::string::npos || at == 0 ||
           !parseNumber(std::string_view(v).substr(at + 1), shot.poll)) {
         error = "--screenshot takes FILE@POLL";
         return false;
       }
       shot.path = v.substr(0, at);
       o.screenshots.push_back(shot);
       return true;
     }},
    {"--dump-sprites", "FILE@POLL", true,
     [](HeadlessOptions& o, const std::string& v, std::string& error) {
       const size_t at = v.rfind('@');
       Screenshot dump;
       if (at == std::string::npos || at == 0 ||
           !parseNumber(std::string_view(v).substr(at + 1), dump.poll)) {
         error = "--dump-sprites takes FILE@POLL";
         return false;
       }
       dump.path = v.substr(0, at);
       o.spriteDumps.push_back(dump);
       return true;
     }},
    {"--audio-out", "FILE.wav", false,
     [](HeadlessOptions& o, const std::string& v, std::string&) {
       o.audioOut = v;
       return true;
     }},
    {"--debug-menu", "", false,
     [](HeadlessOptions& o, const std::string&, std::string&) {
       o.debugMenu = true;
       return true;
     }},
};

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

bool sameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

bool parseButtons(std::string_view text, uint32_t& out) {
  out = 0;
  if (text == "-") return true;
  while (!text.empty()) {
    size_t plus = text.find('+');
    std::string_view word = text.substr(0, plus);
    bool found = false;
    for (const ButtonName& b : kButtonNames)
      if (sameWord(word, b.name)) {
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

// A pad line's controls: buttons B0-B31 and the stick at full deflection.
bool parsePadControls(std::string_view text, platform::JoystickState& out) {
  out = {};
  if (text == "-") return true;
  while (!text.empty()) {
    size_t plus = text.find('+');
    std::string_view word = text.substr(0, plus);
    uint32_t index = 0;
    if (word.size() > 1 && (word[0] == 'B' || word[0] == 'b') &&
        parseNumber(word.substr(1), index) && index < 32) {
      out.buttons |= uint32_t{1} << index;
    } else if (sameWord(word, "Up") && out.y == 0) {
      out.y = -32768;
    } else if (sameWord(word, "Down") && out.y == 0) {
      out.y = 32767;
    } else if (sameWord(word, "Left") && out.x == 0) {
      out.x = -32768;
    } else if (sameWord(word, "Right") && out.x == 0) {
      out.x = 32767;
    } else {
      return false;  // unknown, or both ways of one axis
    }
    if (plus == std::string_view::npos) break;
    text.remove_prefix(plus + 1);
    if (text.empty()) return false;
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

}  // namespace

bool parseHeadlessArguments(const std::vector<std::string>& args, HeadlessOptions& out,
                            std::string& error) {
  out = HeadlessOptions{};
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
      const OptionSpec* spec = nullptr;
      for (const OptionSpec& o : kOptions)
        if (a == o.name) spec = &o;
      if (spec == nullptr) {
        error = "unknown option " + a;
        return false;
      }
      std::string value;
      if (!spec->value.empty()) {
        if (i + 1 >= args.size()) {
          error = a + " needs a value";
          return false;
        }
        value = args[++i];
      }
      if (!spec->apply(out, value, error)) return false;
      continue;
    }
    if (!out.gameFolder.empty()) {
      error = "more than one game folder";
      return false;
    }
    out.gameFolder = a;
  }
  return true;
}

std::string headlessUsage() {
  std::string usage = "usage: kobre --headless";
  for (const OptionSpec& o : kOptions) {
    usage += " [";
    usage += o.name;
    if (!o.value.empty()) {
      usage += ' ';
      usage += o.value;
    }
    usage += ']';
    if (o.repeats) usage += "...";
  }
  return usage + " GAME_DIR";
}

bool parseInputScript(std::string_view text, std::vector<InputStep>& out, std::string& error) {
  std::vector<platform::headless::PadStep> pad;
  return parseInputScript(text, out, pad, error);
}

bool parseInputScript(std::string_view text, std::vector<InputStep>& out,
                      std::vector<platform::headless::PadStep>& pad, std::string& error) {
  std::vector<MenuStep> menu;
  std::vector<platform::headless::DialogStep> dialogs;
  return parseInputScript(text, out, pad, menu, dialogs, error);
}

bool parseInputScript(std::string_view text, std::vector<InputStep>& out,
                      std::vector<platform::headless::PadStep>& pad, std::vector<MenuStep>& menu,
                      std::string& error) {
  std::vector<platform::headless::DialogStep> dialogs;
  return parseInputScript(text, out, pad, menu, dialogs, error);
}

bool parseInputScript(std::string_view text, std::vector<InputStep>& out,
                      std::vector<platform::headless::PadStep>& pad,
                      std::vector<platform::headless::DialogStep>& dialogs, std::string& error) {
  std::vector<MenuStep> menu;
  return parseInputScript(text, out, pad, menu, dialogs, error);
}

bool parseInputScript(std::string_view text, std::vector<InputStep>& out,
                      std::vector<platform::headless::PadStep>& pad, std::vector<MenuStep>& menu,
                      std::vector<platform::headless::DialogStep>& dialogs, std::string& error) {
  out.clear();
  pad.clear();
  menu.clear();
  dialogs.clear();
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
    if (words.size() >= 2 && sameWord(words[1], "pad")) {
      platform::headless::PadStep step;
      if (words.size() != 3) return fail("expected POLL pad LIST");
      if (!parseNumber(words[0], step.poll) || step.poll == 0)
        return fail("bad poll number " + std::string(words[0]));
      if (!parsePadControls(words[2], step.state))
        return fail("bad pad controls " + std::string(words[2]));
      pad.push_back(step);
      continue;
    }
    if (words.size() >= 2 && sameWord(words[1], "menu")) {
      MenuStep step;
      if (words.size() != 3) return fail("expected POLL menu ITEM");
      if (!parseNumber(words[0], step.poll) || step.poll == 0)
        return fail("bad poll number " + std::string(words[0]));
      const auto& names = frame::MenuCommands::commandNames();
      if (std::find(names.begin(), names.end(), words[2]) == names.end())
        return fail("unknown menu item " + std::string(words[2]));
      step.item = std::string(words[2]);
      menu.push_back(step);
      continue;
    }
    // Dialog answers: "POLL dialog ok [TEXT]" or "POLL dialog cancel".
    if (words.size() >= 2 && sameWord(words[1], "dialog")) {
      platform::headless::DialogStep step;
      if (!parseNumber(words[0], step.poll) || step.poll == 0)
        return fail("bad poll number " + std::string(words[0]));
      if (words.size() == 3 && sameWord(words[2], "cancel")) {
        step.ok = false;
      } else if (words.size() >= 3 && sameWord(words[2], "ok")) {
        const size_t after = static_cast<size_t>(words[2].data() - line.data()) + 3;
        if (after < line.size()) step.text = std::string(line.substr(after));
      } else {
        return fail("expected POLL dialog ok [TEXT] or POLL dialog cancel");
      }
      dialogs.push_back(std::move(step));
      continue;
    }
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

}  // namespace kobre::app
