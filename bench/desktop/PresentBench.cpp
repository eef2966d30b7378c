// CPU cost of presenting one frame on the desktop: a full-screen ScreenView
// on the current screen, fed pictures that change completely every frame,
// so every frame is scaled and sent to the display in full. The view sends at
// most one picture per display refresh, so each frame waits for its repaint.
//
//   kobre_present_bench [FRAMES]      (run on an X server; see desktop_cost.sh)
//
// Prints the screen size, the picture rectangle and kobre's own CPU time per
// frame; the display server's share is measured from outside.
#include <sys/resource.h>

#include <QApplication>
#include <QScreen>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/qt/ScreenView.h"

namespace {
double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  int frames = argc > 1 ? std::atoi(argv[1]) : 300;
  if (frames <= 0) frames = 300;
  kobre::platform::qt::ScreenView view;
  view.showFullScreen();
  QScreen* screen = view.screen();
  if (screen) view.setGeometry(screen->geometry());
  for (int i = 0; i < 50; ++i) QApplication::processEvents();
  view.setPictureRect(kobre::platform::qt::fitPicture(view.size()));
  // Two pictures that differ in every pixel: a gradient and its inverse.
  std::vector<uint32_t> a(800 * 600), b(800 * 600);
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x) {
      uint32_t v = static_cast<uint32_t>((x * 255 / 799) << 16 | (y * 255 / 599) << 8 | 0x40);
      a[static_cast<size_t>(y) * 800 + x] = v;
      b[static_cast<size_t>(y) * 800 + x] = ~v & 0xFFFFFF;
    }
  for (int i = 0; i < 10; ++i) view.showFrame((i % 2 ? b : a).data(), 800, 0);
  QApplication::processEvents();
  double start = cpuSeconds();
  for (int i = 0; i < frames; ++i) {
    const int before = view.repaints();
    view.showFrame((i % 2 ? b : a).data(), 800, 0);
    while (view.repaints() == before) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  double used = cpuSeconds() - start;
  QRect r = view.pictureRect();
  std::printf("screen %dx%d picture %dx%d%s frames %d kobre %.3f ms CPU per frame\n", view.width(),
              view.height(), r.width(), r.height(),
              kobre::platform::qt::isWholeScale(r, view.devicePixelRatioF()) ? " sharp" : " smooth",
              frames, used * 1000 / frames);
  return 0;
}
