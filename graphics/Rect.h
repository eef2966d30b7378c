// A rectangle of pixels, right and bottom edges excluded.
#pragma once

#include <algorithm>

namespace kobre {

struct Rect {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;

  bool empty() const { return x0 >= x1 || y0 >= y1; }
  // Grows to hold r as well (an empty r changes nothing).
  void unite(const Rect& r) {
    if (r.empty()) return;
    if (empty()) {
      *this = r;
      return;
    }
    x0 = std::min(x0, r.x0);
    y0 = std::min(y0, r.y0);
    x1 = std::max(x1, r.x1);
    y1 = std::max(y1, r.y1);
  }
  // Shrinks to the part inside r (possibly empty).
  void clip(const Rect& r) {
    x0 = std::max(x0, r.x0);
    y0 = std::max(y0, r.y0);
    x1 = std::min(x1, r.x1);
    y1 = std::min(y1, r.y1);
  }
  Rect clipped(const Rect& r) const {
    Rect c = *this;
    c.clip(r);
    return c;
  }
  bool operator==(const Rect&) const = default;
};

// A clip that leaves every pixel of any target in.
inline constexpr Rect kEverywhere{0, 0, 1 << 30, 1 << 30};

}  // namespace kobre
