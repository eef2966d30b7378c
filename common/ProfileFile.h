// A Windows-style profile file ("[Section]" headers and "key=value" lines)
// held in memory. Reading follows the profile rules the settings rely on:
// section and key names match without regard to ASCII case, blanks around
// names and values are dropped, one pair of enclosing quotes is removed.
// Writing replaces a key's line in place, adds a missing key at the end of
// its section and a missing section at the end of the file, and keeps every
// other line (other sections, comments) as it was. Values are bytes (CP932).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kobre {

class ProfileFile {
 public:
  // Longest string a read returns (the profile functions' buffer less its zero).
  static constexpr size_t kMaxStringRead = 2047;

  void load(std::span<const uint8_t> bytes);
  // The file's bytes; lines end in CR LF.
  std::vector<uint8_t> save() const;
  void clear() { lines_.clear(); }

  // The value as the file holds it (trimmed, quotes removed, not shortened);
  // nothing when the section or key is missing.
  std::optional<std::string> find(std::string_view section, std::string_view key) const;

  std::string readString(std::string_view section, std::string_view key,
                         std::string_view fallback) const;
  // Decimal, or hexadecimal after "0x"; anything that is not a whole number
  // (or does not fit 32 bits) reads as the fallback.
  int32_t readInteger(std::string_view section, std::string_view key, int32_t fallback) const;
  // An integer; any non-zero value is true.
  bool readBool(std::string_view section, std::string_view key, bool fallback) const;

  void writeString(std::string_view section, std::string_view key, std::string_view value);
  void writeInteger(std::string_view section, std::string_view key, int32_t value);
  void writeBool(std::string_view section, std::string_view key, bool value) {
    writeInteger(section, key, value ? 1 : 0);
  }

  const std::vector<std::string>& lines() const { return lines_; }

 private:
  // Index of the section's header line, or -1.
  int findSection(std::string_view section) const;
  // Index of the key's line inside the section starting after header, or -1.
  int findKey(int header, std::string_view key) const;

  std::vector<std::string> lines_;
};

// Integer text as the profile reader takes it; nothing when it is no number.
std::optional<int32_t> parseProfileInteger(std::string_view text);

}  // namespace kobre
