#pragma once

#include <string_view>

namespace kobre::platform {

class Shell {
 public:
  virtual ~Shell() = default;
  // Opens a document or starts a program relative to the game folder without
  // waiting. Returns a value above 32 on success, as the shell's open does.
  virtual int open(std::string_view name, std::string_view parameters) = 0;
};

}  // namespace kobre::platform
