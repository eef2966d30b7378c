// The rule for save comments typed into the comment dialog: at most 40
// bytes of CP932, a two-byte character never split, no backslashes.
#pragma once

#include <string>
#include <string_view>

namespace kobre {

constexpr size_t kCommentMaxBytes = 40;

// Removes every backslash (the walk steps over two-byte characters, whose
// second byte may be 0x5C) and cuts the text at 40 bytes, or at 39 when a
// two-byte character starts there. A zero byte ends the text.
std::string filterComment(std::string_view text);

}  // namespace kobre
