// The script linter. A Lexer loads each script and reads it word by word
// with its own ReadToken and ReadLine (which report over-long words and
// lines themselves); every first word is classified as Step does, and each
// command's arguments are read in the shapes its handler reads them, but no
// handler runs. Assignments go through the Lexer's own Assign on a scratch
// record (reset before each line, so no line sees another's values). Every
// finding is a script error box the Lexer shows; a recording host turns the
// boxes into report lines.
#include "script/Lint.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <string_view>

#include "common/AsciiCase.h"
#include "common/Sjis.h"
#include "script/Lexer.h"
#include "script/Runtime.h"

namespace kobre {

namespace {

constexpr std::string_view kOpenScript = "open.scr";

// A host that only keeps the texts of the boxes it is asked to show.
class BoxRecorder : public platform::Host {
 public:
  bool recording = true;
  std::vector<std::string> texts;

  void pumpEvents() override {}
  bool isActive() override { return true; }
  void readInput(platform::InputState&) override {}
  void present(const uint32_t*, int, int) override {}
  platform::BoxResult messageBox(const platform::MessageBoxSpec& spec) override {
    if (recording) texts.push_back(spec.text);
    return platform::BoxResult::Ok;
  }
  void setMenuEnabled(std::string_view, bool) override {}
  void setMenuVisible(std::string_view, bool) override {}
  void setMenuChecked(std::string_view, bool) override {}
  bool isMenuChecked(std::string_view) override { return false; }
  void setMenuCaption(std::string_view, std::string_view) override {}
  int screenWidth() override { return 800; }
  int screenHeight() override { return 600; }
  int screenBitsPerPixel() override { return 32; }
  void requestClose() override {}
};

// How a command reads its words, one letter per word:
//   w  a plain word (a kind, a mode, a number)
//   e  an expression
//   p  a picture name through `define`; q  a picture name as written
//   s  a sound name ("wav\%s.wav")
//   m  a movie ("%s.mpg", loose only); i  a MIDI file ("%s.mid", loose only)
//   c  a script to change to ("scr\%s.scr")
//   l  a label for goto
//   k  a `define` pair (two words)
//   d  a choice label (up to 1023 characters)
//   x  an expression that also completes the registered choices (select)
//   n  the ending's music, then its fifteen pictures
struct Shape {
  std::string_view word;
  std::string_view args;
};

constexpr Shape kShapes[] = {
    {"bg", "pw"},
    {"bg1", "p"},
    {"bg1_fi", "p"},
    {"bg2", "pp"},
    {"bg2_fi", "pp"},
    {"bg3", "ppp"},
    {"bg3_fi", "ppp"},
    {"ev1", "p"},
    {"ev1_fi", "p"},
    {"sp", "epw"},
    {"spl", "epw"},
    {"spr", "epw"},
    {"sp1", "p"},
    {"sp1_fi", "p"},
    {"sp1_cf", "p"},
    {"sp2", "pp"},
    {"sp2_fi", "pp"},
    {"sp_fade", "w"},
    {"fade", "w"},
    {"bgm", "sw"},
    {"bgm1", "s"},
    {"bgm2", "s"},
    {"se", "sw"},
    {"se1", "s"},
    {"se2", "s"},
    {"vo", "s"},
    {"vol", "s"},
    {"vor", "s"},
    {"vo2", "s"},
    {"window", "eeeeeeeeeqee"},
    {"window_sel", "eeeeeeeeeeeqee"},
    {"def_sel", "d"},
    {"select", "x"},
    {"movie", "m"},
    {"midi", "i"},
    {"change", "c"},
    {"change_kaisou", "c"},
    {"rotate", "www"},
    {"wait", "w"},
    {"define", "k"},
    {"def_cg", "ww"},
    {"shake", "w"},
    {"ending", "n"},
    {"goto", "l"},
    {"def_indent", "w"},
    {"def_kinsoku", "w"},
    {"set_ff", "w"},
};

std::string_view shapeOf(std::string_view word) {
  for (const Shape& s : kShapes)
    if (s.word == word) return s.args;
  return {};  // a command without arguments
}

// The line number of a script error box ("message detail\nname (LINE)\ntext").
int boxLine(const std::string& text) {
  const size_t first = text.find('\n');
  if (first == std::string::npos) return 0;
  const size_t second = text.find('\n', first + 1);
  const std::string_view where(text.data() + first + 1,
                               (second == std::string::npos ? text.size() : second) - first - 1);
  const size_t open = where.rfind('(');
  if (open == std::string_view::npos) return 0;
  int line = 0;
  for (size_t i = open + 1; i < where.size() && where[i] >= '0' && where[i] <= '9'; ++i)
    line = line * 10 + (where[i] - '0');
  return line;
}

// Byte i of the loaded script, 0 past its end.
uint8_t at(const Lexer& lx, int32_t i) {
  return i >= 0 && i < lx.sourceSize ? lx.source[static_cast<size_t>(i)] : 0;
}

// Moves past the word ReadToken left at the position; an empty unquoted
// word (a stray zero byte) is passed over as one byte.
void passWord(Lexer& lx) {
  const int32_t before = lx.position;
  lx.PassToken();
  if (lx.position == before && lx.position < lx.sourceSize) ++lx.position;
}

std::string lowerName(std::string_view name) {
  std::string out(name);
  for (char& c : out) c = toLowerAscii(c);
  return out;
}

class Linter {
 public:
  explicit Linter(const platform::Platform& platform) {
    platform::Platform p = platform;
    p.host = &boxes_;
    runtime_ = std::make_unique<Runtime>(p);
    lexer_ = std::make_unique<Lexer>(runtime_.get());
    scratch_ = std::make_unique<GameState>();
    Runtime& rt = *runtime_;
    // A game may keep everything loose: a missing archive is no fault here.
    (void)rt.scriptArchive.open("arc.scr", true);
    rt.scriptArchive.attachSupplement("arc2.scr", true);
    (void)rt.imageArchive.open("arc.cg", true);
    rt.imageArchive.attachSupplement("arc2.cg", true);
    (void)rt.soundArchive.open("arc.wav", false);
    rt.soundArchive.attachSupplement("arc2.wav", false);
  }

