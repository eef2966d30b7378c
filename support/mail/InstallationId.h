#pragma once

#include <cstdint>
#include <string>

namespace kobre::support {

// The installation identifier of the file system holding `folder`: its identifier and flags
// (statvfs f_fsid / f_flag), each 32-bit half XOR 0x8421 -> "%04X-%04X-%04X-%04X"; "Error" when
// unreadable.
std::string installationId(const std::string& folder = "/");

// The identifier's text for a 32-bit file-system serial and 32-bit flags: flags high 16 bits,
// flags low 16 bits, serial high 16 bits, serial low 16 bits, each XOR 0x8421.
std::string formatInstallationId(std::uint32_t serial, std::uint32_t flags);

}  // namespace kobre::support
