#include "platform/qt/QtHost.h"

#include <QAction>
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTranslator>
#include <algorithm>

#include "platform/qt/QtInput.h"
#include "platform/qt/ScreenView.h"

namespace kobre::platform::qt {

namespace {

QMessageBox::Icon qtIcon(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::Error:
      return QMessageBox::Critical;
    case BoxIcon::Question:
      return QMessageBox::Question;
    case BoxIcon::Warning:
      return QMessageBox::Warning;
    case BoxIcon::Information:
      return QMessageBox::Information;
    case BoxIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

QString qs(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

void configureMessageBox(QMessageBox& box, const MessageBoxSpec& spec) {
  box.setWindowTitle(qs(spec.caption));
  box.setText(qs(spec.text));
  box.setTextFormat(Qt::PlainText);
  box.setIcon(qtIcon(spec.icon));
  if (spec.buttons == BoxButtons::YesNo) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    // A Yes/No question only ever defaults to one of its own buttons.
    box.setDefaultButton(spec.defaultButton == BoxResult::Yes ? QMessageBox::Yes : QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
  }
}

std::unique_ptr<QTranslator> installQtTranslations(const QLocale& locale) {
  auto translator = std::make_unique<QTranslator>();
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  // "qtbase_ja.qm" and the like, tried for each of the locale's languages.
  if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder))
    return nullptr;
  if (!QCoreApplication::installTranslator(translator.get())) return nullptr;
  return translator;
}

QtHost::QtHost(QWidget* window, ScreenView* view)
    : window_(window), view_(view), input_(new QtInput(view)) {}

QtHost::~QtHost() {
  delete input_;
}

void QtHost::pumpEvents() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtHost::waitEvents() {
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

bool QtHost::isActive() {
  return window_ && window_->isActiveWindow();
}

void QtHost::readInput(InputState& state) {
  input_->read(state);
}

void QtHost::present(const uint32_t* pixels, int stride, int shakeOffset) {
  if (view_) view_->showFrame(pixels, stride, shakeOffset);
}

void QtHost::presentChanged(const uint32_t* pixels, int stride, int shakeOffset,
                            const FrameArea& changed) {
  if (view_)
    view_->showChangedFrame(pixels, stride, shakeOffset,
                            QRect(changed.x0, changed.y0, std::max(changed.x1 - changed.x0, 0),
                                  std::max(changed.y1 - changed.y0, 0)));
}

BoxResult QtHost::messageBox(const MessageBoxSpec& spec) {
  QMessageBox box(spec.ownerless ? nullptr : window_.data());
  configureMessageBox(box, spec);
  int chosen = box.exec();
  // The box took the keyboard focus; the game keeps reading keys only if it
  // comes back (without a window manager nobody else would give it back).
  if (window_ && window_->isVisible()) {
    window_->activateWindow();
    if (view_) view_->setFocus(Qt::ActiveWindowFocusReason);
  }
  if (spec.buttons == BoxButtons::Ok) return BoxResult::Ok;
  if (chosen == QMessageBox::Yes) return BoxResult::Yes;
  if (chosen == QMessageBox::No) return BoxResult::No;
  // Closed some other way (the window manager's close button): the default.
  return spec.defaultButton == BoxResult::Yes ? BoxResult::Yes : BoxResult::No;
}

QAction* QtHost::menuItem(std::string_view name) {
  if (!window_) return nullptr;
  auto known = menuItems_.find(name);
  if (known != menuItems_.end() && known->second) return known->second;
  QString n = qs(name);
  QAction* item = window_->findChild<QAction*>(n);
  if (item == nullptr)
    if (auto* menu = window_->findChild<QMenu*>(n)) item = menu->menuAction();
  // Names that are not found are looked up again next time (items may come later).
  if (item != nullptr) menuItems_[std::string(name)] = item;
  return item;
}

void QtHost::setMenuEnabled(std::string_view item, bool enabled) {
  if (QAction* a = menuItem(item)) a->setEnabled(enabled);
}

void QtHost::setMenuVisible(std::string_view item, bool visible) {
  if (QAction* a = menuItem(item)) a->setVisible(visible);
}

void QtHost::setMenuChecked(std::string_view item, bool checked) {
  if (QAction* a = menuItem(item)) {
    a->setCheckable(true);
    a->setChecked(checked);
  }
}

bool QtHost::isMenuChecked(std::string_view item) {
  QAction* a = menuItem(item);
  return a && a->isChecked();
}

void QtHost::setMenuCaption(std::string_view item, std::string_view caption) {
  if (QAction* a = menuItem(item)) a->setText(qs(caption));
}

namespace {
QScreen* screenOf(QWidget* window) {
  QScreen* screen = window ? window->screen() : nullptr;
  return screen ? screen : QGuiApplication::primaryScreen();
}
}  // namespace

int QtHost::screenWidth() {
  QScreen* s = screenOf(window_);
  return s ? s->geometry().width() : 0;
}

int QtHost::screenHeight() {
  QScreen* s = screenOf(window_);
  return s ? s->geometry().height() : 0;
}

int QtHost::screenBitsPerPixel() {
  QScreen* s = screenOf(window_);
  return s ? s->depth() : 0;
}

void QtHost::requestClose() {
  if (window_) window_->close();
}

}  // namespace kobre::platform::qt
