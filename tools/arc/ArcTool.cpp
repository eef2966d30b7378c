#include "tools/arc/ArcTool.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <map>
#include <memory>
#include <optional>

#include "common/AsciiCase.h"
#include "common/ByteOrder.h"
#include "common/ByteReader.h"
#include "common/Sjis.h"
#include "graphics/DIBitmap.h"
#include "graphics/Lzss.h"
#include "platform/posix/IconvTextCodec.h"
#include "storage/ArchiveFile.h"
#include "storage/FileHandle.h"
#include "tools/writers/ArchiveWriter.h"
#include "tools/writers/LzssCompressor.h"

namespace kobre::arc {

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "usage:\n"
    "  kobre-arc list ARCHIVE [--plain|--scrambled]\n"
    "  kobre-arc extract ARCHIVE DIR [--plain|--scrambled] [--raw]\n"
    "  kobre-arc pack ARCHIVE FILE|DIR... [--kind scr|cg|wav] [--plain|--scrambled]\n"
    "                 [--store pak|scrambled]\n"
    "The kind follows the archive's extension (.scr scripts and .cg pictures have a\n"
    "scrambled index, .wav sounds a plain one). Picture entries are extracted as the\n"
    "game reads them (unpacked, unscrambled) unless --raw is given, and packed with\n"
    "LZSS behind a \"PAK \" header unless --store scrambled is given.\n";

bool readHostFile(const fs::path& path, std::vector<uint8_t>& out, std::string& why) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) {
    why = "is a folder";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    why = "cannot be opened";
    return false;
  }
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0 || size > std::streamoff{0xFFFFFFFF}) {
    why = "is too large for an archive (4 GiB at most)";
    return false;
  }
  in.seekg(0);
  out.resize(static_cast<size_t>(size));
  if (size > 0 && !in.read(reinterpret_cast<char*>(out.data()), size)) {
    why = "cannot be read";
    return false;
  }
  return true;
}

// An archive read into memory and opened with the runtime's reader.
struct OpenArchive {
  std::vector<uint8_t> bytes;
  ArchiveFile archive;
  bool scrambled = false;
};

// Whether every entry is usable: its data inside the file and its name
// terminated inside its 24 bytes. Fills why with the first fault.
bool entriesValid(const OpenArchive& a, std::string& why) {
  for (int i = 0; i < a.archive.entryCount(); ++i) {
    const ArchiveEntry& e = a.archive.entry(i);
    if (std::memchr(e.name, 0, kArchiveNameSize) == nullptr) {
      why = "entry " + std::to_string(i) + " has no terminated name";
      return false;
    }
    if (uint64_t{e.dataOffset} + e.dataSize > a.bytes.size()) {
      why = "entry " + std::to_string(i) + " lies outside the file";
      return false;
    }
  }
  return true;
}

bool openWith(OpenArchive& a, bool scrambled, std::string& why) {
  a.scrambled = scrambled;
  if (!a.archive.open(std::make_unique<MemoryFile>(a.bytes), scrambled)) {
    why = a.bytes.size() < kArchiveHeaderSize ? "shorter than an archive header"
                                              : "its index runs past the end of the file";
    return false;
  }
  return entriesValid(a, why);
}

// Opens an archive in the requested index form, or (when none is forced)
// in the kind's form and failing that the other one, with a note.
bool openArchive(const std::string& path, std::optional<bool> forced, bool preferred,
                 OpenArchive& a, std::ostream& err) {
  std::string why;
  if (!readHostFile(path, a.bytes, why)) {
    err << "kobre-arc: " << path << ": " << why << "\n";
    return false;
  }
  if (forced) {
    if (openWith(a, *forced, why)) return true;
    err << "kobre-arc: " << path << ": not a valid " << (*forced ? "scrambled" : "plain")
        << " archive: " << why << "\n";
    return false;
  }
  if (openWith(a, preferred, why)) return true;
  std::string otherWhy;
  if (openWith(a, !preferred, otherWhy)) {
    err << "kobre-arc: note: " << path << " has a " << (preferred ? "plain" : "scrambled")
        << " index\n";
    return true;
  }
  err << "kobre-arc: " << path << ": not a valid archive: " << why << "\n";
  return false;
}

std::string entryName(const ArchiveEntry& e) {
  return std::string(e.name, strnlen(e.name, kArchiveNameSize));
}

// Whether an earlier entry has a name the archive's lookup takes as equal.
int shadowedBy(const ArchiveFile& archive, int i) {
  const std::string name = entryName(archive.entry(i));
  for (int j = 0; j < i; ++j)
    if (archiveNameEquals(archive.entry(j).name, kArchiveNameSize, name)) return j;
  return -1;
}

std::string describePicture(const std::vector<uint8_t>& stored) {
  ByteReader r(stored);
  if (stored.size() >= 12 && r.match("PAK ")) {
    r.skip(4);
    return "PAK " + std::to_string(r.le32());
  }
  return "head-scrambled";
}