  std::vector<LintFinding> run(const std::vector<std::string>& looseScripts) {
    const std::vector<std::string> scripts = scriptNames(looseScripts);
    // First pass, silent: the `define` pairs of every script, so that
    // picture names resolve wherever the pair was written.
    boxes_.recording = false;
    for (const std::string& name : scripts) lintScript(name);
    boxes_.recording = true;
    std::vector<LintFinding> findings;
    for (const std::string& name : scripts) {
      const size_t firstOfScript = findings.size();
      boxes_.texts.clear();
      const bool loaded = lintScript(name);
      std::set<std::pair<int, std::string>> seen;
      for (const std::string& text : boxes_.texts) {
        LintFinding f;
        f.script = name;
        f.line = loaded ? boxLine(text) : 0;
        f.message = text.substr(0, text.find('\n'));
        while (!f.message.empty() && f.message.back() == ' ') f.message.pop_back();
        // A line read twice (a word left over after a command) reports its
        // length twice at run time; once is enough here.
        if (seen.insert({f.line, f.message}).second) findings.push_back(std::move(f));
      }
      std::stable_sort(findings.begin() + static_cast<std::ptrdiff_t>(firstOfScript),
                       findings.end(),
                       [](const LintFinding& a, const LintFinding& b) { return a.line < b.line; });
    }
    return findings;
  }

