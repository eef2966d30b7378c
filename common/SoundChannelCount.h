// The number of sound channels (music, effect, voice and two silent slots).
// Shared by the sound layer (which owns the buffers) and the runtime (which
// borrows them).
#pragma once

namespace kobre {

constexpr int kSoundChannelCount = 5;

}  // namespace kobre
