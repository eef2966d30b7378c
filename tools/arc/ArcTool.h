// kobre-arc: lists, extracts and packs the game archives ("arc.scr",
// "arc.cg", "arc.wav" and their "arc2" supplements). Archives are read with
// the runtime's own ArchiveFile and picture entries decoded as the runtime
// decodes them, so what the tool shows is what a game sees.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace kobre::arc {

// The three kinds differ in the index (scrambled for scripts and pictures,
// plain for sounds) and in how picture entries are stored.
enum class ArchiveKind { Script, Image, Sound };

// The kind an archive name implies: ".scr" scripts, ".cg" pictures, ".wav"
// sounds (case ignored). False for any other name.
bool kindFromName(const std::string& path, ArchiveKind& kind);
bool scrambledIndex(ArchiveKind kind);

// How picture files are stored in an image archive: LZSS-packed behind a
// "PAK " header, or whole with their first 32 bytes scrambled.
enum class PictureStore { Pak, Scrambled };

// An image-archive entry as the runtime reads it: "PAK " entries unpacked,
// others with their head unscrambled. False when a packed entry is damaged
// (its declared size is beyond what its stream can produce).
bool decodePictureEntry(const std::vector<uint8_t>& stored, std::vector<uint8_t>& out);
// The stored form of a picture file.
std::vector<uint8_t> encodePictureEntry(const std::vector<uint8_t>& file, PictureStore store);

// Runs the tool on its arguments (without the program name). Returns the
// exit status: 0 success, 1 bad input or a failed write, 2 bad usage.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kobre::arc
