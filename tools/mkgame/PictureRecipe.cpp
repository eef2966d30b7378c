#include "tools/mkgame/PictureRecipe.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cstdio>

#include "common/AsciiCase.h"
#include "tools/writers/BmpWriter.h"
#include "tools/writers/PsdWriter.h"

namespace kobre::mkgame {

namespace {

std::string where(const RecipeBlock& b, const RecipeLine& l) {
  return b.file + ":" + std::to_string(l.number) + ": ";
}

bool parseInt(const std::string& s, int& v) {
  if (s.empty()) return false;
  size_t i = 0;
  bool neg = false;
  if (s[0] == '-' || s[0] == '+') {
    neg = s[0] == '-';
    i = 1;
  }
  if (i >= s.size()) return false;
  long long r = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    r = r * 10 + (s[i] - '0');
    if (r > 1000000) return false;
  }
  v = static_cast<int>(neg ? -r : r);
  return true;
}

// "A", "A+Bf", "A-Bf", "Bf".
bool parseValue(const std::string& s, int f, int& v) {
  if (parseInt(s, v)) return true;
  if (s.empty() || s.back() != 'f') return false;
  const std::string body = s.substr(0, s.size() - 1);
  size_t split = std::string::npos;
  for (size_t i = 1; i < body.size(); ++i)
    if (body[i] == '+' || body[i] == '-') split = i;
  int a = 0, b = 0;
  if (split == std::string::npos) {
    if (!parseInt(body, b)) return false;
  } else if (!parseInt(body.substr(0, split), a) || !parseInt(body.substr(split), b)) {
    return false;
  }
  v = a + b * f;
  return true;
}

bool parseColour(const std::string& s, QColor& c) {
  if ((s.size() != 7 && s.size() != 9) || s[0] != '#') return false;
  for (size_t i = 1; i < s.size(); ++i)
    if (!std::isxdigit(static_cast<unsigned char>(s[i]))) return false;
  const unsigned long v = std::stoul(s.substr(1), nullptr, 16);
  if (s.size() == 7) {
    c = QColor(static_cast<int>((v >> 16) & 255), static_cast<int>((v >> 8) & 255),
               static_cast<int>(v & 255), 255);
  } else {
    c = QColor(static_cast<int>((v >> 24) & 255), static_cast<int>((v >> 16) & 255),
               static_cast<int>((v >> 8) & 255), static_cast<int>(v & 255));
  }
  return true;
}

// "@i", "@i-j", "@i-": whether layer f is named.
bool layerFilter(const std::string& s, int f, int layers, bool& match) {
  const std::string body = s.substr(1);
  const size_t dash = body.find('-');
  int a = 0, b = 0;
  if (dash == std::string::npos) {
    if (!parseInt(body, a)) return false;
    b = a;
  } else {
    if (!parseInt(body.substr(0, dash), a)) return false;
    if (dash + 1 == body.size()) {
      b = layers - 1;
    } else if (!parseInt(body.substr(dash + 1), b)) {
      return false;
    }
  }
  match = f >= a && f <= b;
  return true;
}

std::string substituteLayer(std::string text, int f) {
  for (;;) {
    size_t p = text.find("{f}");
    if (p != std::string::npos) {
      text.replace(p, 3, std::to_string(f));
      continue;
    }
    p = text.find("{n}");
    if (p != std::string::npos) {
      text.replace(p, 3, std::to_string(f + 1));
      continue;
    }
    return text;
  }
}

QFont labelFont(const std::string& size, int f, bool& ok) {
  std::string s = size;
  bool bold = false;
  if (!s.empty() && s.back() == 'b') {
    bold = true;
    s.pop_back();
  }
  int px = 0;
  ok = parseValue(s, f, px) && px > 0 && px < 400;
  QFont font(QStringLiteral("IPAGothic"));
  font.setPixelSize(ok ? px : 10);
  font.setBold(bold);
  font.setStyleStrategy(QFont::PreferAntialias);
  return font;
}

// One command on one layer.
bool drawCommand(QPainter& p, QImage& image, const std::vector<std::string>& w,
                 const std::string& text, int f, const PictureLookup& lookup, std::string& error) {
  const std::string& op = w[0];
  auto need = [&](size_t n) {
    if (w.size() < n + 1) {
      error = "\"" + op + "\" needs " + std::to_string(n) + " arguments";
      return false;
    }
    return true;
  };
  auto num = [&](size_t i, int& v) {
    if (!parseValue(w[i], f, v)) {
      error = "bad number \"" + w[i] + "\"";
      return false;
    }
    return true;
  };
  auto col = [&](size_t i, QColor& c) {
    if (!parseColour(w[i], c)) {
      error = "bad colour \"" + w[i] + "\"";
      return false;
    }
    return true;
  };
  int x = 0, y = 0, ww = 0, hh = 0, t = 0;
  QColor c, c2;
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::NoBrush);
  if (op == "-") return true;  // a variant that draws nothing here
  if (op == "fill") {
    if (!need(1) || !col(1, c)) return false;
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(image.rect(), c);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    return true;
  }
  if (op == "gradient" || op == "box") {
    size_t at = 1;
    if (op == "box") {
      if (!need(6) || !num(1, x) || !num(2, y) || !num(3, ww) || !num(4, hh)) return false;
      at = 5;
    } else {
      if (!need(2)) return false;
      ww = image.width();
      hh = image.height();
    }
    if (!col(at, c) || !col(at + 1, c2)) return false;
    const bool horizontal = w.size() > at + 2 && w[at + 2] == "h";
    QLinearGradient g(x, y, horizontal ? x + ww : x, horizontal ? y : y + hh);
    g.setColorAt(0, c);
    g.setColorAt(1, c2);
    p.fillRect(QRect(x, y, ww, hh), g);
    return true;
  }
  if (op == "rect" || op == "ellipse") {
    if (!need(5) || !num(1, x) || !num(2, y) || !num(3, ww) || !num(4, hh) || !col(5, c))
      return false;
    if (op == "rect") {
      p.fillRect(QRect(x, y, ww, hh), c);
    } else {
      p.setRenderHint(QPainter::Antialiasing, true);
      p.setBrush(c);
      p.drawEllipse(QRect(x, y, ww, hh));
    }
    return true;
  }
  if (op == "round") {
    int r = 0;
    if (!need(6) || !num(1, x) || !num(2, y) || !num(3, ww) || !num(4, hh) || !num(5, r) ||
        !col(6, c))
      return false;
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(c);
    p.drawRoundedRect(QRectF(x, y, ww, hh), r, r);
    return true;
  }
  if (op == "frame" || op == "ring") {
    if (!need(6) || !num(1, x) || !num(2, y) || !num(3, ww) || !num(4, hh) || !num(5, t) ||
        !col(6, c))
      return false;
    if (op == "frame") {
      p.fillRect(QRect(x, y, ww, t), c);
      p.fillRect(QRect(x, y + hh - t, ww, t), c);
      p.fillRect(QRect(x, y + t, t, hh - 2 * t), c);
      p.fillRect(QRect(x + ww - t, y + t, t, hh - 2 * t), c);
    } else {
      p.setRenderHint(QPainter::Antialiasing, true);
      p.setPen(QPen(c, t));
      p.drawEllipse(QRectF(x + t / 2.0, y + t / 2.0, ww - t, hh - t));
    }
    return true;
  }
  if (op == "line") {
    int x2 = 0, y2 = 0;
    if (!need(6) || !num(1, x) || !num(2, y) || !num(3, x2) || !num(4, y2) || !num(5, t) ||
        !col(6, c))
      return false;
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(c, t, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(x, y, x2, y2);
    return true;
  }
  if (op == "label" || op == "clabel") {
    const bool centred = op == "clabel";
    const size_t at = centred ? 5 : 3;
    if (!need(at + 2) || !num(1, x) || !num(2, y)) return false;
    if (centred && (!num(3, ww) || !num(4, hh))) return false;
    bool ok = false;
    const QFont font = labelFont(w[at], f, ok);
    if (!ok) {
      error = "bad text size \"" + w[at] + "\"";
      return false;
    }
    if (!col(at + 1, c)) return false;
    const QString s = QString::fromStdString(substituteLayer(restAfterWords(text, at + 2), f));
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setFont(font);
    p.setPen(c);
    if (centred) {
      p.drawText(QRect(x, y, ww, hh), Qt::AlignCenter, s);
    } else {
      p.drawText(QRect(x, y, image.width() * 2, image.height() * 2), Qt::AlignLeft | Qt::AlignTop,
                 s);
    }
    return true;
  }
  if (op == "grid" || op == "cgrid") {
    // COLS x ROWS rounded boxes, optionally numbered: {i} is the box's
    // number from 01, counted along rows (grid) or down columns (cgrid).
    int cols = 0, rows = 0, dx = 0, dy = 0;
    if (!need(9) || !num(1, x) || !num(2, y) || !num(3, ww) || !num(4, hh) || !num(5, cols) ||
        !num(6, rows) || !num(7, dx) || !num(8, dy) || !col(9, c))
      return false;
    if (cols < 1 || rows < 1 || cols * rows > 400) {
      error = "bad grid size";
      return false;
    }
    QFont font;
    QColor tc;
    std::string label;
    if (w.size() > 10) {
      bool ok = false;
      font = labelFont(w[10], f, ok);
      if (!ok || w.size() < 13 || !col(11, tc)) {
        error = "grid labels need SIZE COLOUR TEXT";
        return false;
      }
      label = substituteLayer(restAfterWords(text, 12), f);
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    for (int r = 0; r < rows; ++r)
      for (int k = 0; k < cols; ++k) {
        const QRect box(x + k * dx, y + r * dy, ww, hh);
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawRoundedRect(box, 6, 6);
        if (label.empty()) continue;
        const int index = op == "grid" ? r * cols + k : k * rows + r;
        std::string t = label;
        char number[16];
        std::snprintf(number, sizeof number, "%02d", index + 1);
        for (size_t at; (at = t.find("{i}")) != std::string::npos;) t.replace(at, 3, number);
        p.setFont(font);
        p.setPen(tc);
        p.drawText(box.adjusted(8, 0, -8, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::fromStdString(t));
      }
    return true;
  }
  if (op == "clear") {
    if (!need(4) || !num(1, x) || !num(2, y) || !num(3, ww) || !num(4, hh)) return false;
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.fillRect(QRect(x, y, ww, hh), Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    return true;
  }
  if (op == "stars") {
    int seed = 0, count = 0;
    if (!need(3) || !num(1, seed) || !num(2, count) || !col(3, c)) return false;
    uint32_t s = static_cast<uint32_t>(seed) * 2654435761u + 12345u;
    auto next = [&]() {
      s = s * 1664525u + 1013904223u;
      return s >> 8;
    };
    for (int i = 0; i < count; ++i) {
      const int sx = static_cast<int>(next() % static_cast<uint32_t>(image.width()));
      const int sy = static_cast<int>(next() % static_cast<uint32_t>(image.height()));
      const int r = 1 + static_cast<int>(next() % 2);
      p.fillRect(QRect(sx, sy, r, r), c);
    }
    return true;
  }
  if (op == "thumb") {
    if (!need(5) || !num(2, x) || !num(3, y) || !num(4, ww) || !num(5, hh)) return false;
    const QImage* src = lookup ? lookup(w[1]) : nullptr;
    if (src == nullptr) {
      error = "\"" + w[1] + "\" is not a picture made before this one";
      return false;
    }
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.drawImage(QRect(x, y, ww, hh), *src);
    return true;
  }
  error = "unknown command \"" + op + "\"";
  return false;
}

uint32_t pixelAt(const QImage& image, int x, int y) {
  return reinterpret_cast<const uint32_t*>(image.constScanLine(y))[x];
}

}  // namespace

bool parsePictureSpec(const RecipeBlock& block, PictureSpec& spec, std::string& error) {
  const std::vector<std::string>& w = block.header.words;
  const std::string at = where(block, block.header);
  if (w.size() < 4 || w[0] != "picture") {
    error = at + "expected \"picture NAME WIDTH HEIGHT [options]\"";
    return false;
  }
  spec = PictureSpec{};
  spec.block = block;
  spec.name = w[1];
  const size_t slash = spec.name.find_last_of("\\/");
  if (slash != std::string::npos) spec.name = spec.name.substr(slash + 1);
  spec.bmp = endsWithIgnoreAsciiCase(spec.name, ".bmp");
  if (!parseInt(w[2], spec.width) || !parseInt(w[3], spec.height) || spec.width <= 0 ||
      spec.height <= 0 || spec.width > 4096 || spec.height > 4096) {
    error = at + "bad picture size";
    return false;
  }
  for (size_t i = 4; i < w.size(); ++i) {
    if (w[i] == "layers" && i + 1 < w.size()) {
      if (!parseInt(w[++i], spec.layers) || spec.layers < 1 || spec.layers > 100) {
        error = at + "layers must be 1 to 100";
        return false;
      }
    } else if (w[i] == "opaque") {
      spec.alpha = false;
    } else if (w[i] == "raw") {
      spec.rle = false;
    } else if (w[i] == "scrambled") {
      spec.scrambledStore = true;
    } else if (w[i] == "supplement") {
      spec.supplement = true;
    } else {
      error = at + "unknown option \"" + w[i] + "\"";
      return false;
    }
  }
  if (spec.bmp) {
    spec.alpha = false;
    if (spec.layers != 1) {
      error = at + "a BMP picture has one layer";
      return false;
    }
  }
  return true;
}

bool renderPicture(const PictureSpec& spec, const PictureLookup& lookup,
                   std::vector<QImage>& layers, std::string& error) {
  layers.clear();
  for (int f = 0; f < spec.layers; ++f) {
    QImage image(spec.width, spec.height, QImage::Format_ARGB32);
    image.fill(spec.alpha ? QColor(0, 0, 0, 0) : QColor(0, 0, 0, 255));
    {
      QPainter p(&image);
      for (const RecipeLine& line : spec.block.body) {
        std::vector<std::string> w = line.words;
        std::string text = line.text;
        if (!w.empty() && w[0][0] == '@') {
          bool match = false;
          if (!layerFilter(w[0], f, spec.layers, match)) {
            error = where(spec.block, line) + "bad layer filter \"" + w[0] + "\"";
            return false;
          }
          if (!match) continue;
          text = restAfterWords(text, 1);
          w.erase(w.begin());
          if (w.empty()) continue;
        }
        std::string why;
        if (!drawCommand(p, image, w, text, f, lookup, why)) {
          error = where(spec.block, line) + why;
          return false;
        }
      }
    }
    layers.push_back(std::move(image));
  }
  return true;
}

std::vector<uint8_t> encodePicture(const PictureSpec& spec, const std::vector<QImage>& layers) {
  if (spec.bmp) {
    const QImage& image = layers[0];
    std::vector<uint32_t> px(static_cast<size_t>(spec.width) * spec.height);
    for (int y = 0; y < spec.height; ++y)
      for (int x = 0; x < spec.width; ++x)
        px[static_cast<size_t>(y) * spec.width + x] = pixelAt(image, x, y) & 0xFFFFFF;
    return writers::writeBmp24(spec.width, spec.height, px);
  }
  writers::PsdDocument doc;
  doc.width = static_cast<uint32_t>(spec.width);
  doc.height = static_cast<uint32_t>(spec.height);
  doc.channels = spec.alpha ? 4 : 3;
  doc.mergedAlpha = spec.alpha;
  for (size_t i = 0; i < layers.size(); ++i) {
    const QImage& image = layers[i];
    // The layer's rectangle: its visible pixels (the whole picture when
    // opaque, where a 3-channel reader shows black outside the rectangle).
    int left = 0, top = 0, right = spec.width, bottom = spec.height;
    if (spec.alpha) {
      left = spec.width;
      top = spec.height;
      right = 0;
      bottom = 0;
      for (int y = 0; y < spec.height; ++y)
        for (int x = 0; x < spec.width; ++x)
          if ((pixelAt(image, x, y) >> 24) != 0) {
            left = std::min(left, x);
            right = std::max(right, x + 1);
            top = std::min(top, y);
            bottom = std::max(bottom, y + 1);
          }
      if (right <= left) {  // nothing visible: one transparent pixel
        left = top = 0;
        right = bottom = 1;
      }
    }
    writers::PsdLayer layer = writers::makePsdLayer(
        left, top, right, bottom, [&](int32_t x, int32_t y) { return pixelAt(image, x, y); });
    layer.compression = spec.rle ? 1 : 0;
    layer.name = "Layer " + std::to_string(i + 1);
    doc.layers.push_back(std::move(layer));
  }
  return writers::writePsd(doc);
}

}  // namespace kobre::mkgame
