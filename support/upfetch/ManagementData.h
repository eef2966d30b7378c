// "upfetch.db": the update records of every program that uses the updater,
// one per maker and software code, as a CP932 text file with CR LF line ends.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kobre::upfetch {

struct UpdateRecord {
  std::string makerCode;       // "MakerCode", up to 8 bytes
  std::string softwareCode;    // "SoftwareCode", 8
  std::string maker;           // "Maker", 260
  std::string software;        // "Software", 260
  std::string installVersion;  // "InstallVersion", 80
  std::string updateVersion;   // "UpdateVersion", 80; "__NUD__" when there is none
  std::string updateFile;      // "UpdateFile", 260
  std::string updateCheck;     // "UpdateCheck", 7; kept as read
  std::string status;          // "Status", 3: "ok", "na", "dl" or "rs"
};

// Reads the file's bytes into records. Stops at the first fault (a key
// outside the table, a record without MakerCode, SoftwareCode or
// InstallVersion, a record left open at the end) and returns false; the
// records completed before the fault stay in `records`.
bool parseManagementData(std::string_view bytes, std::vector<UpdateRecord>& records);

// The whole file: the comment block, then the records sorted by maker and
// software code.
std::string formatManagementData(std::vector<UpdateRecord> records);

// Cuts a value to a field's length without leaving half a double-byte
// character, and drops blanks at its end (the reader trims lines).
std::string cutField(std::string_view value, size_t maxLength);

}  // namespace kobre::upfetch
