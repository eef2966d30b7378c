// Engine path names use '\' between folders ("scr\open.scr").
#pragma once

#include <string_view>

namespace kobre {

// What follows the last backslash: the file part of an engine path (or of a
// source file name as the error boxes show it).
constexpr std::string_view afterLastBackslash(std::string_view s) {
  const size_t p = s.rfind('\\');
  return p == std::string_view::npos ? s : s.substr(p + 1);
}

}  // namespace kobre
