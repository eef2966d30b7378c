#include "support/upfetch/ManagementData.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "platform/posix/IconvTextCodec.h"
#include "support/upfetch/WebClient.h"

namespace kobre::upfetch {
namespace {

struct Field {
  std::string_view key;
  size_t maxLength;
  std::string UpdateRecord::*member;
};

constexpr std::array<Field, 9> kFields{{
    {"MakerCode", 8, &UpdateRecord::makerCode},
    {"SoftwareCode", 8, &UpdateRecord::softwareCode},
    {"Maker", 260, &UpdateRecord::maker},
    {"Software", 260, &UpdateRecord::software},
    {"InstallVersion", 80, &UpdateRecord::installVersion},
    {"UpdateVersion", 80, &UpdateRecord::updateVersion},
    {"UpdateFile", 260, &UpdateRecord::updateFile},
    {"UpdateCheck", 7, &UpdateRecord::updateCheck},
    {"Status", 3, &UpdateRecord::status},
}};

// Lines are read in pieces of at most 511 bytes (a 512-byte buffer with its
// zero); a longer line goes on as a further line.
constexpr size_t kLinePiece = 511;

std::string_view trim(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// A framed comment line: "#", eight blanks, the text, blanks up to column 78, "#".
std::string framed(std::string_view utf8) {
  std::string line = "#        " + platform::utf8ToCp932(utf8);
  if (line.size() < 78) line.append(78 - line.size(), ' ');
  return line + "#";
}

}  // namespace

std::string cutField(std::string_view value, size_t maxLength) {
  size_t end = value.size();
  if (end > maxLength) {
    end = 0;
    while (end < maxLength) {
      const size_t step = isCp932Lead(static_cast<uint8_t>(value[end])) ? 2 : 1;
      if (end + step > maxLength) break;
      end += step;
    }
  }
  // Blanks at the end would be lost when the line is read back.
  while (end > 0 && (value[end - 1] == ' ' || value[end - 1] == '\t')) --end;
  return std::string(value.substr(0, end));
}

bool parseManagementData(std::string_view bytes, std::vector<UpdateRecord>& records) {
  bool inRecord = false;
  UpdateRecord current;
  while (!bytes.empty()) {
    size_t length = std::min(bytes.size(), kLinePiece);
    const size_t lf = bytes.substr(0, length).find('\n');
    if (lf != std::string_view::npos) length = lf + 1;
    const std::string_view line = trim(bytes.substr(0, length));
    bytes.remove_prefix(length);

    if (!inRecord) {
      if (line == "<Data>") {
        inRecord = true;
        current = UpdateRecord{};
      }
      continue;  // blank lines, comments and stray lines outside a record
    }
    if (line.empty() || line.front() == '#') continue;
    if (line == "</Data>") {
      if (current.makerCode.empty() || current.softwareCode.empty() ||
          current.installVersion.empty())
        return false;
      if (current.status.empty()) current.status = "na";
      records.push_back(current);
      inRecord = false;
      continue;
    }
    const size_t tab = line.find('\t');
    const std::string_view key = line.substr(0, tab);
    std::string_view value;
    if (tab != std::string_view::npos) {
      value = line.substr(tab);
      while (!value.empty() && value.front() == '\t') value.remove_prefix(1);
    }
    const auto field =
        std::find_if(kFields.begin(), kFields.end(), [&](const Field& f) { return f.key == key; });
    if (field == kFields.end()) return false;
    current.*(field->member) = cutField(value, field->maxLength);
  }
  return !inRecord;
}

std::string formatManagementData(std::vector<UpdateRecord> records) {
  std::sort(records.begin(), records.end(), [](const UpdateRecord& a, const UpdateRecord& b) {
    if (a.makerCode != b.makerCode) return a.makerCode < b.makerCode;
    return a.softwareCode < b.softwareCode;
  });
  const std::string rule(79, '#');
  const std::string empty = "#" + std::string(77, ' ') + "#";
  std::string out;
  for (const std::string& line :
       {rule, empty, framed("このファイルはアップデートチェックに必要な設定ファイルです。"),
        framed("重要なファイルですので直接編集しないで下さい。"), empty, rule, std::string()})
    out += line + "\r\n";
  for (const UpdateRecord& record : records) {
    out += "<Data>\r\n";
    for (const Field& field : kFields) {
      const std::string& value = record.*(field.member);
      const bool always = field.key == "MakerCode" || field.key == "SoftwareCode";
      if (value.empty() && !always) continue;
      const bool shortKey = field.key == "Maker" || field.key == "Status";
      out += "\t" + std::string(field.key) + (shortKey ? "\t\t" : "\t") + value + "\r\n";
    }
    out += "</Data>\r\n";
  }
  return out;
}

}  // namespace kobre::upfetch
