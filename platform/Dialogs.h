// The modal dialogs the core opens while a script waits. The desktop shows
// Qt dialogs; the headless platform answers them from the input file.
#pragma once

#include <string>
#include <string_view>

namespace kobre::platform {

struct CommentAnswer {
  bool ok = false;
  std::string text;  // CP932, as typed (the core filters it again)
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // The save comment dialog, its edit preset to preset (CP932). Returns
  // once the player has answered OK or Cancel.
  virtual CommentAnswer saveComment(std::string_view preset) = 0;
};

}  // namespace kobre::platform
