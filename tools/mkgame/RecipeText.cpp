#include "tools/mkgame/RecipeText.h"

#include <cctype>
#include <sstream>

namespace kobre::mkgame {

namespace {

std::string trim(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && (s[a] == ' ' || s[a] == '\t' || s[a] == '\r')) ++a;
  while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t' || s[b - 1] == '\r')) --b;
  return s.substr(a, b - a);
}

// A "#" that starts a comment: at the start of a line or after a blank, and
// not followed by a hex digit run that makes it a colour word.
std::string stripComment(const std::string& s) {
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '#') continue;
    if (i > 0 && s[i - 1] != ' ' && s[i - 1] != '\t') continue;
    size_t j = i + 1;
    while (j < s.size() && std::isxdigit(static_cast<unsigned char>(s[j]))) ++j;
    const size_t digits = j - i - 1;
    const bool colourWord =
        (digits == 6 || digits == 8) && (j == s.size() || s[j] == ' ' || s[j] == '\t');
    if (!colourWord) return s.substr(0, i);
  }
  return s;
}

// The alternatives of one "{...}" group, or none when it is no variant group.
bool groupAlternatives(const std::string& inner, std::vector<std::string>& alts) {
  alts.clear();
  const size_t dots = inner.find("..");
  if (dots != std::string::npos && inner.find(',') == std::string::npos) {
    const std::string lo = inner.substr(0, dots), hi = inner.substr(dots + 2);
    if (lo.empty() || hi.empty()) return false;
    for (char c : lo + hi)
      if (c < '0' || c > '9') return false;
    const int a = std::stoi(lo), b = std::stoi(hi);
    if (b < a || b - a > 999) return false;
    for (int v = a; v <= b; ++v) {
      std::string t = std::to_string(v);
      while (t.size() < lo.size()) t = "0" + t;
      alts.push_back(t);
    }
    return true;
  }
  if (inner.find(',') == std::string::npos) return false;
  std::string cur;
  for (char c : inner) {
    if (c == ',') {
      alts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  alts.push_back(cur);
  return true;
}

// The variant groups of a block's header, with the alternative each takes
// in the current repetition.
struct Variant {
  std::vector<std::vector<std::string>> groups;  // alternatives per group
  std::vector<size_t> choice;                    // chosen index per group
  size_t index = 0;                              // repetition number
  size_t total = 1;                              // number of repetitions
};

// Replaces the groups of a line: in the header each group takes its own
// choice; in the body a group "{N:a,b}" follows header group N, a plain
// group the repetition number (its count must be the number of
// repetitions), "{=}" and "{=N}" give header group 1's or N's value.
bool expandLine(const std::string& line, const Variant& v, bool header, std::string& out,
                std::string& error) {
  out.clear();
  size_t headerGroup = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '{') {
      const size_t close = line.find('}', i);
      if (close != std::string::npos) {
        std::string inner = line.substr(i + 1, close - i - 1);
        if (!header && !inner.empty() && inner[0] == '=') {
          size_t g = 1;
          if (inner.size() > 1) {
            if (inner.size() != 2 || inner[1] < '1' || inner[1] > '9') {
              error = "bad group reference {" + inner + "}";
              return false;
            }
            g = static_cast<size_t>(inner[1] - '0');
          }
          if (g > v.groups.size()) {
            error = "{" + inner + "} names a group the header does not have";
            return false;
          }
          out += v.groups[g - 1][v.choice[g - 1]];
          i = close;
          continue;
        }
        size_t follow = 0;  // 1-based header group, 0 = the repetition
        if (inner.size() > 2 && inner[1] == ':' && inner[0] >= '1' && inner[0] <= '9') {
          follow = static_cast<size_t>(inner[0] - '0');
          inner = inner.substr(2);
        }
        std::vector<std::string> alts;
        if (groupAlternatives(inner, alts)) {
          size_t pick = 0;
          if (header && follow == 0) {
            pick = v.choice[headerGroup++];
          } else if (follow != 0) {
            if (follow > v.groups.size() || v.groups[follow - 1].size() != alts.size()) {
              error = "group {" + line.substr(i + 1, close - i - 1) +
                      "} does not match header group " + std::to_string(follow);
              return false;
            }
            pick = v.choice[follow - 1];
          } else {
            if (alts.size() != v.total) {
              error = "group {" + inner + "} has " + std::to_string(alts.size()) +
                      " alternatives for " + std::to_string(v.total) + " variants";
              return false;
            }
            pick = v.index;
          }
          out += alts[pick];
          i = close;
          continue;
        }
      }
    }
    out += line[i];
  }
  return true;
}

