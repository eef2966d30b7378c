#include "tools/mkgame/GameBuilder.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "common/AsciiCase.h"
#include "common/Sjis.h"
#include "tools/mkgame/MovieRecipe.h"
#include "tools/mkgame/PictureRecipe.h"
#include "tools/mkgame/SoundRecipe.h"
#include "tools/writers/ArchiveWriter.h"
#include "tools/writers/LzssCompressor.h"
#include "tools/writers/ScriptWriter.h"

namespace kobre::mkgame {

namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxEntryName = 23;

bool readText(const fs::path& p, std::string& out) {
  std::ifstream in(p, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  out = s.str();
  return true;
}

std::vector<fs::path> filesIn(const fs::path& dir, const std::string& ext) {
  std::vector<fs::path> out;
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) return out;
  for (const auto& e : fs::directory_iterator(dir, ec))
    if (e.is_regular_file() && (ext.empty() || e.path().extension() == ext))
      out.push_back(e.path());
  std::sort(out.begin(), out.end());
  return out;
}

// Writes a file only when its bytes change, so a rebuild leaves the times of
// unchanged outputs alone.
bool writeIfChanged(const fs::path& p, const std::vector<uint8_t>& bytes) {
  std::error_code ec;
  if (fs::exists(p, ec) && fs::file_size(p, ec) == bytes.size()) {
    std::string old;
    if (readText(p, old) && old.size() == bytes.size() &&
        std::equal(old.begin(), old.end(), bytes.begin(),
                   [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; }))
      return true;
  }
  fs::create_directories(p.parent_path(), ec);
  return writers::writeHostFile(p.string(), bytes);
}

// The host path of an engine name ("mid\theme.mid") under the game folder.
fs::path loosePath(const fs::path& out, const std::string& name) {
  std::string n = name;
  std::replace(n.begin(), n.end(), '\\', '/');
  return out / n;
}

// Runs job(i) for i in [0, n) on up to `threads` workers.
template <typename F>
void parallelFor(size_t n, int threads, F job) {
  std::atomic<size_t> next{0};
  auto worker = [&]() {
    for (size_t i; (i = next.fetch_add(1)) < n;) job(i);
  };
  std::vector<std::thread> pool;
  for (int t = 1; t < std::max(1, threads); ++t) pool.emplace_back(worker);
  worker();
  for (std::thread& t : pool) t.join();
}

// Entry names of one archive, checked for length and clashes.
class NameSet {
 public:
  bool add(const std::string& utf8, const std::string& where, std::string& cp932,
           std::string& error) {
    if (!writers::utf8ToCp932(utf8, cp932) || cp932.empty()) {
      error = where + ": \"" + utf8 + "\" has no Shift-JIS form";
      return false;
    }
    if (cp932.size() > kMaxEntryName) {
      error = where + ": \"" + utf8 + "\" is longer than 23 bytes";
      return false;
    }
    if (!keys_.insert(upperAsciiSjis(cp932)).second) {
      error = where + ": \"" + utf8 + "\" is made twice";
      return false;
    }
    return true;
  }

