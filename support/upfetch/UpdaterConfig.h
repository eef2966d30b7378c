// The maker's values the updater needs: section [Server] of "upfetch.ini" in
// the updater's folder, overridden by command-line options.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kobre::upfetch {

struct UpdaterConfig {
  std::string info;       // Info: URL of the information server
  std::string download;   // Download: URL of the download server
  std::string mailHost;   // MailHost: host of the mail server ...
  int mailPort = 25;      // ... and its port (host:port)
  std::string mailbox;    // Mailbox: the notice mailbox, sender and recipient
  std::string blindCopy;  // BlindCopy: the further mailbox that gets a blind copy

  // Both servers are needed for a run; the mail is optional.
  bool hasServers() const { return !info.empty() && !download.empty(); }
};

// Reads the keys of [Server] from the file's bytes into config (keys that are
// missing leave their field as it is).
void readConfig(std::span<const uint8_t> bytes, UpdaterConfig& config);

// "host" or "host:port" (port 1-65535); false when it is neither.
bool parseMailHost(std::string_view text, std::string& host, int& port);

// "upfetch.ini" in the folder of the running program.
std::string defaultConfigPath();

}  // namespace kobre::upfetch
