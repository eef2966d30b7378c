#pragma once

#include <cstdio>
#include <cstdlib>

namespace kobre::bench {

// A benchmark's set-up must not fail quietly: timing a half-built scene
// would give a figure for work that never ran.
inline void mustSucceed(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "bench set-up failed: %s\n", what);
  std::abort();
}

}  // namespace kobre::bench