struct Options {
  std::optional<bool> scrambled;
  std::optional<ArchiveKind> kind;
  PictureStore store = PictureStore::Pak;
  bool raw = false;
  std::vector<std::string> positional;
};

bool parseOptions(const std::vector<std::string>& args, Options& o, std::ostream& err) {
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& v) {
      if (i + 1 >= args.size()) {
        err << "kobre-arc: " << a << " needs a value\n";
        return false;
      }
      v = args[++i];
      return true;
    };
    if (a == "--plain") {
      o.scrambled = false;
    } else if (a == "--scrambled") {
      o.scrambled = true;
    } else if (a == "--raw") {
      o.raw = true;
    } else if (a == "--kind") {
      std::string v;
      if (!value(v)) return false;
      if (v == "scr") {
        o.kind = ArchiveKind::Script;
      } else if (v == "cg") {
        o.kind = ArchiveKind::Image;
      } else if (v == "wav") {
        o.kind = ArchiveKind::Sound;
      } else {
        err << "kobre-arc: unknown kind \"" << v << "\" (scr, cg or wav)\n";
        return false;
      }
    } else if (a == "--store") {
      std::string v;
      if (!value(v)) return false;
      if (v == "pak") {
        o.store = PictureStore::Pak;
      } else if (v == "scrambled") {
        o.store = PictureStore::Scrambled;
      } else {
        err << "kobre-arc: unknown store \"" << v << "\" (pak or scrambled)\n";
        return false;
      }
    } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
      err << "kobre-arc: unknown option " << a << "\n";
      return false;
    } else {
      o.positional.push_back(a);
    }
  }
  return true;
}

bool resolveKind(const Options& o, const std::string& path, ArchiveKind& kind, bool required,
                 std::ostream& err) {
  if (o.kind) {
    kind = *o.kind;
    return true;
  }
  if (kindFromName(path, kind)) return true;
  if (required) {
    err << "kobre-arc: " << path << ": cannot tell the kind from the name; give --kind\n";
    return false;
  }
  kind = ArchiveKind::Sound;  // entries as stored
  return true;
}

int list(const Options& o, std::ostream& out, std::ostream& err) {
  if (o.positional.size() != 1) {
    err << kUsage;
    return 2;
  }
  const std::string& path = o.positional[0];
  std::optional<ArchiveKind> known = o.kind;
  ArchiveKind byName;
  if (!known && kindFromName(path, byName)) known = byName;
  OpenArchive a;
  if (!openArchive(path, o.scrambled, known ? scrambledIndex(*known) : true, a, err)) return 1;
  out << path << ": " << a.archive.entryCount() << " entries, "
      << (a.scrambled ? "scrambled" : "plain") << " index\n";
  for (int i = 0; i < a.archive.entryCount(); ++i) {
    const ArchiveEntry& e = a.archive.entry(i);
    out << std::setw(5) << i << std::setw(11) << e.dataOffset << std::setw(10) << e.dataSize << "  "
        << platform::cp932ToUtf8(entryName(e));
    if (known == ArchiveKind::Image) {
      std::vector<uint8_t> stored(a.bytes.begin() + e.dataOffset,
                                  a.bytes.begin() + e.dataOffset + e.dataSize);
      out << "  (" << describePicture(stored) << ")";
    }
    const int by = shadowedBy(a.archive, i);
    if (by >= 0) out << "  [hidden by entry " << by << "]";
    out << "\n";
  }
  return 0;
}

bool safeHostName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\\') == std::string::npos;
}

int extract(const Options& o, std::ostream& out, std::ostream& err) {
  if (o.positional.size() != 2) {
    err << kUsage;
    return 2;
  }
  const std::string& path = o.positional[0];
  const fs::path dir = o.positional[1];
  ArchiveKind kind;
  resolveKind(o, path, kind, false, err);
  const bool image = kind == ArchiveKind::Image;
  OpenArchive a;
  if (!openArchive(path, o.scrambled, scrambledIndex(kind), a, err)) return 1;
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (!fs::is_directory(dir, ec)) {
    err << "kobre-arc: " << dir.string() << ": cannot create the folder\n";
    return 1;
  }
  int status = 0;
  int written = 0;
  for (int i = 0; i < a.archive.entryCount(); ++i) {
    const std::string name = entryName(a.archive.entry(i));
    const std::string hostName = platform::cp932ToUtf8(name);
    const int by = shadowedBy(a.archive, i);
    if (by >= 0) {
      err << "kobre-arc: skipped entry " << i << " \"" << hostName
          << "\": the game never reads it (entry " << by << " has the same name)\n";
      continue;
    }
    if (!safeHostName(hostName)) {
      err << "kobre-arc: skipped entry " << i << ": unsafe name \"" << hostName << "\"\n";
      status = 1;
      continue;
    }
    std::vector<uint8_t> data;
    if (!a.archive.readEntry(name, data)) {
      err << "kobre-arc: entry " << i << " \"" << hostName << "\" cannot be read\n";
      status = 1;
      continue;
    }
    if (image && !o.raw) {
      std::vector<uint8_t> decoded;
      if (!decodePictureEntry(data, decoded)) {
        err << "kobre-arc: entry " << i << " \"" << hostName
            << "\": damaged packed picture (its size exceeds what its data can hold)\n";
        status = 1;
        continue;
      }
      data.swap(decoded);
    }
    if (!writers::writeHostFile((dir / hostName).string(), data)) {
      err << "kobre-arc: " << (dir / hostName).string() << ": cannot be written\n";
      status = 1;
      continue;
    }
    ++written;
  }
  out << "extracted " << written << " of " << a.archive.entryCount() << " entries into "
      << dir.string() << "\n";
  return status;
}

