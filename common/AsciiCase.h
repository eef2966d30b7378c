// ASCII-only case folding for engine names (CP932 bytes): only 'a'-'z' and
// 'A'-'Z' change, whatever the locale. Two kinds of compare:
// - the plain one folds every byte, as the settings file, Read.dat and the
//   name tables do;
// - the Shift-JIS-aware one compares the second byte of a two-byte
//   character exactly (a trail byte may lie in the ASCII letter range).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/Sjis.h"

namespace kobre {

constexpr char toUpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
constexpr uint8_t toUpperAscii(uint8_t b) {
  return (b >= 'a' && b <= 'z') ? static_cast<uint8_t>(b - 'a' + 'A') : b;
}
constexpr char toLowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Every byte folded.
constexpr bool equalsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (toUpperAscii(a[i]) != toUpperAscii(b[i])) return false;
  return true;
}

// Lead bytes and single bytes folded, trail bytes of two-byte characters
// compared as they are.
constexpr bool equalsIgnoreAsciiCaseSjis(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (isWideLead(a[i])) {
      if (a[i] != b[i]) return false;
      if (++i < a.size() && a[i] != b[i]) return false;
      continue;
    }
    if (toUpperAscii(a[i]) != toUpperAscii(b[i])) return false;
  }
  return true;
}

// True when s ends with suffix, ASCII letters without case.
constexpr bool endsWithIgnoreAsciiCase(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() &&
         equalsIgnoreAsciiCase(s.substr(s.size() - suffix.size()), suffix);
}

inline std::string lowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = toLowerAscii(c);
  return out;
}

// s with single-byte letters upper-cased and two-byte characters kept whole:
// the key under which two names equal by equalsIgnoreAsciiCaseSjis meet.
inline std::string upperAsciiSjis(std::string_view s) {
  std::string key;
  key.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    key += toUpperAscii(c);
    if (isWideLead(c) && i + 1 < s.size()) key += s[++i];
  }
  return key;
}

}  // namespace kobre
