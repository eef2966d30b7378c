#include "app/TMainForm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <map>
#include <vector>

#include "platform/qt/ScreenView.h"
#include "platform/qt/WindowManager.h"

namespace kobre::app {

const std::vector<MenuEntry>& mainMenuTree() {
  static const std::vector<MenuEntry> tree = {
      {"", "MnFile", "ファイル(&F)", true, false, true},
      {"MnFile", "MnOpen", "開く(&O)...", false, false, false},
      {"MnFile", "MnTitle", "タイトル画面に戻る(&T)", true, false, false},
      {"MnFile", "", "", true, false, false},
      {"MnFile", "MnDispCopy", "画面をクリップボードにコピー(&C)", true, false, false},
      {"MnFile", "MnDispSave", "画面をファイルに保存(&S)...", true, false, false},
      {"MnFile", "", "", true, false, false},
      {"MnFile", "MnExit", "終了(&X)", true, false, false},
      {"", "MnKaisouExit", "メニューに戻る(&R)", false, false, false},
      {"", "MnSkip", "スキップ(&S)", true, false, false},
      {"", "MnView", "表示(&V)", true, false, true},
      {"MnView", "MnWindow", "ウィンドウ(&W)", true, true, false},
      {"MnView", "MnFull16", "全画面(&0)", false, false, false},
      {"MnView", "MnFull32", "全画面 640x480x32", false, false, false},
      {"", "MnSetting", "設定(&S)", true, false, true},
      {"MnSetting", "MnFontNormal", "標準のフォント(&N)", true, false, false},
      {"MnSetting", "MnFont", "フォントの設定(&F)...", true, false, false},
      {"MnSetting", "", "", true, false, false},
      {"MnSetting", "MnOption", "オプション(&O)...", true, false, false},
      {"MnSetting", "", "", true, false, false},
      {"MnSetting", "MnPad", "ジョイパッドの設定(&J)...", true, false, false},
      {"", "MnHelp", "ヘルプ(&H)", true, false, true},
      {"MnHelp", "MnManual", "マニュアルの変更点(&H)...", false, false, false},
      {"MnHelp", "", "", true, false, false},
      {"MnHelp", "MnUpdate", "アップデート(&U)...", true, false, false},
      {"MnHelp", "MnMail", "メールの送信(&M)", true, false, false},
      {"MnHelp", "", "", true, false, false},
      {"MnHelp", "MnAbout", "バージョン情報(&A)...", true, false, false},
      {"", "MnDebug", "デバッグ(&D)", false, false, true},
      {"MnDebug", "MnNowLine", "実行中の行(&L)...", true, false, false},
      {"MnDebug", "MnFlag", "フラグ(&F)...", true, false, false},
  };
  return tree;
}

namespace {
// The display-mode items show a check mark.
bool isDisplayModeItem(const QString& name) {
  return name == "MnWindow" || name == "MnFull16" || name == "MnFull32";
}
}  // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
  setObjectName("MainForm");
  // Single fixed border, system menu, minimise box, no maximise box.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setWindowTitle(QStringLiteral("Vellind Game System"));
  view_ = new platform::qt::ScreenView(this);
  setCentralWidget(view_);
  // The menu bar belongs in the window even where the desktop offers a global
  // menu: the client area is what lies below it.
  menuBar()->setNativeMenuBar(false);
  buildMenus();
  setFixedClientSize(true);
  // One filter on the application sees the view's mouse and geometry and the
  // keys wherever the focus is (each event exactly once).
  qApp->installEventFilter(this);
}

TMainForm::~TMainForm() {
  if (qApp) qApp->removeEventFilter(this);
}

void TMainForm::buildMenus() {
  std::map<std::string, QMenu*> menus;
  for (const MenuEntry& e : mainMenuTree()) {
    QString name = QString::fromUtf8(e.name);
    QString caption = QString::fromUtf8(e.caption);
    QMenu* parentMenu = e.parent[0] ? menus[e.parent] : nullptr;
    if (name.isEmpty()) {
      if (parentMenu) parentMenu->addSeparator();
      continue;
    }
    QAction* action = nullptr;
    if (e.isMenu) {
      QMenu* menu = parentMenu ? parentMenu->addMenu(caption) : menuBar()->addMenu(caption);
      menu->setObjectName(name);
      menus[e.name] = menu;
      action = menu->menuAction();
    } else {
      action = parentMenu ? parentMenu->addAction(caption) : menuBar()->addAction(caption);
      connect(action, &QAction::triggered, this, [this, action, name](bool checked) {
        // The check marks follow the display mode, not the click.
        if (action->isCheckable()) action->setChecked(!checked);
        emit menuCommand(name);
        if (onMenu) onMenu(name);
      });
    }
    action->setObjectName(name);
    action->setVisible(e.visible);
    if (isDisplayModeItem(name)) {
      action->setCheckable(true);
      action->setChecked(e.checked);
    }
  }
  if (QAction* exit = menuItem("MnExit")) exit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
}

