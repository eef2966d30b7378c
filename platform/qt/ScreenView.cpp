#include "platform/qt/ScreenView.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace kobre::platform::qt {

namespace {
constexpr int kWidth = 800;
constexpr int kHeight = 600;
// The rows a shake uncovers.
const uint32_t kBlackRow[kWidth] = {};
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

bool isWholeScale(const QRect& rect, qreal dpr) {
  double w = rect.width() * dpr, h = rect.height() * dpr;
  double sx = w / kWidth, sy = h / kHeight;
  auto whole = [](double v) { return v >= 1 && std::abs(v - std::round(v)) < 1e-9; };
  return whole(sx) && whole(sy) && std::abs(sx - sy) < 1e-9;
}

QPoint pictureAt(QPointF pos, const QRect& rect, qreal dpr) {
  if (rect.isEmpty()) return QPoint(-1, -1);
  if (dpr <= 0) dpr = 1;
  // Device pixel under the position, its centre, then the picture pixel
  // whose scaled area holds that centre. A centre on the border between two
  // pixels belongs to the left (upper) one, as Qt's own scaling draws it;
  // positions left of or above the picture stay negative.
  auto map = [dpr](double v, double origin, double size, int full) {
    double device = std::floor((v - origin) * dpr + 1e-6);
    double at = (device + 0.5) * full / (size * dpr);
    return static_cast<int>(std::ceil(at - 1e-9)) - 1;
  };
  return QPoint(map(pos.x(), rect.x(), rect.width(), kWidth),
                map(pos.y(), rect.y(), rect.height(), kHeight));
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

void ScreenView::showUnchangedFrame(const uint32_t* pixels, int stride, int shakeOffset) {
  if (pixels != nullptr && pixels == lastPixels_ && stride == lastStride_ &&
      shakeOffset == lastShake_)
    return;
  showFrame(pixels, stride, shakeOffset);
}

void ScreenView::showFrame(const uint32_t* pixels, int stride, int shakeOffset) {
  lastPixels_ = pixels;
  lastStride_ = stride;
  lastShake_ = shakeOffset;
  int first = kHeight, last = -1;
  for (int y = 0; y < kHeight; ++y) {
    auto* dst = reinterpret_cast<uint32_t*>(frame_.scanLine(y));
    int src = y - shakeOffset;  // a positive offset moves the picture down
    const uint32_t* row = (!pixels || src < 0 || src >= kHeight)
                              ? kBlackRow
                              : pixels + static_cast<ptrdiff_t>(src) * stride;
    if (std::memcmp(dst, row, kWidth * sizeof(uint32_t)) == 0) continue;
    std::memcpy(dst, row, kWidth * sizeof(uint32_t));
    first = std::min(first, y);
    last = y;
  }
  if (last < 0) return;
  ++changedFrames_;
  staleFirst_ = std::min(staleFirst_, first);
  staleLast_ = std::max(staleLast_, last);
  repaint(rowsArea(first, last));
}

QRect ScreenView::rowsArea(int first, int last) const {
  // One picture row more on each side: smoothing reads the neighbours.
  first = std::max(first - 1, 0);
  last = std::min(last + 1, kHeight - 1);
  int64_t h = pictureRect_.height();
  int top = pictureRect_.y() + static_cast<int>(first * h / kHeight);
  int bottom = pictureRect_.y() + static_cast<int>(((last + 1) * h + kHeight - 1) / kHeight);
  return QRect(pictureRect_.x(), top, pictureRect_.width(), bottom - top + 1)
      .adjusted(-1, -1, 1, 1)
      .intersected(rect());
}

void ScreenView::setPictureRect(const QRect& rect) {
  if (rect == pictureRect_ || rect.isEmpty()) return;
  pictureRect_ = rect;
  staleFirst_ = 0;
  staleLast_ = kHeight - 1;
  update();
}

void ScreenView::updateScaled(int factor) {
  if (scaled_.size() != pictureRect_.size()) {
    scaled_ = QImage(pictureRect_.size(), QImage::Format_RGB32);
    staleFirst_ = 0;
    staleLast_ = kHeight - 1;
  }
  const size_t rowBytes = static_cast<size_t>(kWidth) * factor * sizeof(uint32_t);
  for (int y = staleFirst_; y <= staleLast_; ++y) {
    const auto* src = reinterpret_cast<const uint32_t*>(frame_.constScanLine(y));
    auto* dst = reinterpret_cast<uint32_t*>(scaled_.scanLine(y * factor));
    for (int x = 0; x < kWidth; ++x)
      for (int k = 0; k < factor; ++k) *dst++ = src[x];
    for (int k = 1; k < factor; ++k)
      std::memcpy(scaled_.scanLine(y * factor + k), scaled_.constScanLine(y * factor), rowBytes);
  }
  staleFirst_ = kHeight;
  staleLast_ = -1;
}

QPoint ScreenView::toPicture(QPointF p) const {
  return pictureAt(p, pictureRect_, devicePixelRatioF());
}

void ScreenView::paintEvent(QPaintEvent* event) {
  if (paintGate && !paintGate()) return;
  QPainter painter(this);
  const QRect area = event->rect();
  if (!pictureRect_.contains(area)) {
    // Black bars around a scaled picture.
    QRegion bars = QRegion(area).subtracted(QRegion(pictureRect_));
    for (const QRect& r : bars) painter.fillRect(r, Qt::black);
  }
  const QRect target = area.intersected(pictureRect_);
  if (target.isEmpty()) return;
  const qreal dpr = devicePixelRatioF();
  if (pictureRect_.size() == frame_.size() && dpr == 1.0) {
    // One to one: copy just the rows and columns asked for.
    painter.drawImage(target.topLeft(), frame_, target.translated(-pictureRect_.topLeft()));
    return;
  }
  if (dpr == 1.0 && isWholeScale(pictureRect_, dpr)) {
    updateScaled(pictureRect_.width() / kWidth);
    painter.drawImage(target.topLeft(), scaled_, target.translated(-pictureRect_.topLeft()));
    return;
  }
  // Whole device scales stay sharp; in-between scales (a fitted full screen,
  // a desktop at 125%) are smoothed. The painter clips to the area asked for.
  painter.setRenderHint(QPainter::SmoothPixmapTransform, !isWholeScale(pictureRect_, dpr));
  painter.setClipRect(target);
  painter.drawImage(pictureRect_, frame_);
}

}  // namespace kobre::platform::qt
