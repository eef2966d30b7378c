#pragma once

#include "platform/TextCodec.h"

namespace kobre::platform {

// CP932 <-> UTF-8 through glibc iconv ("CP932" is Microsoft's table).
class IconvTextCodec : public TextCodec {
 public:
  std::string toUtf8(std::string_view cp932) override;
  std::string toCp932(std::string_view utf8) override;
};

// Free functions for code outside the core (tools, dialogs, tests).
std::string cp932ToUtf8(std::string_view cp932);
std::string utf8ToCp932(std::string_view utf8);

}  // namespace kobre::platform
