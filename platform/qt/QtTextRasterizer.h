#pragma once

#include <QFont>
#include <QString>
#include <string>

#include "platform/TextCodec.h"
#include "platform/TextRasterizer.h"

namespace kobre::platform::qt {

// Draws CP932 text with Qt straight into the caller's pixels (a QImage wraps
// the memory; nothing is copied). The Windows faces the games ask for are
// mapped to the IPA fonts.
class QtTextRasterizer : public TextRasterizer {
 public:
  explicit QtTextRasterizer(TextCodec& codec);
  void drawText(uint32_t* pixels, int width, int height, int stride, int x, int y,
                std::string_view cp932, const FontSpec& font, uint32_t rgb) override;

  // The QFont for a font description, kept until the description changes.
  const QFont& fontFor(const FontSpec& spec);
  // Registers the face substitutions once per process.
  static void installSubstitutions();

 private:
  TextCodec& codec_;
  FontSpec cachedSpec_;
  bool cached_ = false;
  QFont font_;
};

}  // namespace kobre::platform::qt
