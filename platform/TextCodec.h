#pragma once

#include <string>
#include <string_view>

namespace kobre::platform {

// CP932 <-> UTF-8 at the platform boundary (Microsoft's table, as Windows
// converts: 0x8160 is U+FF5E). Bytes that do not convert become U+FFFD / "?".
class TextCodec {
 public:
  virtual ~TextCodec() = default;
  virtual std::string toUtf8(std::string_view cp932) = 0;
  virtual std::string toCp932(std::string_view utf8) = 0;
};

}  // namespace kobre::platform
