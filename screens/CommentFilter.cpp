#include "screens/CommentFilter.h"

#include "common/Sjis.h"

namespace kobre {

std::string filterComment(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t lastStart = 0;  // where the last character kept starts
  for (size_t i = 0; i < text.size() && text[i] != 0;) {
    const char c = text[i];
    if (isWideLead(c)) {
      lastStart = out.size();
      out += c;
      if (i + 1 < text.size() && text[i + 1] != 0) out += text[i + 1];
      i += 2;
    } else if (c == '\\') {
      ++i;
    } else {
      lastStart = out.size();
      out += c;
      ++i;
    }
    if (out.size() >= kCommentMaxBytes) break;
  }
  if (out.size() > kCommentMaxBytes) out.resize(kCommentMaxBytes);
  // A two-byte character that starts at the last byte would be split.
  if (out.size() == kCommentMaxBytes && lastStart == kCommentMaxBytes - 1 &&
      isWideLead(out[lastStart]))
    out.resize(kCommentMaxBytes - 1);
  return out;
}

}  // namespace kobre