 private:
  // "open.scr" first, then every other script of the folder and the
  // archives by name, each once (names compared without case).
  std::vector<std::string> scriptNames(const std::vector<std::string>& loose) const {
    std::vector<std::string> names;
    std::set<std::string> seen{std::string(kOpenScript)};
    auto take = [&](std::string_view name) {
      if (name.size() < 4 || lowerName(name.substr(name.size() - 4)) != ".scr") return;
      if (seen.insert(lowerName(name)).second) names.emplace_back(name);
    };
    for (const std::string& n : loose) take(n);
    for (const ArchiveFile* a = &runtime_->scriptArchive; a != nullptr && a->isOpen();
         a = a->supplement()) {
      for (int i = 0; i < a->entryCount(); ++i)
        take(std::string_view(a->entry(i).name, strnlen(a->entry(i).name, kArchiveNameSize)));
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
      return lowerName(a) < lowerName(b);
    });
    names.insert(names.begin(), std::string(kOpenScript));
    return names;
  }

  // Lints one script; false when it could not be loaded.
  bool lintScript(const std::string& name) {
    Lexer& lx = *lexer_;
    resetScratch(name);
    if (!lx.Load("scr\\" + name, scratch_.get(), true)) return false;
    collectLabels();
    depth_ = 0;
    choices_ = 0;
    openLines_.clear();
    for (;;) {
      lx.ReadToken(lx.token, kTokenSize);
      if (lx.token[0] == 0 && lx.position >= lx.sourceSize) break;
      lx.ReadLine();
      lintLine();
    }
    for (auto it = openLines_.rbegin(); it != openLines_.rend(); ++it)
      lx.ReportError("スクリプトの終わりになった", "", name.substr(0, name.size() - 4), *it, "");
    return true;
  }

  // Every word "@name" that goto would find: all but a last word with
  // nothing after it.
  void collectLabels() {
    Lexer& lx = *lexer_;
    labels_.clear();
    const bool was = boxes_.recording;
    boxes_.recording = false;  // the main walk reports long words itself
    for (;;) {
      lx.ReadToken(lx.token, kTokenSize);
      if (lx.token[0] == 0 && lx.position >= lx.sourceSize) break;
      passWord(lx);
      if (lx.position >= lx.sourceSize) break;
      if (lx.token[0] == '@') labels_.insert(lx.token + 1);
    }
    boxes_.recording = was;
    lx.position = 1;
    lx.lineNumber = 1;
    lx.lineLength = 0;
  }

  void resetScratch(const std::string& name) {
    GameState& gs = *scratch_;
    std::memset(&gs, 0, sizeof gs);
    // Every variable and flag reads 1, so a division by a name never
    // divides by zero here: only a written 0 does.
    for (auto& v : gs.variables) v = 1;
    for (auto& f : gs.flags) f = 1;
    const std::string stem = name.substr(0, name.size() - 4);
    const size_t n = std::min(stem.size(), static_cast<size_t>(kNameSize - 1));
    std::memset(gs.scriptName, 0, sizeof gs.scriptName);
    std::memcpy(gs.scriptName, stem.data(), n);
  }

  // One first word, classified as Lexer::Step classifies it.
  void lintLine() {
    Lexer& lx = *lexer_;
    const uint8_t first = static_cast<uint8_t>(lx.token[0]);
    if (first == 0) {
      passWord(lx);
      return;
    }
    if (first == ';') {
      lx.PassToken();
      while (lx.position < lx.sourceSize && lx.source[static_cast<size_t>(lx.position)] != '\r')
        ++lx.position;
      return;
    }
    if (first >= 'A' && first <= 'Z') {
      const std::string stem(scratch_->scriptName);
      resetScratch(stem + ".scr");
      lx.Assign();
      lx.PassToken();
      return;
    }
    if (first == '[') {
      condition();
      return;
    }
    if (first == '}') {
      ++lx.position;  // this one byte only, as Step does
      if (depth_ == 0) {
        lx.ReportScriptError("括弧が閉じていない", "");
      } else {
        --depth_;
        openLines_.pop_back();
      }
      return;
    }
    if (isWideLead(first)) {
      lx.PassToken();  // text
      return;
    }
    const std::string word(lx.token);
    lx.PassToken();
    if (word[0] == '@') return;  // a label
    if (!Lexer::IsCommandWord(word)) {
      lx.ReportScriptError("未定義のコマンド", word);
      return;
    }
    command(word);
  }

