#include "platform/qt/ScreenView.h"

#include <QPainter>
#include <algorithm>
#include <cstring>

namespace kobre::platform::qt {

namespace {
constexpr int kWidth = 800;
constexpr int kHeight = 600;
}  // namespace

QRect fitPicture(QSize area) {
  if (area.width() <= 0 || area.height() <= 0) return QRect(0, 0, kWidth, kHeight);
  int whole = std::min(area.width() / kWidth, area.height() / kHeight);
  int w = 0, h = 0;
  if (whole >= 2 || (area.width() == kWidth && area.height() == kHeight)) {
    w = kWidth * std::max(whole, 1);
    h = kHeight * std::max(whole, 1);
  } else if (static_cast<int64_t>(area.width()) * kHeight <=
             static_cast<int64_t>(area.height()) * kWidth) {
    w = area.width();
    h = static_cast<int>(static_cast<int64_t>(area.width()) * kHeight / kWidth);
  } else {
    h = area.height();
    w = static_cast<int>(static_cast<int64_t>(area.height()) * kWidth / kHeight);
  }
  return QRect((area.width() - w) / 2, (area.height() - h) / 2, w, h);
}

ScreenView::ScreenView(QWidget* parent)
    : QWidget(parent), frame_(kWidth, kHeight, QImage::Format_RGB32) {
  frame_.fill(Qt::black);
  setObjectName("ScreenView");
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  // The whole client area is painted every time; nothing to erase first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void ScreenView::showFrame(const uint32_t* pixels, int stride, int shakeOffset) {
  for (int y = 0; y < kHeight; ++y) {
    auto* dst = reinterpret_cast<uint32_t*>(frame_.scanLine(y));
    int src = y - shakeOffset;  // a positive offset moves the picture down
    if (!pixels || src < 0 || src >= kHeight)
      std::memset(dst, 0, kWidth * sizeof(uint32_t));
    else
      std::memcpy(dst, pixels + static_cast<ptrdiff_t>(src) * stride, kWidth * sizeof(uint32_t));
  }
  repaint();
}

void ScreenView::setPictureRect(const QRect& rect) {
  if (rect == pictureRect_ || rect.isEmpty()) return;
  pictureRect_ = rect;
  update();
}

QPoint ScreenView::toPicture(QPoint p) const {
  if (pictureRect_.width() == kWidth && pictureRect_.height() == kHeight)
    return p - pictureRect_.topLeft();
  // Floor division so positions left of or above the picture stay negative.
  auto scale = [](int v, int size, int full) {
    int64_t n = static_cast<int64_t>(v) * full;
    int64_t q = n / size;
    if (n % size != 0 && n < 0) --q;
    return static_cast<int>(q);
  };
  return QPoint(scale(p.x() - pictureRect_.x(), pictureRect_.width(), kWidth),
                scale(p.y() - pictureRect_.y(), pictureRect_.height(), kHeight));
}

void ScreenView::paintEvent(QPaintEvent*) {
  if (paintGate && !paintGate()) return;
  QPainter painter(this);
  QRect all = rect();
  if (!pictureRect_.contains(all)) {
    // Black bars around a scaled picture.
    QRegion bars = QRegion(all).subtracted(QRegion(pictureRect_));
    for (const QRect& r : bars) painter.fillRect(r, Qt::black);
  }
  if (pictureRect_.size() == frame_.size()) {
    painter.drawImage(pictureRect_.topLeft(), frame_);
  } else {
    // Whole scales stay sharp; in-between scales are smoothed.
    bool whole = pictureRect_.width() % kWidth == 0 && pictureRect_.height() % kHeight == 0;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, !whole);
    painter.drawImage(pictureRect_, frame_);
  }
}

}  // namespace kobre::platform::qt
