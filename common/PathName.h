// Engine path names use '\' between folders ("scr\open.scr").
#pragma once

#include <string_view>

#include "common/Sjis.h"

namespace kobre {

// What follows the last backslash: the file part of an engine path (or of a
// source file name as the error boxes show it). A 0x5C that is the second
// byte of a two-byte character ("ソ" is 0x83 0x5C) separates nothing.
constexpr std::string_view afterLastBackslash(std::string_view s) {
  size_t start = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\') {
      start = i + 1;
    } else if (isWideLead(s[i])) {
      ++i;
    }
  }
  return s.substr(start);
}

}  // namespace kobre
