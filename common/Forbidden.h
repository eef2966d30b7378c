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

// The C++ library's ways around the platform: its clocks and sleeps (the
// core's time is platform::Clock, virtual in headless runs), file streams
// (platform::FileSystem) and the system's random source (runs must replay).
// Their headers come first so that the names in them still compile. A core
// file that truly needs one names it in its folder's CMakeLists.txt:
//   set_source_files_properties(File.cpp PROPERTIES COMPILE_DEFINITIONS KOBRE_ALLOW_CLOCKS)
// with KOBRE_ALLOW_CLOCKS, KOBRE_ALLOW_THREAD_SLEEP, KOBRE_ALLOW_FILE_STREAMS
// or KOBRE_ALLOW_RANDOM_DEVICE, and says why there.
#include <chrono>
#include <fstream>
#include <random>
#include <thread>
#ifndef KOBRE_ALLOW_CLOCKS
#pragma GCC poison steady_clock system_clock high_resolution_clock
#endif
#ifndef KOBRE_ALLOW_THREAD_SLEEP
#pragma GCC poison this_thread
#endif
#ifndef KOBRE_ALLOW_FILE_STREAMS
#pragma GCC poison ifstream ofstream fstream basic_ifstream basic_ofstream basic_fstream filebuf
#endif
#ifndef KOBRE_ALLOW_RANDOM_DEVICE
#pragma GCC poison random_device
#endif