// The groups of a header line.
std::vector<std::vector<std::string>> headerGroups(const std::string& line) {
  std::vector<std::vector<std::string>> groups;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] != '{') continue;
    const size_t close = line.find('}', i);
    if (close == std::string::npos) break;
    const std::string inner = line.substr(i + 1, close - i - 1);
    std::vector<std::string> alts;
    const bool follows = inner.size() > 2 && inner[1] == ':';
    if (!follows && groupAlternatives(inner, alts)) groups.push_back(alts);
    i = close;
  }
  return groups;
}

}  // namespace

std::vector<std::string> splitWords(const std::string& text) {
  std::vector<std::string> words;
  std::string cur;
  for (char c : text) {
    if (c == ' ' || c == '\t') {
      if (!cur.empty()) words.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) words.push_back(cur);
  return words;
}

std::string restAfterWords(const std::string& text, size_t n) {
  size_t i = 0;
  for (size_t w = 0; w < n; ++w) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
  }
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  return text.substr(i);
}

bool parseRecipeFile(const std::string& fileName, const std::string& text,
                     std::vector<RecipeBlock>& blocks, std::string& error) {
  std::vector<RecipeLine> lines;
  {
    std::istringstream in(text);
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
      ++number;
      // A label keeps its "#" characters; everything else loses comments.
      std::string t = trim(raw);
      const std::vector<std::string> first = splitWords(t);
      if (first.empty() || first[0] != "label") t = trim(stripComment(t));
      if (t.empty() || t[0] == '#') continue;
      lines.push_back(RecipeLine{number, t, splitWords(t)});
    }
  }
  auto fail = [&](int line, const std::string& what) {
    error = fileName + ":" + std::to_string(line) + ": " + what;
    return false;
  };
  for (size_t i = 0; i < lines.size(); ++i) {
    const RecipeLine& header = lines[i];
    if (header.words[0] == "end") return fail(header.number, "\"end\" without a block");
    size_t j = i + 1;
    while (j < lines.size() && lines[j].words[0] != "end") {
      const std::string& w = lines[j].words[0];
      if (w == "picture" || w == "sound" || w == "midi" || w == "movie")
        return fail(header.number, "block without \"end\"");
      ++j;
    }
    if (j == lines.size()) return fail(header.number, "block without \"end\"");
    // Every combination of the header's groups, the first group slowest.
    Variant v;
    v.groups = headerGroups(header.text);
    for (const auto& g : v.groups) {
      v.total *= g.size();
      if (v.total > 2000) return fail(header.number, "too many variants");
    }
    v.choice.assign(v.groups.size(), 0);
    for (v.index = 0; v.index < v.total; ++v.index) {
      size_t rest = v.index;
      for (size_t g = v.groups.size(); g-- > 0;) {
        v.choice[g] = rest % v.groups[g].size();
        rest /= v.groups[g].size();
      }
      RecipeBlock block;
      block.file = fileName;
      std::string expanded, why;
      expandLine(header.text, v, true, expanded, why);
      block.header = RecipeLine{header.number, expanded, splitWords(expanded)};
      for (size_t k = i + 1; k < j; ++k) {
        if (!expandLine(lines[k].text, v, false, expanded, why)) return fail(lines[k].number, why);
        block.body.push_back(RecipeLine{lines[k].number, expanded, splitWords(expanded)});
      }
      blocks.push_back(std::move(block));
    }
    i = j;
  }
  return true;
}

}  // namespace kobre::mkgame
