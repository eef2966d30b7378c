#pragma once

// The widget that shows the 800 x 600 picture: the main window's client area.
// In a window it is exactly 800 x 600 (times the device pixel ratio on a
// scaled desktop); in full screen it covers the screen and the picture is
// scaled into `pictureRect` with black bars around it.

#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

namespace kobre::platform::qt {

// Where an 800 x 600 picture goes in an area: centred, aspect kept. The
// largest whole scale is used when at least 2x fits (sharp pixels); below that
// the picture is fitted (exactly 1x when the area is 800 x 600).
QRect fitPicture(QSize area);

// Whether a picture drawn into `rect` (logical pixels) on a device of that
// pixel ratio lands on a whole multiple of its device pixels: then it is
// drawn sharp (pixels repeated), otherwise smoothed.
bool isWholeScale(const QRect& rect, qreal devicePixelRatio);

// The picture pixel shown at a position (logical pixels, fractions allowed)
// of a picture drawn into `rect` on a device of that pixel ratio: the pixel
// whose area holds the centre of the device pixel under the position. May lie
// outside 0..799 / 0..599.
QPoint pictureAt(QPointF pos, const QRect& rect, qreal devicePixelRatio);

class ScreenView : public QWidget {
  Q_OBJECT

 public:
  explicit ScreenView(QWidget* parent = nullptr);

  // Takes an 800 x 600 XRGB picture (stride in pixels) as the frame shown,
  // moved down by shakeOffset rows (up when negative) with the uncovered rows
  // black, and repaints the rows that differ from the frame shown before: at
  // once, or at the display's next refresh when the last repaint was less
  // than one refresh ago (the display could not show more pictures). An
  // unchanged picture costs one comparison: nothing is drawn or sent to the
  // display.
  void showFrame(const uint32_t* pixels, int stride, int shakeOffset);
  // The same when the caller knows what changed: when the last frame came
  // from the same pixels, stride and shake offset, only `changed` (source
  // pixels) is compared and repainted; an empty area costs nothing.
  void showChangedFrame(const uint32_t* pixels, int stride, int shakeOffset, QRect changed);
  const QImage& frame() const { return frame_; }
  // Frames that changed something (and were or will be repainted) since
  // creation.
  int changedFrames() const { return changedFrames_; }
  // Repaints sent to the display since creation (one per refresh at most).
  int repaints() const { return repaints_; }

  // Rectangle of the picture in this widget's coordinates.
  void setPictureRect(const QRect& rect);
  QRect pictureRect() const { return pictureRect_; }
  // Widget position -> picture pixel (may lie outside 0..799 / 0..599).
  QPoint toPicture(QPointF widgetPos) const;

  // Asked before each paint; false draws nothing (no back buffer yet, a movie
  // covers the window, the program is closing).
  std::function<bool()> paintGate;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // Counts a changed frame and repaints the widget area showing `area`
  // (picture pixels) at the display's next refresh.
  void markChanged(const QRect& area);
  // Repaints what changed since the last repaint when a refresh interval has
  // passed since then, else starts the timer for the rest of it.
  void showPending();
  // The widget area that shows a part of the picture (with a margin for the
  // smoothing of scaled pictures).
  QRect widgetArea(QRect area) const;

  // Enlarges the picture by a whole factor straight into the window's
  // backing store for a paint of `target` (widget coordinates); false when
  // the backing store is not an image it can write.
  bool enlargeIntoBackingStore(QPainter& painter, const QRect& target, int factor);
  // One rectangle of that (widget coordinates; offset: the widget's place in
  // the backing store).
  void enlargeRect(QImage& image, const QRect& target, QPoint offset, int factor);

  // Brings the picture's whole-scale enlargement up to date (the part of
  // frame_ changed since the last paint).
  void updateScaled(int factor);

  QImage frame_;
  QRect pictureRect_{0, 0, 800, 600};
  // At whole scales above 1x the picture is enlarged here, row by row as it
  // changes, and painted one to one: cheaper than scaling in the painter.
  QImage scaled_;
  QRect stale_{0, 0, 800, 600};  // the part of frame_ not in scaled_ yet
  // One enlarged row on its way into the backing store.
  std::vector<uint32_t> row_;
  int changedFrames_ = 0;
  // Widget area changed but not yet repainted, and when the last repaint was.
  QRect unshown_;
  QElapsedTimer sinceShown_;
  bool shownOnce_ = false;
  int repaints_ = 0;
  QTimer refresh_;
  // Where the last frame came from.
  const uint32_t* lastPixels_ = nullptr;
  int lastStride_ = 0, lastShake_ = 0;
};

}  // namespace kobre::platform::qt
