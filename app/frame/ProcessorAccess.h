// The processor probe's record of a running engine, for the support mail
// (without the engine's headers, which do not mix with Qt's).
#pragma once

namespace kobre {
struct ProcessorInfo;
}

namespace kobre::frame {
class FrameEngine;

// False for engines without a probe (a test's stand-in); info is left as it is.
bool engineProcessor(FrameEngine& engine, ProcessorInfo& info, bool& useMmx);

}  // namespace kobre::frame
