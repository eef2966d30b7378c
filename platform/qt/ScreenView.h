#pragma once

// The widget that shows the 800 x 600 picture: the main window's client area.
// In a window it is exactly 800 x 600 (times the device pixel ratio on a
// scaled desktop); in full screen it covers the screen and the picture is
// scaled into `pictureRect` with black bars around it.

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QWidget>
#include <functional>

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
  // black, and repaints at once the rows that differ from the frame shown
  // before. An unchanged picture costs one comparison: nothing is drawn or
  // sent to the display.
  void showFrame(const uint32_t* pixels, int stride, int shakeOffset);
  // The same for pixels the caller has not changed since they were last
  // given: when the last frame came from the same pixels, stride and shake
  // offset there is nothing to compare or draw.
  void showUnchangedFrame(const uint32_t* pixels, int stride, int shakeOffset);
  const QImage& frame() const { return frame_; }
  // Frames that changed something (and were repainted) since creation.
  int changedFrames() const { return changedFrames_; }

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
  // The widget area that shows picture rows first..last (with a margin for
  // the smoothing of scaled pictures).
  QRect rowsArea(int first, int last) const;

  // Brings the picture's whole-scale enlargement up to date (rows of frame_
  // changed since the last paint).
  void updateScaled(int factor);

  QImage frame_;
  QRect pictureRect_{0, 0, 800, 600};
  // At whole scales above 1x the picture is enlarged here, row by row as it
  // changes, and painted one to one: cheaper than scaling in the painter.
  QImage scaled_;
  int staleFirst_ = 0, staleLast_ = 599;  // rows of frame_ not in scaled_ yet
  int changedFrames_ = 0;
  // Where the last frame came from.
  const uint32_t* lastPixels_ = nullptr;
  int lastStride_ = 0, lastShake_ = 0;
};

}  // namespace kobre::platform::qt
