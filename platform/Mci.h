#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kobre::platform {

// The multimedia command-string service: devices (movies, MIDI files) opened,
// played and closed by text commands such as "play NAME notify".
class MciService {
 public:
  virtual ~MciService() = default;

  // Runs one command string. Returns 0 on success or an MCI error code;
  // a reply, when the command gives one, goes to returnText (may be null).
  // With notify set, the end of the command (a "play" that reaches its end)
  // is reported later through the notification the service was given.
  virtual uint32_t sendString(std::string_view command, std::string* returnText, bool notify) = 0;

  // The service's text for an error code (ASCII); a generic text for codes
  // it does not know.
  virtual std::string errorText(uint32_t code) = 0;

  // Lets the open devices catch up with the clock: shows the movie frames
  // that are due and delivers end notifications. Waits call it after each
  // poll while a device plays.
  virtual void update() = 0;
};

}  // namespace kobre::platform
