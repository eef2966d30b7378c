#include "platform/posix/IconvTextCodec.h"

#include <iconv.h>

#include <cerrno>

namespace kobre::platform {
namespace {

// Converts with iconv, replacing each byte that does not convert with
// `replacement` and going on after it, so bad data never stops a conversion.
std::string convert(const char* to, const char* from, std::string_view in,
                    std::string_view replacement, bool utf8Source) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
  std::string out;
  out.reserve(in.size() * 2 + 4);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char buffer[1024];
  while (srcLeft > 0) {
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer, dst - buffer);
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL (cut sequence at the end): skip one byte.
      out.append(replacement);
      ++src;
      --srcLeft;
      // From UTF-8, one replacement stands for the whole character.
      while (utf8Source && srcLeft > 0 && (static_cast<unsigned char>(*src) & 0xC0) == 0x80) {
        ++src;
        --srcLeft;
      }
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  char* dst = buffer;
  size_t dstLeft = sizeof buffer;
  iconv(cd, nullptr, nullptr, &dst, &dstLeft);
  out.append(buffer, dst - buffer);
  iconv_close(cd);
  return out;
}

}  // namespace

std::string cp932ToUtf8(std::string_view cp932) {
  return convert("UTF-8", "CP932", cp932, "\xEF\xBF\xBD", false);
}

std::string utf8ToCp932(std::string_view utf8) {
  return convert("CP932", "UTF-8", utf8, "?", true);
}

std::string IconvTextCodec::toUtf8(std::string_view cp932) {
  return cp932ToUtf8(cp932);
}
std::string IconvTextCodec::toCp932(std::string_view utf8) {
  return utf8ToCp932(utf8);
}

}  // namespace kobre::platform
