#include "sound/SoundErrors.h"

#include "common/PathName.h"
#include "common/Utf8.h"
#include "platform/Host.h"

namespace kobre {

namespace {

struct CodeText {
  uint32_t code;
  const char* text;
};

constexpr CodeText kDirectSoundTexts[] = {
    {0x80004001, "DSERR_UNSUPPORTED"},     {0x80004002, "DSERR_NOINTERFACE"},
    {0x80004005, "DSERR_GENERIC"},         {0x80040110, "DSERR_NOAGGREGATION"},
    {0x80070005, "DSERR_ACCESSDENIED"},    {0x8007000E, "DSERR_OUTOFMEMORY"},
    {0x80070057, "DSERR_INVALIDPARAM"},    {0x8878000A, "DSERR_ALLOCATED"},
    {0x8878001E, "DSERR_CONTROLUNAVAIL"},  {0x88780032, "DSERR_INVALIDCALL"},
    {0x88780046, "DSERR_PRIOLEVELNEEDED"}, {0x88780064, "DSERR_BADFORMAT"},
    {0x88780078, "DSERR_NODRIVER"},        {0x88780082, "DSERR_ALREADYINITIALIZED"},
    {0x88780096, "DSERR_BUFFERLOST"},      {0x887800A0, "DSERR_OTHERAPPHASPRIO"},
    {0x887800AA, "DSERR_UNINITIALIZED"},
};

constexpr CodeText kMultimediaTexts[] = {
    {256, "MMIOERR_BASE"},         {257, "MMIOERR_FILENOTFOUND"},
    {258, "MMIOERR_OUTOFMEMORY"},  {259, "MMIOERR_CANNOTOPEN"},
    {260, "MMIOERR_CANNOTCLOSE"},  {261, "MMIOERR_CANNOTREAD"},
    {262, "MMIOERR_CANNOTWRITE"},  {263, "MMIOERR_CANNOTSEEK"},
    {264, "MMIOERR_CANNOTEXPAND"}, {265, "MMIOERR_CHUNKNOTFOUND"},
    {266, "MMIOERR_UNBUFFERED"},   {267, "MMIOERR_PATHNOTFOUND"},
    {268, "MMIOERR_ACCESSDENIED"}, {269, "MMIOERR_SHARINGVIOLATION"},
    {270, "MMIOERR_NETWORKERROR"}, {271, "MMIOERR_TOOMANYOPENFILES"},
    {272, "MMIOERR_INVALIDFILE"},  {512, "ACMERR_NOTPOSSIBLE"},
    {513, "ACMERR_BUSY"},          {514, "ACMERR_UNPREPARED"},
    {515, "ACMERR_CANCELED"},
};

// Our own wording for the general multimedia results, standing where the
// system's wave-output texts would be.
constexpr CodeText kWaveOutTexts[] = {
    {1, "エラーが発生しました"},     {2, "デバイス ID が範囲外です"},
    {3, "ドライバを使用できません"}, {4, "デバイスは使用中です"},
    {5, "ハンドルが無効です"},       {6, "ドライバがありません"},
    {7, "メモリが不足しています"},   {8, "この機能はサポートされていません"},
    {11, "パラメータが無効です"},
};

constexpr std::string_view kUndefinedError = "未定義のエラー";

template <size_t N>
const char* lookup(const CodeText (&table)[N], uint32_t code) {
  for (const CodeText& entry : table) {
    if (entry.code == code) return entry.text;
  }
  return nullptr;
}

std::string formatBox(std::string_view sourcePath, int line, std::string_view text, uint32_t code) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", code);
  std::string out(sourceUnitName(sourcePath));
  out += " (";
  out += std::to_string(line);
  out += ")\n";
  out += text;
  out += " : ";
  out += hex;
  return cutUtf8(std::move(out), 255);
}

void show(platform::Host* host, std::string caption, std::string text, bool ownerless) {
  if (!host) return;
  platform::MessageBoxSpec spec;
  spec.caption = std::move(caption);
  spec.text = std::move(text);
  spec.buttons = platform::BoxButtons::Ok;
  spec.icon = platform::BoxIcon::None;
  spec.ownerless = ownerless;
  host->messageBox(spec);
}

}  // namespace

std::string_view sourceUnitName(std::string_view sourcePath) {
  return afterLastBackslash(sourcePath);
}

std::string_view directSoundErrorText(uint32_t code) {
  const char* text = lookup(kDirectSoundTexts, code);
  return text ? std::string_view(text) : kUndefinedError;
}

std::string_view multimediaErrorText(uint32_t code) {
  if (const char* text = lookup(kMultimediaTexts, code)) return text;
  if (const char* text = lookup(kWaveOutTexts, code)) return text;
  return kUndefinedError;
}

std::string formatDirectSoundError(std::string_view sourcePath, int line, uint32_t code) {
  return formatBox(sourcePath, line, directSoundErrorText(code), code);
}

std::string formatMultimediaError(std::string_view sourcePath, int line, uint32_t code) {
  return formatBox(sourcePath, line, multimediaErrorText(code), code);
}

void reportDirectSoundError(platform::Host* host, std::string_view sourcePath, int line,
                            uint32_t code, std::string_view detail) {
  std::string text = formatDirectSoundError(sourcePath, line, code);
  if (!detail.empty()) text += "\n" + std::string(detail);
  show(host, "DirectSound Error", std::move(text), false);
}

void reportMultimediaError(platform::Host* host, std::string_view sourcePath, int line,
                           uint32_t code) {
  show(host, "MMSystem Error", formatMultimediaError(sourcePath, line, code), true);
}

}  // namespace kobre
