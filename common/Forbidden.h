// Included first in every file of the portable core (see cmake/Kobre.cmake).
// The core reaches files, the environment, the clock and the process only
// through the interfaces in platform/. The standard headers the core may use
// are included here first; after that, the C library's calls for direct I/O
// and process control are poisoned, so using one is a compile error.
#pragma once

#include <stdlib.h>  // before the poison: intrinsics headers include it again
#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <cinttypes>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#pragma GCC poison fopen freopen fclose fread fwrite fgets fputs puts printf fprintf vprintf
#pragma GCC poison getenv setenv putenv system exit _Exit quick_exit abort
#pragma GCC poison localtime gmtime mktime
