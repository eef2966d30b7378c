#include "storage/SystemError.h"

namespace kobre {

std::string formatSystemError(std::string_view unit, int code, std::string_view message,
                              std::string_view detail) {
  size_t cut = unit.find_last_of("\\/");
  if (cut != std::string_view::npos) unit = unit.substr(cut + 1);
  std::string text;
  text.reserve(unit.size() + message.size() + detail.size() + 16);
  text.append(unit);
  text.append(" (");
  text.append(std::to_string(code));
  text.append(")\n");
  text.append(message);
  text.push_back(' ');
  text.append(detail);
  return text;
}

void ReportSystemError(platform::Host* host, std::string_view unit, int code,
                       std::string_view message, std::string_view detail) {
  if (host == nullptr) return;
  platform::MessageBoxSpec spec;
  spec.caption = std::string(kSystemErrorCaption);
  spec.text = formatSystemError(unit, code, message, detail);
  spec.buttons = platform::BoxButtons::Ok;
  spec.icon = platform::BoxIcon::None;
  spec.defaultButton = platform::BoxResult::Ok;
  spec.ownerless = true;
  host->messageBox(spec);
}

}  // namespace kobre
