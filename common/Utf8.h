// Small helpers for UTF-8 text shown in boxes.
#pragma once

#include <string>

namespace kobre {

// Cuts to at most max bytes without splitting a UTF-8 sequence.
inline std::string cutUtf8(std::string text, size_t max) {
  if (text.size() <= max) return text;
  size_t end = max;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  text.resize(end);
  return text;
}

}  // namespace kobre
