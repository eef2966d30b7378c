// The program's diagnostic log: one line per call, UTF-8. Headless runs write
// it to stderr, the desktop to a file under $XDG_STATE_HOME/kobre/.
#pragma once

#include <set>
#include <string>
#include <string_view>

namespace kobre::platform {

class Log {
 public:
  virtual ~Log() = default;
  virtual void write(std::string_view line) = 0;

  // "STUB: what", once per log: a hook that is not built yet says so the
  // first time it is reached and stays quiet after that.
  void stub(std::string_view what) {
    if (!stubsReported_.emplace(what).second) return;
    std::string line = "STUB: ";
    line += what;
    write(line);
  }

 private:
  std::set<std::string, std::less<>> stubsReported_;
};

// Drops every line; the default for platforms that do not set one.
class NullLog : public Log {
 public:
  void write(std::string_view) override {}
};

}  // namespace kobre::platform
