// The name entry's filter: what the hero name field keeps of what was typed.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kobre::frame {

// The longest name the field takes: three two-byte characters.
inline constexpr size_t kHeroNameFieldBytes = 6;

// Keeps only two-byte characters (by the engine's wide lead-byte test),
// drops the full-width space and single bytes (a lead byte with nothing
// after it among them), and cuts the result to kHeroNameFieldBytes at a
// character boundary. CP932 in, CP932 out.
std::string filterHeroName(std::string_view cp932);

}  // namespace kobre::frame
