#include "app/TDrvForm.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>

#include "tests/platform/qt/DesktopTestApp.h"

namespace kobre::app {
namespace {

// The program's one QApplication, shared with the main window's tests.
QApplication& application() {
  return *test::desktopApp();
}

// Shows the dialog with roots and ends it the given way once it is up.
std::string chooseWith(const std::vector<std::string>& roots, bool closeBox, int* shownCount,
                       QString* selectedAtShow) {
  application();
  TDrvForm form;
  QTimer::singleShot(0, &form, [&] {
    if (shownCount) *shownCount = form.CBox->count();
    if (selectedAtShow) *selectedAtShow = form.CBox->currentText();
    if (closeBox)
      form.close();
    else
      form.BtOk->click();
  });
  return form.choose(roots);
}

TEST(DrvForm, ListsTheDrivesInOrderWithTheFirstSelected) {
  int count = 0;
  QString selected;
  EXPECT_EQ(chooseWith({"/media/d/", "/media/e/"}, false, &count, &selected), "/media/d/");
  EXPECT_EQ(count, 2);
  EXPECT_EQ(selected, "/media/d/");
}

TEST(DrvForm, CloseBoxActsLikeOkAndNoDriveGivesNothing) {
  EXPECT_EQ(chooseWith({"/media/d/"}, true, nullptr, nullptr), "/media/d/");
  int count = -1;
  EXPECT_EQ(chooseWith({}, false, &count, nullptr), "");
  EXPECT_EQ(count, 0);
}

TEST(DrvForm, Layout) {
  application();
  TDrvForm form;
  EXPECT_EQ(form.windowTitle(), QString::fromUtf8("ドライブの設定"));
  EXPECT_EQ(form.size(), QSize(202, 127));
  EXPECT_FALSE(form.CBox->isEditable());
  EXPECT_EQ(form.BtOk->text(), "Ok");
}

}  // namespace
}  // namespace kobre::app
