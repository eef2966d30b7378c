#include "tools/writers/ScriptWriter.h"

#include <iconv.h>

#include "storage/ArchiveFile.h"

namespace kobre::writers {

bool utf8ToCp932(std::string_view utf8, std::string& cp932) {
  cp932.clear();
  iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string in(utf8);
  char* src = in.data();
  size_t srcLeft = in.size();
  std::string buf(in.size() * 2 + 16, '\0');
  char* dst = buf.data();
  size_t dstLeft = buf.size();
  const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1) || srcLeft != 0) return false;
  cp932.assign(buf.data(), buf.size() - dstLeft);
  return true;
}

std::vector<uint8_t> ScriptWriter::buildRaw(std::string_view cp932, const ScriptOptions& options) {
  std::vector<uint8_t> out;
  out.reserve(cp932.size() + cp932.size() / 16 + 1);
  out.push_back(static_cast<uint8_t>(options.scrambled ? 'X' : options.marker));
  for (size_t i = 0; i < cp932.size(); ++i) {
    const char c = cp932[i];
    if (options.crlf && c == '\n' && (i == 0 || cp932[i - 1] != '\r')) out.push_back('\r');
    out.push_back(static_cast<uint8_t>(c));
  }
  if (options.scrambled) applyScrambleKey(std::span<uint8_t>(out.data() + 1, out.size() - 1), 0);
  return out;
}

bool ScriptWriter::build(std::string_view utf8, const ScriptOptions& options,
                         std::vector<uint8_t>& out) const {
  std::string cp932;
  const bool ok = converter_ ? converter_(utf8, cp932) : utf8ToCp932(utf8, cp932);
  if (!ok) return false;
  out = buildRaw(cp932, options);
  return true;
}

}  // namespace kobre::writers
