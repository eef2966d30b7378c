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

// Replaces the variant groups of a line by alternative v. count receives the
// number of alternatives of the groups met (0 when none); false when two
// groups disagree.
bool expandLine(const std::string& line, size_t v, const std::string& headerValue, std::string& out,
                size_t& count) {
  out.clear();
  count = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '{') {
      const size_t close = line.find('}', i);
      if (close != std::string::npos) {
        const std::string inner = line.substr(i + 1, close - i - 1);
        std::vector<std::string> alts;
        if (inner == "=") {
          out += headerValue;
          i = close;
          continue;
        }
        if (groupAlternatives(inner, alts)) {
          if (count != 0 && count != alts.size()) return false;
          count = alts.size();
          out += alts[v < alts.size() ? v : 0];
          i = close;
          continue;
        }
      }
    }
    out += line[i];
  }
  return true;
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
    // Variant count and the header's own value per variant.
    std::string expanded;
    size_t count = 0;
    if (!expandLine(header.text, 0, "", expanded, count))
      return fail(header.number, "variant groups of different sizes");
    const size_t variants = count == 0 ? 1 : count;
    std::vector<std::string> headerValues(variants);
    {
      const size_t open = header.text.find('{');
      const size_t close = open == std::string::npos ? open : header.text.find('}', open);
      std::vector<std::string> alts;
      if (close != std::string::npos &&
          groupAlternatives(header.text.substr(open + 1, close - open - 1), alts))
        for (size_t v = 0; v < variants && v < alts.size(); ++v) headerValues[v] = alts[v];
    }
    for (size_t v = 0; v < variants; ++v) {
      RecipeBlock block;
      block.file = fileName;
      size_t c = 0;
      expandLine(header.text, v, headerValues[v], expanded, c);
      block.header = RecipeLine{header.number, expanded, splitWords(expanded)};
      for (size_t k = i + 1; k < j; ++k) {
        if (!expandLine(lines[k].text, v, headerValues[v], expanded, c) ||
            (c != 0 && c != variants))
          return fail(lines[k].number, "variant group does not match the header's");
        block.body.push_back(RecipeLine{lines[k].number, expanded, splitWords(expanded)});
      }
      blocks.push_back(std::move(block));
    }
    i = j;
  }
  return true;
}

}  // namespace kobre::mkgame
