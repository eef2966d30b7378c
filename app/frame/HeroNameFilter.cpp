#include "app/frame/HeroNameFilter.h"

#include "common/Sjis.h"

namespace kobre::frame {

std::string filterHeroName(std::string_view in) {
  std::string out;
  size_t i = 0;
  while (i < in.size()) {
    if (!isWideLead(in[i]) || i + 1 >= in.size()) {
      ++i;  // a single byte, or a lead byte cut off at the end
      continue;
    }
    const bool fullWidthSpace =
        static_cast<uint8_t>(in[i]) == 0x81 && static_cast<uint8_t>(in[i + 1]) == 0x40;
    if (!fullWidthSpace) {
      if (out.size() + 2 > kHeroNameFieldBytes) break;
      out.append(in.substr(i, 2));
    }
    i += 2;
  }
  return out;
}

}  // namespace kobre::frame
