#include "support/mail/InstallationId.h"

#include <sys/statvfs.h>

#include <cstdio>

namespace kobre::support {

namespace {
constexpr std::uint32_t kMask = 0x8421;
}

std::string formatInstallationId(std::uint32_t serial, std::uint32_t flags) {
  char text[32];
  std::snprintf(text, sizeof text, "%04X-%04X-%04X-%04X", ((flags >> 16) ^ kMask) & 0xFFFF,
                ((flags & 0xFFFF) ^ kMask) & 0xFFFF, ((serial >> 16) ^ kMask) & 0xFFFF,
                ((serial & 0xFFFF) ^ kMask) & 0xFFFF);
  return text;
}

std::string installationId(const std::string& folder) {
  struct statvfs info {};
  if (folder.empty() || ::statvfs(folder.c_str(), &info) != 0) return "Error";
  // f_fsid is 64 bits wide here; both of its halves go into the 32-bit serial so that no part
  // of the file system's identity is dropped.
  const auto fsid = static_cast<std::uint64_t>(info.f_fsid);
  const auto serial = static_cast<std::uint32_t>(fsid ^ (fsid >> 32));
  const auto flags = static_cast<std::uint32_t>(info.f_flag);
  return formatInstallationId(serial, flags);
}

}  // namespace kobre::support
