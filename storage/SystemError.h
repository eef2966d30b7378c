// The system error box shared by graphics, save files and the codec loader:
// modal, no owner, caption "System Error", one OK button, text
// "<unit> (<code>)\n<message> <detail>".
#pragma once

#include <string>
#include <string_view>

#include "platform/Host.h"

namespace kobre {

// Codes are fixed numbers chosen by each reporting place. unit may be a
// source path: only the part after its last backslash (or slash) is shown.
// message and detail are UTF-8 (convert engine bytes before). A null host
// shows nothing.
void ReportSystemError(platform::Host* host, std::string_view unit, int code,
                       std::string_view message, std::string_view detail);

// The box text alone, as the box shows it.
std::string formatSystemError(std::string_view unit, int code, std::string_view message,
                              std::string_view detail);

inline constexpr std::string_view kSystemErrorCaption = "System Error";

}  // namespace kobre
