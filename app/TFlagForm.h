// The flag viewer: a window beside the running game that shows one page of
// one hundred flags and the variables A...Z. The grids are a snapshot, taken
// when the window is shown and when the page changes. It only reads.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
class QTableWidget;

namespace kobre {
struct GameState;
}

namespace kobre::app {

class TFlagForm : public QDialog {
 public:
  explicit TFlagForm(const GameState& state, QWidget* parent = nullptr);

  void refresh();
  // BtPrev and BtNext.
  void BtPageClick(bool next);

  QLineEdit* EdStart;
  QPushButton* BtPrev;
  QPushButton* BtNext;
  QTableWidget* SgFlag;
  QTableWidget* SgSystem;
  QPushButton* BtOk;
  QPushButton* BtCancel;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  const GameState& state_;
};

}  // namespace kobre::app
