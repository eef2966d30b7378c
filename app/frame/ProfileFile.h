// The profile file lives in common/ (the joypad settings use it too); the
// frame keeps its names.
#pragma once

#include "common/ProfileFile.h"

namespace kobre::frame {
using kobre::parseProfileInteger;
using kobre::ProfileFile;
}  // namespace kobre::frame
