#include "support/upfetch/UpdaterConfig.h"

#include <unistd.h>

#include <filesystem>

#include "common/ProfileFile.h"

namespace kobre::upfetch {

void readConfig(std::span<const uint8_t> bytes, UpdaterConfig& config) {
  ProfileFile file;
  file.load(bytes);
  auto take = [&](std::string_view key, std::string& field) {
    if (auto value = file.find("Server", key)) field = *value;
  };
  take("Info", config.info);
  take("Download", config.download);
  take("Mailbox", config.mailbox);
  take("BlindCopy", config.blindCopy);
  if (auto value = file.find("Server", "MailHost")) {
    std::string host;
    int port = 25;
    if (parseMailHost(*value, host, port)) {
      config.mailHost = host;
      config.mailPort = port;
    }
  }
}

bool parseMailHost(std::string_view text, std::string& host, int& port) {
  const size_t colon = text.rfind(':');
  std::string_view name = text.substr(0, colon);
  int value = 25;
  if (colon != std::string_view::npos) {
    const std::string_view digits = text.substr(colon + 1);
    if (digits.empty() || digits.size() > 5) return false;
    value = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return false;
      value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535) return false;
  }
  if (name.empty()) return false;
  host = std::string(name);
  port = value;
  return true;
}

std::string defaultConfigPath() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "upfetch.ini";
  return (self.parent_path() / "upfetch.ini").string();
}

}  // namespace kobre::upfetch
