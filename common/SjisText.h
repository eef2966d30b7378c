// CP932 byte strings that the engine compares with or stores into its data.
// Each entry: name, bytes, and the UTF-8 reading; tests/common checks every
// entry against iconv, so add new ones to the list below.
#pragma once

#include <string_view>

// X(name, cp932 bytes, utf-8 reading)
#define KOBRE_SJIS_TEXTS(X)                                                                        \
  X(kSjisDefaultHeroName, "\x97\x79\x93\x6C", "遥斗")                                              \
  X(kSjisHeroMarker, "\x81\x9C\x81\x9C", "●●")                                                     \
  X(kSjisDefaultFontFace, "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E", "ＭＳ ゴシック") \
  X(kSjisOpeningBrackets, "\x81\x75\x81\x69\x81\x6B\x81\x71\x81\x79", "「（〔〈【")                \
  X(kSjisClosingMarks, "\x81\x76\x81\x6A\x81\x6C\x81\x72\x81\x7A\x81\x41\x81\x42\x81\x49\x81\x48", \
    "」）〕〉】、。！？")                                                                          \
  X(kSjisChoiceLogPrefix, "\x91\x49\x91\xF0\x8E\x88\n", "選択肢\n")

namespace kobre {

#define KOBRE_SJIS_DEFINE(name, bytes, utf8) inline constexpr std::string_view name = bytes;
KOBRE_SJIS_TEXTS(KOBRE_SJIS_DEFINE)
#undef KOBRE_SJIS_DEFINE

}  // namespace kobre
