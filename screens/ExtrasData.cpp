#include "screens/ExtrasData.h"

#include <cstdio>

namespace kobre::extras {

namespace {

// Splits a line into words at spaces and tabs.
std::vector<std::string_view> wordsOf(std::string_view line) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

// A plain decimal number within [low, high]; false for anything else.
bool numberIn(std::string_view word, int low, int high, int& out) {
  if (word.empty() || word.size() > 9) return false;
  int v = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v < low || v > high) return false;
  out = v;
  return true;
}

// A file name without folder or extension that stays inside its folder.
bool safeName(std::string_view name) {
  if (name.empty() || name.size() > 63 || name == "." || name == "..") return false;
  for (char c : name) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || c == '\\' || c == '/' || c == ':') return false;
  }
  return true;
}

std::string quoted(std::string_view word) {
  return "'" + std::string(word) + "'";
}

std::string musicName(const char* stem, int k) {
  char name[16];
  std::snprintf(name, sizeof name, "%s_%02d", stem, k);
  return name;
}

}  // namespace

ExtrasData defaultExtras() {
  ExtrasData data;
  data.games[0].galleryFirstFlag = 1201;
  data.games[0].galleryPageSizes = {20, 20, 13};
  data.games[1].galleryFirstFlag = 1401;
  data.games[1].galleryPageSizes = {20, 20, 20, 20, 10};
  for (int k = 1; k <= 10; ++k) data.games[0].tracks.push_back(musicName("ki", k));
  for (int k = 1; k <= 11; ++k) data.games[1].tracks.push_back(musicName("sd", k));
  return data;
}

bool parseExtras(std::span<const uint8_t> bytes, ExtrasData& data, ExtrasError& error) {
  data = defaultExtras();
  ExtrasData read = defaultExtras();
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  int game = -1;
  bool seen[kGames] = {};
  bool gallerySet = false, scenesSet = false, tracksSet = false;
  int lineNumber = 0;
  size_t start = 0;
  auto fail = [&](std::string_view line, std::string message) {
    error.line = lineNumber;
    error.lineText = std::string(line);
    error.message = std::move(message);
    return false;
  };
  if (bytes.size() > kMaxDataBytes) return fail("", "the file is larger than 1 MiB");
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find('\0') != std::string_view::npos) return fail("", "a zero byte in the line");
    const std::vector<std::string_view> w = wordsOf(line);
    if (w.empty() || w[0][0] == '#' || w[0][0] == ';') continue;
    const std::string_view word = w[0];
    if (word == "game") {
      int g = 0;
      if (w.size() != 2 || !numberIn(w[1], 0, kGames - 1, g))
        return fail(line, "'game' takes one number, 0 or 1");
      if (seen[g]) return fail(line, "game " + std::string(w[1]) + " has a section already");
      seen[g] = true;
      game = g;
      gallerySet = scenesSet = tracksSet = false;
      continue;
    }
    if (word != "gallery" && word != "scene" && word != "track")
      return fail(line, "unknown word " + quoted(word) + " (game, gallery, scene, track)");
    if (game < 0) return fail(line, quoted(word) + " comes before any 'game' line");
    GameExtras& g = read.games[game];
    if (word == "gallery") {
      const int pages = kGalleryPages[game];
      if (gallerySet) return fail(line, "a second 'gallery' line for this game");
      if (w.size() < 3 || w.size() > static_cast<size_t>(2 + pages))
        return fail(line, "'gallery' takes the first flag and 1 to " + std::to_string(pages) +
                              " page sizes");
      int first = 0;
      if (!numberIn(w[1], 0, kLastFlag, first))
        return fail(line, "the first flag " + quoted(w[1]) + " is not a number from 0 to 2047");
      std::vector<int> sizes;
      for (size_t i = 2; i < w.size(); ++i) {
        int n = 0;
        if (!numberIn(w[i], 0, kPerPage, n))
          return fail(line, "the page size " + quoted(w[i]) + " is not a number from 0 to 20");
        sizes.push_back(n);
      }
      const int last = first + kPerPage * (static_cast<int>(sizes.size()) - 1) + sizes.back() - 1;
      if (last > kLastFlag) return fail(line, "the last picture's flag would pass F2047");
      g.galleryFirstFlag = first;
      g.galleryPageSizes = sizes;
      gallerySet = true;
    } else if (word == "scene") {
      int page = 0, flag = 0;
      if (w.size() != 4) return fail(line, "'scene' takes a page, a flag and a script name");
      if (!numberIn(w[1], 0, kScenePages - 1, page))
        return fail(line, "the page " + quoted(w[1]) + " is not 0, 1 or 2");
      if (!numberIn(w[2], 0, kLastFlag, flag))
        return fail(line, "the flag " + quoted(w[2]) + " is not a number from 0 to 2047");
      if (!safeName(w[3]))
        return fail(line,
                    "the script name " + quoted(w[3]) + " is empty, too long or names a folder");
      if (!scenesSet) g.scenePages.clear();
      scenesSet = true;
      if (g.scenePages.size() <= static_cast<size_t>(page))
        g.scenePages.resize(static_cast<size_t>(page) + 1);
      auto& entries = g.scenePages[static_cast<size_t>(page)];
      if (entries.size() >= kPerPage) return fail(line, "more than 20 scenes on this page");
      entries.push_back({flag, std::string(w[3])});
    } else {
      if (w.size() != 2) return fail(line, "'track' takes one music name");
      if (!safeName(w[1]))
        return fail(line,
                    "the music name " + quoted(w[1]) + " is empty, too long or names a folder");
      if (!tracksSet) g.tracks.clear();
      tracksSet = true;
      if (g.tracks.size() >= kMaxTracks) return fail(line, "more than 11 tracks for this game");
      g.tracks.push_back(std::string(w[1]));
    }
  }
  data = std::move(read);
  return true;
}

}  // namespace kobre::extras