int pack(const Options& o, std::ostream& out, std::ostream& err) {
  if (o.positional.size() < 2) {
    err << kUsage;
    return 2;
  }
  const std::string& path = o.positional[0];
  ArchiveKind kind;
  if (!resolveKind(o, path, kind, true, err)) return 2;
  const bool scrambled = o.scrambled.value_or(scrambledIndex(kind));

  // Folders contribute their regular files in name order, so a pack of the
  // same folder is the same archive every time.
  std::vector<fs::path> files;
  for (size_t i = 1; i < o.positional.size(); ++i) {
    const fs::path p = o.positional[i];
    std::error_code ec;
    if (fs::is_directory(p, ec)) {
      std::vector<fs::path> inDir;
      for (const auto& e : fs::directory_iterator(p, ec))
        if (e.is_regular_file()) inDir.push_back(e.path());
      std::sort(inDir.begin(), inDir.end());
      files.insert(files.end(), inDir.begin(), inDir.end());
    } else {
      files.push_back(p);
    }
  }
  writers::ArchiveWriter writer;
  std::map<std::string, std::string> seen;  // upper-cased name -> file
  for (const fs::path& file : files) {
    std::vector<uint8_t> data;
    std::string why;
    if (!readHostFile(file, data, why)) {
      err << "kobre-arc: " << file.string() << ": " << why << "\n";
      return 1;
    }
    const std::string name = platform::utf8ToCp932(file.filename().string());
    if (name.empty() || name.size() >= kArchiveNameSize || name.find('?') != std::string::npos) {
      err << "kobre-arc: " << file.string()
          << ": the name must convert to Shift-JIS and fit in 23 bytes\n";
      return 1;
    }
    auto [it, fresh] = seen.emplace(upperAsciiSjis(name), file.string());
    if (!fresh) {
      err << "kobre-arc: " << file.string() << " and " << it->second
          << " have the same name in an archive\n";
      return 1;
    }
    if (kind == ArchiveKind::Image) data = encodePictureEntry(data, o.store);
    writer.add(name, data);
  }
  if (!writer.writeFile(path, scrambled)) {
    err << "kobre-arc: " << path << ": cannot be written\n";
    return 1;
  }
  out << "packed " << writer.entries().size() << " entries into " << path << "\n";
  return 0;
}

}  // namespace

bool kindFromName(const std::string& path, ArchiveKind& kind) {
  const std::string l = lowerAscii(fs::path(path).extension().string());
  if (l == ".scr") {
    kind = ArchiveKind::Script;
  } else if (l == ".cg") {
    kind = ArchiveKind::Image;
  } else if (l == ".wav") {
    kind = ArchiveKind::Sound;
  } else {
    return false;
  }
  return true;
}

bool scrambledIndex(ArchiveKind kind) {
  return kind != ArchiveKind::Sound;
}

// The runtime's own unpacking, with a fresh window per entry: an extracted
// file must not depend on the entries before it.
bool decodePictureEntry(const std::vector<uint8_t>& stored, std::vector<uint8_t>& out) {
  // A "PAK " head too short for its size field is damaged, not scrambled.
  if (stored.size() < 12 && ByteReader(stored).match("PAK ")) return false;
  std::vector<uint8_t> entry = stored;
  auto window = std::make_unique<LzssWindow>();
  return unpackPictureEntry(entry, *window, UINT32_MAX, out) == PictureRead::kOk;
}

std::vector<uint8_t> encodePictureEntry(const std::vector<uint8_t>& file, PictureStore store) {
  return store == PictureStore::Pak ? writers::makePakEntry(file)
                                    : writers::makeScrambledEntry(file);
}

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    (args.empty() ? err : out) << kUsage;
    return args.empty() ? 2 : 0;
  }
  Options o;
  if (!parseOptions(args, o, err)) return 2;
  if (args[0] == "list") return list(o, out, err);
  if (args[0] == "extract") return extract(o, out, err);
  if (args[0] == "pack") return pack(o, out, err);
  err << "kobre-arc: unknown command \"" << args[0] << "\"\n" << kUsage;
  return 2;
}

}  // namespace kobre::arc
