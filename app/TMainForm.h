#pragma once

// The main window: the menu bar and the 800 x 600 client area. It does no
// engine work itself; the frame code hooks the commands in.

#include <QMainWindow>
#include <QPoint>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

class QAction;
class QMenu;

namespace kobre::platform::qt {
class ScreenView;
}

namespace kobre::app {

// One menu entry of the main window, in menu-bar order. A top-level menu has
// an empty parent; a separator has an empty name.
struct MenuEntry {
  const char* parent;
  const char* name;
  const char* caption;
  bool visible;
  bool checked;
  bool isMenu;  // opens a menu (the others are commands)
};
// The whole tree as it stands when the window is created.
const std::vector<MenuEntry>& mainMenuTree();

class TMainForm : public QMainWindow {
  Q_OBJECT

 public:
  explicit TMainForm(QWidget* parent = nullptr);
  ~TMainForm() override;

  platform::qt::ScreenView* view() const { return view_; }
  // The item (or the menu's own item) of a component name; null when none.
  QAction* menuItem(const QString& name) const;

  // Windowed: fixed border, client 800 x 600, centred, check on MnWindow.
  // Full screen: a borderless window over the whole screen with the picture
  // scaled to fit; the menu bar comes in while the mouse is in the top rows.
  void applyDisplayMode(bool windowed);
  bool isWindowedMode() const { return windowed_; }
  // Centres the window on its screen (the frame included when known).
  void centreOnScreen();

  // Hooks the frame code sets; each may stay empty.
  // A menu command, by component name ("MnTitle").
  std::function<void(const QString& item)> onMenu;
  // The close request: true grants it. Unset grants every request.
  std::function<bool()> onCloseQuery;
  // Alt+Enter while the View menu is shown. Unset toggles the display mode.
  std::function<void()> onToggleDisplayMode;
  // Called once the window is closed for good (the close was granted).
  std::function<void()> onClosed;

  // Rows at the top of the screen that bring the menu bar in (full screen).
  static constexpr int kMenuRevealRows = 8;

 signals:
  void menuCommand(const QString& item);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildMenus();
  void setFixedClientSize(bool fixed);
  void updatePictureRect();
  void revealMenuBar(bool show);

  platform::qt::ScreenView* view_ = nullptr;
  bool windowed_ = true;
  bool centred_ = false;
  std::optional<QPoint> windowedPos_;  // client area's place before full screen
};

}  // namespace kobre::app