  // The condition's bytes, checked as Lexer::Condition scans them but
  // without a result: the block is always entered, so its lines are linted.
  // A line break or an illegal byte ends the check of the condition.
  void condition() {
    Lexer& lx = *lexer_;
    const int openLine = lx.lineNumber;
    int32_t p = lx.position + 1;  // past "["
    bool compare = false, logic = false;
    auto isOp = [](uint8_t c) {
      return c == '=' || c == '!' || c == '>' || c == '<' || c == '+' || c == '-' || c == '*' ||
             c == '/' || c == '&' || c == '|' || c == '^';
    };
    for (;;) {
      if (p >= lx.sourceSize) {
        lx.position = lx.sourceSize;
        lx.ReportScriptError("スクリプトの終わりになった", "");
        return;
      }
      const uint8_t c = at(lx, p);
      if (c == ' ' || c == '\t') {
        lx.ReportScriptError("余分なスペースが入っている", "");
        ++p;
      } else if (c == '\r' || c == '\n') {
        lx.ReportScriptError("改行で終わっている", "");
        lx.position = p;
        return;
      } else if (c == '&' || c == '|') {
        logic = true;
        ++p;
      } else if ((c == '<' || c == '>') && at(lx, p + 1) == '=') {
        compare = true;
        p += 2;
      } else if (c == '<' || c == '>' || c == '=' || c == '!') {
        compare = true;
        ++p;
      } else if (c >= '0' && c <= '9') {
        while (at(lx, p) >= '0' && at(lx, p) <= '9') ++p;
        if (compare) logic = false;
        compare = false;
      } else if (c == 'F' && at(lx, p + 1) >= '0' && at(lx, p + 1) <= '9') {
        ++p;
        while (at(lx, p) >= '0' && at(lx, p) <= '9') ++p;
        if (compare) logic = false;
        compare = false;
      } else if (c >= 'A' && c <= 'Z') {
        // A name runs to an operator; one that runs on (into "]" or the
        // line's end) is reported as the running game reports it.
        int32_t e = p;
        while (e < lx.sourceSize && !isOp(at(lx, e)) && at(lx, e) != 0 && at(lx, e) != '\r' &&
               at(lx, e) != '\n')
          ++e;
        if (e - p > 1) {
          const char* base = reinterpret_cast<const char*>(lx.source.data());
          lx.ReportScriptError("不正な変数",
                               std::string_view(base + p, static_cast<size_t>(e - p)));
        }
        ++p;
        while (at(lx, p) >= 'A' && at(lx, p) <= 'Z') ++p;
        if (compare) logic = false;
        compare = false;
      } else if (c == ']') {
        lx.position = p + 1;
        if (compare || logic) lx.ReportScriptError("演算が途中で終わっている", "");
        break;
      } else {
        const char* base = reinterpret_cast<const char*>(lx.source.data());
        const size_t n = isWideLead(c) && p + 1 < lx.sourceSize ? 2 : 1;
        lx.ReportScriptError("不正な文字", std::string_view(base + p, n));
        lx.position = p;
        while (lx.position < lx.sourceSize && at(lx, lx.position) != '\r' &&
               at(lx, lx.position) != '\n')
          ++lx.position;
        return;
      }
    }
    const int32_t afterBracket = lx.position;
    const int32_t lineAfter = lx.lineNumber;
    const int b = lx.SkipToBrace(Lexer::kAnyByte);
    if (b == '{') {
      ++depth_;
      openLines_.push_back(openLine);
      return;
    }
    if (b >= 0) lx.ReportScriptError("複文が開始されていない", "");
    // Whatever stood there is linted as the next word.
    lx.position = afterBracket;
    lx.lineNumber = lineAfter;
  }

