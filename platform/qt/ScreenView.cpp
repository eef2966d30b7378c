#include "platform/qt/ScreenView.h"

#include <QBackingStore>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kobre::platform::qt {

namespace {
constexpr int kWidth = 800;
constexpr int kHeight = 600;
// The rows a shake uncovers.
const uint32_t kBlackRow[kWidth] = {};
// Copies n pixels to memory the display server reads next: past the caches
// where the processor allows, since a full-screen picture does not fit them.
void streamRow(uint32_t* dst, const uint32_t* src, int n) {
  int i = 0;
#if defined(__SSE2__)
  for (; i < n && (reinterpret_cast<uintptr_t>(dst + i) & 15) != 0; ++i) dst[i] = src[i];
  for (; i + 4 <= n; i += 4)
    _mm_stream_si128(reinterpret_cast<__m128i*>(dst + i),
                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)));
#endif
  for (; i < n; ++i) dst[i] = src[i];
}

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
  refresh_.setSingleShot(true);
  refresh_.setTimerType(Qt::PreciseTimer);
  connect(&refresh_, &QTimer::timeout, this, &ScreenView::showPending);
}

void ScreenView::showChangedFrame(const uint32_t* pixels, int stride, int shakeOffset,
                                  QRect changed) {
  if (pixels == nullptr || pixels != lastPixels_ || stride != lastStride_ ||
      shakeOffset != lastShake_) {
    showFrame(pixels, stride, shakeOffset);
    return;
  }
  // The same source as last time: only the changed part can differ. It is
  // given in source rows; the view shows them shakeOffset rows lower.
  changed = changed.translated(0, shakeOffset).intersected(frame_.rect());
  if (changed.isEmpty()) return;
  const size_t bytes = static_cast<size_t>(changed.width()) * sizeof(uint32_t);
  int first = kHeight, last = -1;
  for (int y = changed.top(); y <= changed.bottom(); ++y) {
    auto* dst = reinterpret_cast<uint32_t*>(frame_.scanLine(y)) + changed.left();
    const uint32_t* src =
        pixels + static_cast<ptrdiff_t>(y - shakeOffset) * stride + changed.left();
    if (std::memcmp(dst, src, bytes) == 0) continue;
    std::memcpy(dst, src, bytes);
    first = std::min(first, y);
    last = y;
  }
  if (last < 0) return;
  markChanged(QRect(changed.left(), first, changed.width(), last - first + 1));
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
  markChanged(QRect(0, first, kWidth, last - first + 1));
}

void ScreenView::markChanged(const QRect& area) {
  ++changedFrames_;
  stale_ |= area;
  unshown_ |= widgetArea(area);
  showPending();
}

void ScreenView::showPending() {
  if (unshown_.isEmpty()) return;
  // The display shows one picture per refresh: frames composed faster than
  // that are kept and sent together at the next refresh.
  // A screen that does not know its rate (some report 0) counts as 60 Hz.
  qreal hz = screen() != nullptr ? screen()->refreshRate() : 0;
  if (!(hz >= 24)) hz = 60;
  const qint64 interval = static_cast<qint64>(1e9 / std::min<qreal>(hz, 360));
  if (!sinceShown_.isValid()) sinceShown_.start();
  const qint64 waited = shownOnce_ ? sinceShown_.nsecsElapsed() : interval;
  if (waited < interval) {
    if (!refresh_.isActive())
      refresh_.start(static_cast<int>((interval - waited + 999999) / 1000000));
    return;
  }
  refresh_.stop();
  const QRect area = unshown_;
  unshown_ = QRect();
  shownOnce_ = true;
  sinceShown_.restart();
  ++repaints_;
  repaint(area);
}

QRect ScreenView::widgetArea(QRect area) const {
  // One picture pixel more on each side: smoothing reads the neighbours.
  area = area.adjusted(-1, -1, 1, 1).intersected(frame_.rect());
  const int64_t w = pictureRect_.width(), h = pictureRect_.height();
  const int left = pictureRect_.x() + static_cast<int>(area.left() * w / kWidth);
  const int right =
      pictureRect_.x() + static_cast<int>(((area.right() + 1) * w + kWidth - 1) / kWidth);
  const int top = pictureRect_.y() + static_cast<int>(area.top() * h / kHeight);
  const int bottom =
      pictureRect_.y() + static_cast<int>(((area.bottom() + 1) * h + kHeight - 1) / kHeight);
  return QRect(left, top, right - left + 1, bottom - top + 1)
      .adjusted(-1, -1, 1, 1)
      .intersected(rect());
}

void ScreenView::setPictureRect(const QRect& rect) {
  if (rect == pictureRect_ || rect.isEmpty()) return;
  pictureRect_ = rect;
  stale_ = frame_.rect();
  update();
}

