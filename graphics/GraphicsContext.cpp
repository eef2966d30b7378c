#include "graphics/GraphicsContext.h"

#include <cstring>

#include "storage/SystemError.h"

namespace kobre {

const BlendRoutines& GraphicsContext::routines() {
  if (blend == nullptr) {
    ProcessorInfo info;
    probeProcessor(info);
    blend = &selectBlendRoutines(info, info.hasMmx != 0);
  }
  return *blend;
}

std::string GraphicsContext::displayText(std::string_view cp932) const {
  if (text == nullptr) return std::string(cp932);
  return text->toUtf8(cp932);
}

void GraphicsContext::reportError(std::string_view unit, int code, std::string_view message,
                                  std::string_view detail) const {
  ReportSystemError(host, unit, code, message, detail);
}

std::string_view GraphicsContext::heroName() const {
  if (settings == nullptr) return {};
  return std::string_view(settings->heroName,
                          strnlen(settings->heroName, sizeof settings->heroName));
}

}  // namespace kobre