  void command(const std::string& word) {
    Lexer& lx = *lexer_;
    std::vector<std::string> pictures, plainPictures;
    bool fadeOut = false;
    for (const char a : shapeOf(word)) {
      char buf[kTokenSize] = {};
      switch (a) {
        case 'w':
          lx.ReadArgument(buf);
          if (std::strcmp(buf, "FADE_OUT") == 0) fadeOut = true;
          break;
        case 'e':
          lx.ReadArgument(buf);
          lx.Evaluate(buf);
          break;
        case 'x':
          lx.ReadArgument(buf);
          lx.Evaluate(buf);
          choices_ = 0;
          break;
        case 'p':
          lx.ReadName(buf);
          pictures.emplace_back(buf);
          break;
        case 'q':
          lx.ReadArgument(buf);
          pictures.emplace_back(buf);
          break;
        case 's':
          lx.ReadArgument(buf);
          checkSound(buf);
          break;
        case 'm':
          lx.ReadArgument(buf);
          checkLoose(buf, ".mpg");
          break;
        case 'i':
          lx.ReadArgument(buf);
          checkLoose(buf, ".mid");
          break;
        case 'c': {
          lx.ReadArgument(buf);
          const std::string path = "scr\\" + std::string(buf) + ".scr";
          if (!lx.FileExists(path, true)) lx.ReportScriptError("ファイルが存在しない", path);
          break;
        }
        case 'l':
          lx.ReadArgument(buf);
          if (labels_.count(buf) == 0) lx.ReportScriptError("ラベルが見つからない", buf);
          break;
        case 'k': {
          char value[kArgumentSize] = {};
          lx.ReadArgument(buf);
          lx.ReadArgument(value);
          if (!runtime_->defineTable.add(buf, value))
            lx.ReportScriptError("これ以上登録できない", buf);
          break;
        }
        case 'd':
          lx.ReadArgument(buf, kTokenSize);
          if (choices_ >= kMaxChoices) {
            lx.ReportScriptError("選択肢はこれ以上登録できない", buf);
          } else {
            ++choices_;
          }
          break;
        case 'n': {
          lx.ReadArgument(buf);
          checkSound(buf);
          for (int i = 1; i <= 15; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "_Ed%02d", i);
            pictures.emplace_back(name);
          }
          break;
        }
        default:
          break;
      }
    }
    // A layer faded out loads nothing; an empty name clears its layer.
    if (fadeOut) return;
    for (const std::string& name : pictures)
      if (!name.empty()) checkPicture(name);
  }

  // "cg\%s.bmp", else "cg\%s.psd", as loose files or in the image archives.
  void checkPicture(const std::string& name) {
    Runtime& rt = *runtime_;
    const std::string bmp = "cg\\" + name + ".bmp";
    const std::string psd = "cg\\" + name + ".psd";
    for (const std::string& path : {bmp, psd})
      if (rt.platform.files->exists(path) || rt.imageArchive.find(path)) return;
    lexer_->ReportScriptError("ファイルが存在しない", psd);
  }

  void checkSound(const std::string& name) {
    Runtime& rt = *runtime_;
    const std::string path = "wav\\" + name + ".wav";
    if (rt.platform.files->exists(path) || rt.soundArchive.find(path)) return;
    lexer_->ReportScriptError("ファイルが存在しない", path);
  }

  void checkLoose(const std::string& name, std::string_view extension) {
    const std::string path = name + std::string(extension);
    if (!runtime_->platform.files->exists(path))
      lexer_->ReportScriptError("ファイルが存在しない", path);
  }

  BoxRecorder boxes_;
  std::unique_ptr<Runtime> runtime_;
  std::unique_ptr<Lexer> lexer_;
  std::unique_ptr<GameState> scratch_;
  std::set<std::string> labels_;
  int depth_ = 0;
  std::vector<int> openLines_;  // the lines of the open blocks' conditions
  int choices_ = 0;             // registered since the last select
};

}  // namespace

std::string formatFinding(const LintFinding& finding) {
  return finding.script + ":" + std::to_string(finding.line) + ": " + finding.message;
}

std::vector<LintFinding> lintGame(const platform::Platform& platform,
                                  const std::vector<std::string>& looseScripts) {
  if (platform.files == nullptr) return {};
  Linter linter(platform);
  return linter.run(looseScripts);
}

}  // namespace kobre
