#include "app/LintCommand.h"

#include <algorithm>
#include <filesystem>

#include "platform/posix/IconvTextCodec.h"
#include "platform/posix/PosixFileSystem.h"
#include "script/Lint.h"

namespace kobre::app {

namespace {

bool sameNoCase(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto low = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return low(x) == low(y);
  });
}

}  // namespace

std::vector<std::string> looseScriptNames(const std::string& gameDir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& dir : std::filesystem::directory_iterator(gameDir, ec)) {
    if (!dir.is_directory(ec) || !sameNoCase(dir.path().filename().string(), "scr")) continue;
    for (const auto& file : std::filesystem::directory_iterator(dir.path(), ec))
      if (file.is_regular_file(ec)) names.push_back(file.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

int runLintCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string folder;
  bool given = false, optionsEnd = false;
  for (const std::string& arg : args) {
    if (!optionsEnd && arg == "--") {
      optionsEnd = true;
    } else if (!optionsEnd && arg.size() > 1 && arg[0] == '-') {
      err << "kobre: unknown option " << arg << " (see kobre --help)\n";
      return 2;
    } else if (given) {
      err << "kobre: more than one game folder: " << arg << " (see kobre --help)\n";
      return 2;
    } else {
      folder = arg;
      given = true;
    }
  }
  if (!given) {
    err << "kobre: --lint needs a game folder (see kobre --help)\n";
    return 2;
  }
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) {
    err << "kobre: no game folder " << folder << "\n";
    return 2;
  }
  platform::PosixFileSystem files(folder);
  platform::IconvTextCodec codec;
  platform::Platform p;
  p.files = &files;
  p.text = &codec;
  const std::vector<LintFinding> findings = lintGame(p, looseScriptNames(folder));
  for (const LintFinding& f : findings) out << formatFinding(f) << "\n";
  return findings.empty() ? 0 : 1;
}

}  // namespace kobre::app
