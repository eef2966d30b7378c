#include <string>

#include "app/HeadlessRunner.h"
#include "graphics/DIBSprite.h"
#include "script/Runtime.h"

namespace kobre::app {

namespace {

std::string_view kindOf(const DIBSprite& s) {
  if (s.hasText()) return "text";
  if (s.name() == DIBSprite::kBoxName) return "box";
  if (s.name().empty()) return "blank";
  return "picture";
}

// Line breaks (CR LF, LF or CR) as the two characters "\n", tabs as "\t",
// so that every slot stays one line of tab-separated fields.
std::string oneLine(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      out += "\\n";
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\t') {
      out += "\\t";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string spriteDump(const Runtime& runtime, platform::TextCodec* codec) {
  std::string out;
  for (int i = 0; i < kSpriteSlotCount; ++i) {
    const DIBSprite* s = runtime.spriteSlots[static_cast<size_t>(i)];
    if (s == nullptr || !(s->isLoaded() || s->hasText())) continue;
    const std::string_view kind = kindOf(*s);
    std::string name;
    if (kind == "text" || kind == "picture") {
      const std::string_view bytes = kind == "text" ? s->text() : std::string_view(s->name());
      name = oneLine(codec != nullptr ? codec->toUtf8(bytes) : std::string(bytes));
    }
    out += std::to_string(i);
    out += '\t';
    out += kind;
    out += '\t';
    out += name;
    out += '\t';
    out += std::to_string(s->placedX());
    out += '\t';
    out += std::to_string(s->placedY());
    out += '\t';
    out += s->isVisible() ? '1' : '0';
    out += '\t';
    out += std::to_string(s->frame());
    out += '\n';
  }
  return out;
}

}  // namespace kobre::app
