#include "platform/posix/PosixShell.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>
#include <vector>

#include "common/AsciiCase.h"
#include "platform/posix/PosixFileSystem.h"

extern char** environ;

namespace kobre::platform {

int PosixShell::open(std::string_view name, std::string_view parameters) {
  std::string program;
  std::vector<std::string> args;
  const std::string lower = lowerAscii(name);
  if (lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".exe") == 0) {
    std::string stem(name.substr(0, name.size() - 4));
    std::string path = PosixFileSystem::resolveExisting(programFolder_, stem);
    if (path.empty()) path = PosixFileSystem::resolveExisting(gameFolder_, stem);
    if (path.empty() || ::access(path.c_str(), X_OK) != 0) return 2;  // file not found
    program = path;
    args.push_back(path);
    if (!parameters.empty()) args.emplace_back(parameters);
  } else {
    std::string path = PosixFileSystem::resolveExisting(gameFolder_, name);
    if (path.empty()) return 2;
    program = "xdg-open";
    args = {"xdg-open", path};
  }
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid;
  if (::posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return 2;
  // Not waited for: the started program works on its own. A detached thread
  // reaps it when it ends so it does not linger as a zombie.
  std::thread([pid] {
    int status = 0;
    ::waitpid(pid, &status, 0);
  }).detach();
  return 42;
}

}  // namespace kobre::platform
