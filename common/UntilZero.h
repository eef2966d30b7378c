// Fixed-size text fields and character tables end at their first zero byte.
#pragma once

#include <string_view>

namespace kobre {

// The part of s before its first zero byte (all of s when it has none).
inline std::string_view untilZero(std::string_view s) {
  const size_t zero = s.find('\0');
  return zero == std::string_view::npos ? s : s.substr(0, zero);
}

}  // namespace kobre