 private:
  std::set<std::string> keys_;
};

bool buildScripts(const fs::path& src, writers::ArchiveWriter& arc, std::ostream& log,
                  const BuildOptions& options, std::string& error) {
  NameSet names;
  writers::ScriptWriter writer;
  for (const fs::path& p : filesIn(src / "scr", ".scr")) {
    std::string text;
    if (!readText(p, text)) {
      error = p.string() + ": cannot be read";
      return false;
    }
    writers::ScriptOptions o;
    o.scrambled = text.rfind(";mkgame: scrambled", 0) == 0;
    std::vector<uint8_t> file;
    if (!writer.build(text, o, file)) {
      error = p.string() + ": has characters without a Shift-JIS form";
      return false;
    }
    std::string name;
    if (!names.add(p.filename().string(), p.string(), name, error)) return false;
    arc.add(name, file);
    if (options.verbose) log << "script " << p.filename().string() << "\n";
  }
  // Data files beside the scripts (the extras tables): Shift-JIS, lines as
  // written, not scrambled and without the script marker.
  for (const fs::path& p : filesIn(src / "scr", ".txt")) {
    std::string text, cp932;
    if (!readText(p, text)) {
      error = p.string() + ": cannot be read";
      return false;
    }
    if (!writers::utf8ToCp932(text, cp932)) {
      error = p.string() + ": has characters without a Shift-JIS form";
      return false;
    }
    std::string name;
    if (!names.add(p.filename().string(), p.string(), name, error)) return false;
    arc.add(name, std::vector<uint8_t>(cp932.begin(), cp932.end()));
    if (options.verbose) log << "data " << p.filename().string() << "\n";
  }
  return true;
}

bool readBlocks(const fs::path& dir, const std::string& ext, std::vector<RecipeBlock>& blocks,
                std::string& error) {
  for (const fs::path& p : filesIn(dir, ext)) {
    std::string text;
    if (!readText(p, text)) {
      error = p.string() + ": cannot be read";
      return false;
    }
    if (!parseRecipeFile(p.filename().string(), text, blocks, error)) return false;
  }
  return true;
}

bool buildPictures(const fs::path& src, writers::ArchiveWriter& main,
                   writers::ArchiveWriter& supplement, const BuildOptions& options,
                   std::ostream& log, std::string& error) {
  std::vector<RecipeBlock> blocks;
  if (!readBlocks(src / "cg", ".pic", blocks, error)) return false;
  std::vector<PictureSpec> specs(blocks.size());
  std::vector<std::string> names(blocks.size());
  NameSet mainNames, supplementNames;
  std::map<std::string, size_t> byName;
  for (size_t i = 0; i < blocks.size(); ++i) {
    if (!parsePictureSpec(blocks[i], specs[i], error)) return false;
    NameSet& set = specs[i].supplement ? supplementNames : mainNames;
    const std::string where = blocks[i].file + ":" + std::to_string(blocks[i].header.number);
    if (!set.add(specs[i].name, where, names[i], error)) return false;
    byName.emplace(upperAsciiSjis(names[i]), i);
  }
  // Drawing stays on this thread (Qt's text drawing is set up here); the
  // first layers are kept for "thumb".
  std::vector<QImage> firstLayers(specs.size());
  std::vector<std::vector<uint8_t>> files(specs.size());
  for (size_t i = 0; i < specs.size(); ++i) {
    std::vector<QImage> layers;
    const PictureLookup lookup = [&](const std::string& n) -> const QImage* {
      std::string key;
      if (!writers::utf8ToCp932(n, key)) return nullptr;
      auto it = byName.find(upperAsciiSjis(key));
      if (it == byName.end() || it->second >= i) return nullptr;
      return &firstLayers[it->second];
    };
    if (!renderPicture(specs[i], lookup, layers, error)) return false;
    files[i] = encodePicture(specs[i], layers);
    firstLayers[i] = layers[0];
    if (options.verbose) log << "picture " << specs[i].name << "\n";
  }
  std::vector<std::vector<uint8_t>> entries(specs.size());
  parallelFor(specs.size(), options.threads, [&](size_t i) {
    entries[i] = specs[i].scrambledStore ? writers::makeScrambledEntry(files[i])
                                         : writers::makePakEntry(files[i]);
  });
  for (size_t i = 0; i < specs.size(); ++i)
    (specs[i].supplement ? supplement : main).add(names[i], entries[i]);
  return true;
}

bool buildSounds(const fs::path& src, const fs::path& out, writers::ArchiveWriter& main,
                 writers::ArchiveWriter& supplement, const BuildOptions& options, std::ostream& log,
                 std::string& error) {
  std::vector<RecipeBlock> blocks;
  if (!readBlocks(src / "wav", ".snd", blocks, error)) return false;
  std::vector<SoundSpec> specs;
  std::vector<std::string> names;
  NameSet mainNames, supplementNames;
  std::set<std::string> midiNames;
  for (const RecipeBlock& b : blocks) {
    const std::string where = b.file + ":" + std::to_string(b.header.number);
    if (b.header.words[0] == "midi") {
      if (b.header.words.size() != 2) {
        error = where + ": expected \"midi NAME\"";
        return false;
      }
      if (!midiNames.insert(upperAsciiSjis(b.header.words[1])).second) {
        error = where + ": \"" + b.header.words[1] + "\" is made twice";
        return false;
      }
      std::vector<uint8_t> bytes;
      if (!buildMidi(b, bytes, error)) return false;
      if (!writeIfChanged(loosePath(out, b.header.words[1]), bytes)) {
        error = loosePath(out, b.header.words[1]).string() + ": cannot be written";
        return false;
      }
      if (options.verbose) log << "midi " << b.header.words[1] << "\n";
      continue;
    }
    SoundSpec spec;
    if (!parseSoundSpec(b, spec, error)) return false;
    std::string name;
    if (!(spec.supplement ? supplementNames : mainNames).add(spec.name, where, name, error))
      return false;
    specs.push_back(std::move(spec));
    names.push_back(name);
  }
  std::vector<std::vector<uint8_t>> files(specs.size());
  std::vector<std::string> errors(specs.size());
  parallelFor(specs.size(), options.threads, [&](size_t i) {
    std::vector<int16_t> samples;
    if (synthesizeSound(specs[i], samples, errors[i])) files[i] = encodeSound(specs[i], samples);
  });
  for (size_t i = 0; i < specs.size(); ++i) {
    if (!errors[i].empty()) {
      error = errors[i];
      return false;
    }
    (specs[i].supplement ? supplement : main).add(names[i], files[i]);
    if (options.verbose) log << "sound " << specs[i].name << "\n";
  }
  return true;
}

bool buildMovies(const fs::path& src, const fs::path& out, const BuildOptions& options,
                 std::ostream& log, std::string& error) {
  std::vector<RecipeBlock> blocks;
  if (!readBlocks(src / "mov", ".mov", blocks, error)) return false;
  for (const RecipeBlock& b : blocks) {
    MovieSpec spec;
    if (!parseMovieSpec(b, spec, error)) return false;
    std::vector<uint8_t> bytes;
    if (!buildMovie(spec, bytes, error)) return false;
    if (!writeIfChanged(loosePath(out, spec.name), bytes)) {
      error = loosePath(out, spec.name).string() + ": cannot be written";
      return false;
    }
    if (options.verbose) log << "movie " << spec.name << "\n";
  }
  return true;
}

bool copyLoose(const fs::path& src, const fs::path& out, std::string& error) {
  const fs::path dir = src / "loose";
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) return true;
  std::vector<fs::path> files;
  for (const auto& e : fs::recursive_directory_iterator(dir, ec))
    if (e.is_regular_file()) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  for (const fs::path& p : files) {
    std::string bytes;
    if (!readText(p, bytes)) {
      error = p.string() + ": cannot be read";
      return false;
    }
    const fs::path target = out / fs::relative(p, dir);
    if (!writeIfChanged(target, std::vector<uint8_t>(bytes.begin(), bytes.end()))) {
      error = target.string() + ": cannot be written";
      return false;
    }
  }
  return true;
}