void ScreenView::updateScaled(int factor) {
  if (scaled_.size() != pictureRect_.size()) {
    scaled_ = QImage(pictureRect_.size(), QImage::Format_RGB32);
    stale_ = frame_.rect();
  }
  const QRect area = stale_.intersected(frame_.rect());
  stale_ = QRect();
  if (area.isEmpty()) return;
  const size_t rowBytes = static_cast<size_t>(area.width()) * factor * sizeof(uint32_t);
  for (int y = area.top(); y <= area.bottom(); ++y) {
    const auto* src = reinterpret_cast<const uint32_t*>(frame_.constScanLine(y));
    auto* first = reinterpret_cast<uint32_t*>(scaled_.scanLine(y * factor)) + area.left() * factor;
    uint32_t* dst = first;
    for (int x = area.left(); x <= area.right(); ++x)
      for (int k = 0; k < factor; ++k) *dst++ = src[x];
    for (int k = 1; k < factor; ++k)
      std::memcpy(
          reinterpret_cast<uint32_t*>(scaled_.scanLine(y * factor + k)) + area.left() * factor,
          first, rowBytes);
  }
}

bool ScreenView::enlargeIntoBackingStore(QPainter& painter, const QRect& target, int factor) {
  // The window's backing store is, on raster platforms, an image the display
  // server reads directly (shared memory on X11): writing the enlarged
  // pixels there once saves enlarging into a picture of our own and copying
  // that over. Any other kind of backing store is painted as usual.
  // Only when this paint goes to the window (not, say, into a grab).
  QBackingStore* store = backingStore();
  QPaintDevice* device = store != nullptr ? store->paintDevice() : nullptr;
  if (device == nullptr || device->devType() != QInternal::Image ||
      painter.paintEngine() == nullptr || painter.paintEngine()->paintDevice() != device)
    return false;
  auto* image = static_cast<QImage*>(device);
  if (image->devicePixelRatio() != 1.0 ||
      (image->format() != QImage::Format_RGB32 && image->format() != QImage::Format_ARGB32 &&
       image->format() != QImage::Format_ARGB32_Premultiplied))
    return false;
  // The target in the backing store's coordinates (those of the window).
  const QPoint offset = mapTo(window(), QPoint(0, 0));
  if (!image->rect().contains(target.translated(offset))) return false;
  // Only where the painter may paint: widgets over this one (the menu bar in
  // full screen) are left out of its system clip.
  QRegion allowed = painter.paintEngine()->systemClip();
  if (allowed.isEmpty())
    allowed = QRegion(target.translated(offset));
  else
    allowed &= QRegion(target.translated(offset));
  for (const QRect& part : allowed) enlargeRect(*image, part.translated(-offset), offset, factor);
#if defined(__SSE2__)
  _mm_sfence();
#endif
  return true;
}

void ScreenView::enlargeRect(QImage& image, const QRect& target, QPoint offset, int factor) {
  const QRect area = target.translated(offset);
  const int left = target.left() - pictureRect_.left();
  const int width = target.width();
  row_.resize(static_cast<size_t>(width));
  int y = target.top() - pictureRect_.top();
  const int end = y + target.height();
  for (int row = area.top(); y < end;) {
    // Each picture row is enlarged once, then written to the target rows it
    // covers.
    const auto* src = reinterpret_cast<const uint32_t*>(frame_.constScanLine(y / factor));
    uint32_t* out = row_.data();
    int x = left;
    for (; x < left + width && x % factor != 0; ++x) *out++ = 0xFF000000u | src[x / factor];
    const int whole = (left + width - x) / factor;
    const uint32_t* in = src + x / factor;
    int i = 0;
#if defined(__SSE2__)
    // 2x and 3x, four picture pixels at a time.
    if (factor == 2 || factor == 3) {
      const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
      auto put = [&out](__m128i v) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
        out += 4;
      };
      for (; i + 4 <= whole; i += 4) {
        const __m128i v =
            _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i)), opaque);
        if (factor == 3) {
          put(_mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 0, 0)));
          put(_mm_shuffle_epi32(v, _MM_SHUFFLE(2, 2, 1, 1)));
          put(_mm_shuffle_epi32(v, _MM_SHUFFLE(3, 3, 3, 2)));
        } else {
          put(_mm_shuffle_epi32(v, _MM_SHUFFLE(1, 1, 0, 0)));
          put(_mm_shuffle_epi32(v, _MM_SHUFFLE(3, 3, 2, 2)));
        }
      }
    }
#endif
    for (; i < whole; ++i)
      for (int k = 0; k < factor; ++k) *out++ = 0xFF000000u | in[i];
    x += whole * factor;
    for (; x < left + width; ++x) *out++ = 0xFF000000u | src[x / factor];
    const int same = std::min(factor - y % factor, end - y);
    for (int k = 0; k < same; ++k)
      streamRow(reinterpret_cast<uint32_t*>(image.scanLine(row + k)) + area.left(), row_.data(),
                width);
    y += same;
    row += same;
  }
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
    const int factor = pictureRect_.width() / kWidth;
    if (enlargeIntoBackingStore(painter, target, factor)) return;
    updateScaled(factor);
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