QAction* TMainForm::menuItem(const QString& name) const {
  if (auto* action = findChild<QAction*>(name)) return action;
  if (auto* menu = findChild<QMenu*>(name)) return menu->menuAction();
  return nullptr;
}

void TMainForm::setFixedClientSize(bool fixed) {
  if (fixed) {
    view_->setFixedSize(800, 600);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
  } else {
    layout()->setSizeConstraint(QLayout::SetNoConstraint);
    view_->setMinimumSize(0, 0);
    view_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  }
}

void TMainForm::centreOnScreen() {
  QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
  if (!s) return;
  QRect screenRect = s->geometry();
  QSize outer = frameGeometry().size();
  if (outer.width() < width() || outer.height() < height()) outer = size();
  move(screenRect.x() + screenRect.width() / 2 - outer.width() / 2,
       screenRect.y() + screenRect.height() / 2 - outer.height() / 2);
}

void TMainForm::applyDisplayMode(bool windowed) {
  const bool wasWindowed = windowed_;
  windowed_ = windowed;
  if (windowed) {
    showNormal();
    menuBar()->show();
    setFixedClientSize(true);
    adjustSize();
    // Back from full screen the window goes exactly where it was; the first
    // time it is centred.
    if (!wasWindowed && windowedPos_)
      setGeometry(QRect(*windowedPos_, geometry().size()));
    else
      centreOnScreen();
  } else {
    if (wasWindowed && isVisible()) windowedPos_ = geometry().topLeft();
    setFixedClientSize(false);
    menuBar()->hide();
    // The window manager's own full screen (_NET_WM_STATE_FULLSCREEN on X11,
    // the xdg-shell request on Wayland): it keeps panels below the window.
    showFullScreen();
    // Nobody answers the request on a bare X server: place the window by hand.
    if (!platform::qt::hasWindowManager())
      if (QScreen* s = screen()) setGeometry(s->geometry());
  }
  if (QAction* a = menuItem("MnWindow")) a->setChecked(windowed);
  if (QAction* a = menuItem("MnFull16")) a->setChecked(!windowed);
  updatePictureRect();
}

void TMainForm::revealMenuBar(bool show) {
  if (menuBar()->isVisible() == show) return;
  menuBar()->setVisible(show);
  updatePictureRect();
}

void TMainForm::updatePictureRect() {
  if (windowed_) {
    view_->setPictureRect(QRect(0, 0, 800, 600));
    return;
  }
  // Fitted to the whole window and kept in place while the menu bar lies
  // over the top rows.
  QRect r = platform::qt::fitPicture(size());
  view_->setPictureRect(r.translated(-view_->geometry().topLeft()));
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (onCloseQuery && !onCloseQuery()) {
    event->ignore();
    return;
  }
  event->accept();
  if (onClosed) onClosed();
}

void TMainForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!centred_ && windowed_) {
    centred_ = true;
    centreOnScreen();
  }
}

void TMainForm::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  updatePictureRect();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view_ && (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
    updatePictureRect();
  } else if (watched == view_ && event->type() == QEvent::MouseMove && !windowed_) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    int y = view_->mapTo(this, mouse->position().toPoint()).y();
    revealMenuBar(y < kMenuRevealRows);
  } else if (event->type() == QEvent::KeyPress && isActiveWindow()) {
    auto* key = static_cast<QKeyEvent*>(event);
    bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    QAction* viewMenu = menuItem("MnView");
    if (enter && (key->modifiers() & Qt::AltModifier) && !key->isAutoRepeat() && viewMenu &&
        viewMenu->isVisible()) {
      if (onToggleDisplayMode)
        onToggleDisplayMode();
      else
        applyDisplayMode(!windowed_);
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace kobre::app
