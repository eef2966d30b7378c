#pragma once

// The widget that shows the 800 x 600 picture: the main window's client area.
// In a window it is exactly 800 x 600; in full screen it covers the screen and
// the picture is scaled into `pictureRect` with black bars around it.

#include <QImage>
#include <QRect>
#include <QWidget>
#include <functional>

namespace kobre::platform::qt {

// Where an 800 x 600 picture goes in an area: centred, aspect kept. The
// largest whole scale is used when at least 2x fits (sharp pixels); below that
// the picture is fitted (exactly 1x when the area is 800 x 600).
QRect fitPicture(QSize area);

class ScreenView : public QWidget {
  Q_OBJECT

 public:
  explicit ScreenView(QWidget* parent = nullptr);

  // Copies an 800 x 600 XRGB picture (stride in pixels) into the frame shown,
  // moved down by shakeOffset rows (up when negative) with the uncovered rows
  // black, and repaints at once.
  void showFrame(const uint32_t* pixels, int stride, int shakeOffset);
  const QImage& frame() const { return frame_; }

  // Rectangle of the picture in this widget's coordinates.
  void setPictureRect(const QRect& rect);
  QRect pictureRect() const { return pictureRect_; }
  // Widget position -> picture pixel (may lie outside 0..799 / 0..599).
  QPoint toPicture(QPoint widgetPos) const;

  // Asked before each paint; false draws nothing (no back buffer yet, a movie
  // covers the window, the program is closing).
  std::function<bool()> paintGate;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage frame_;
  QRect pictureRect_{0, 0, 800, 600};
};

}  // namespace kobre::platform::qt