bool writeArchive(const fs::path& out, const char* name, const writers::ArchiveWriter& arc,
                  bool scrambled, bool always, std::string& error) {
  if (!always && arc.entries().empty()) return true;
  if (!writeIfChanged(out / name, arc.build(scrambled))) {
    error = (out / name).string() + ": cannot be written";
    return false;
  }
  return true;
}

}  // namespace

bool buildGame(const std::string& sourceDir, const std::string& outDir, const BuildOptions& options,
               std::ostream& log, std::string& error) {
  const fs::path src = sourceDir, out = outDir;
  std::error_code ec;
  if (!fs::is_directory(src, ec)) {
    error = sourceDir + ": no such folder";
    return false;
  }
  fs::create_directories(out, ec);
  if (!fs::is_directory(out, ec)) {
    error = outDir + ": cannot create the folder";
    return false;
  }
  writers::ArchiveWriter scripts, pictures, pictures2, sounds, sounds2;
  if (!buildScripts(src, scripts, log, options, error)) return false;
  if (!buildPictures(src, pictures, pictures2, options, log, error)) return false;
  if (!buildSounds(src, out, sounds, sounds2, options, log, error)) return false;
  if (!buildMovies(src, out, options, log, error)) return false;
  if (!copyLoose(src, out, error)) return false;
  if (!writeArchive(out, "arc.scr", scripts, true, true, error) ||
      !writeArchive(out, "arc.cg", pictures, true, true, error) ||
      !writeArchive(out, "arc2.cg", pictures2, true, false, error) ||
      !writeArchive(out, "arc.wav", sounds, false, true, error) ||
      !writeArchive(out, "arc2.wav", sounds2, false, false, error))
    return false;
  log << "built " << outDir << ": " << scripts.entries().size() << " scripts, "
      << pictures.entries().size() + pictures2.entries().size() << " pictures, "
      << sounds.entries().size() + sounds2.entries().size() << " sounds\n";
  return true;
}

}  // namespace kobre::mkgame
