#include "common/ProfileFile.h"

#include "common/AsciiCase.h"

namespace kobre {

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The name of a "[Section]" line, or nothing when the line is no header.
std::optional<std::string_view> headerName(std::string_view line) {
  line = trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return trim(line.substr(1, close - 1));
}

}  // namespace

std::optional<int32_t> parseProfileInteger(std::string_view text) {
  text = trim(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  uint64_t value = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (base == 16 && toUpperAscii(c) >= 'A' && toUpperAscii(c) <= 'F')
      digit = toUpperAscii(c) - 'A' + 10;
    else
      return std::nullopt;
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    if (value > UINT64_C(0xFFFFFFFF)) return std::nullopt;
  }
  if (base == 16) {
    // Hexadecimal spells the 32-bit pattern ("0xFFFFFFFF" is -1).
    int32_t v = static_cast<int32_t>(static_cast<uint32_t>(value));
    return negative ? static_cast<int32_t>(0u - static_cast<uint32_t>(v)) : v;
  }
  if (negative) {
    if (value > UINT64_C(0x80000000)) return std::nullopt;
    return static_cast<int32_t>(-static_cast<int64_t>(value));
  }
  if (value > UINT64_C(0x7FFFFFFF)) return std::nullopt;
  return static_cast<int32_t>(value);
}

void ProfileFile::load(std::span<const uint8_t> bytes) {
  lines_.clear();
  std::string line;
  size_t i = 0;
  bool pending = false;
  while (i < bytes.size()) {
    char c = static_cast<char>(bytes[i++]);
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i < bytes.size() && bytes[i] == '\n') ++i;
      lines_.push_back(std::move(line));
      line.clear();
      pending = false;
      continue;
    }
    line.push_back(c);
    pending = true;
  }
  if (pending) lines_.push_back(std::move(line));
}

std::vector<uint8_t> ProfileFile::save() const {
  std::vector<uint8_t> out;
  for (const std::string& line : lines_) {
    out.insert(out.end(), line.begin(), line.end());
    out.push_back('\r');
    out.push_back('\n');
  }
  return out;
}

int ProfileFile::findSection(std::string_view section) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    auto name = headerName(lines_[i]);
    if (name && equalsIgnoreAsciiCase(*name, trim(section))) return static_cast<int>(i);
  }
  return -1;
}

int ProfileFile::findKey(int header, std::string_view key) const {
  for (size_t i = static_cast<size_t>(header) + 1; i < lines_.size(); ++i) {
    std::string_view line = lines_[i];
    if (headerName(line)) break;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    if (equalsIgnoreAsciiCase(trim(line.substr(0, eq)), trim(key))) return static_cast<int>(i);
  }
  return -1;
}

std::optional<std::string> ProfileFile::find(std::string_view section, std::string_view key) const {
  int header = findSection(section);
  if (header < 0) return std::nullopt;
  int at = findKey(header, key);
  if (at < 0) return std::nullopt;
  std::string_view line = lines_[static_cast<size_t>(at)];
  std::string_view value = trim(line.substr(line.find('=') + 1));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return std::string(value);
}

std::string ProfileFile::readString(std::string_view section, std::string_view key,
                                    std::string_view fallback) const {
  auto value = find(section, key);
  std::string s = value ? std::move(*value) : std::string(fallback);
  if (s.size() > kMaxStringRead) s.resize(kMaxStringRead);
  return s;
}

int32_t ProfileFile::readInteger(std::string_view section, std::string_view key,
                                 int32_t fallback) const {
  auto value = find(section, key);
  if (!value) return fallback;
  return parseProfileInteger(*value).value_or(fallback);
}

bool ProfileFile::readBool(std::string_view section, std::string_view key, bool fallback) const {
  return readInteger(section, key, fallback ? 1 : 0) != 0;
}

void ProfileFile::writeString(std::string_view section, std::string_view key,
                              std::string_view value) {
  std::string line = std::string(trim(key)) + "=" + std::string(value);
  int header = findSection(section);
  if (header < 0) {
    lines_.push_back("[" + std::string(trim(section)) + "]");
    lines_.push_back(std::move(line));
    return;
  }
  int at = findKey(header, key);
  if (at >= 0) {
    lines_[static_cast<size_t>(at)] = std::move(line);
    return;
  }
  // After the section's last non-blank line.
  size_t end = static_cast<size_t>(header) + 1;
  size_t insert = end;
  for (; end < lines_.size() && !headerName(lines_[end]); ++end)
    if (!trim(lines_[end]).empty()) insert = end + 1;
  lines_.insert(lines_.begin() + static_cast<ptrdiff_t>(insert), std::move(line));
}

void ProfileFile::writeInteger(std::string_view section, std::string_view key, int32_t value) {
  writeString(section, key, std::to_string(value));
}

}  // namespace kobre
