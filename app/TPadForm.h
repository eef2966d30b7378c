// The joypad settings dialog: the device list, the twelve bindings captured
// from the joypad, the force-feedback switch, loading a settings file and
// listing the joysticks again. The logic is PadConfig's; this class only
// moves its values to and from the widgets.
#pragma once

#include <QDialog>
#include <array>

#include "input/PadConfig.h"

class QCheckBox;
class QComboBox;
class QFileDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace kobre::app {

class TPadForm : public QDialog {
 public:
  TPadForm(PadConfig& config, QWidget* parent = nullptr);

  // Puts the configuration's state into the widgets.
  void refresh();
  // One capture tick (the timer's, every 30 ms while shown).
  void TimerTimer();
  void CbFFClick();
  void BtLoadClick();
  void BtReSampleClick();
  void CBoxChange(int index);
  void BtOkClick();

  QGroupBox* GroupBox1;
  QComboBox* CBox;
  // EdUp ... EdSave, in the logical buttons' order.
  std::array<QLineEdit*, kLogicalButtonCount> edits{};
  QGroupBox* GroupBox2;
  QLabel* LbFF;
  QCheckBox* CbFF;
  QPushButton* BtLoad;
  QPushButton* BtReSample;
  QPushButton* BtOk;
  QTimer* Timer;
  QFileDialog* OpDlg;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  PadConfig& config_;
  bool deleteHeld_ = false;
  bool refreshing_ = false;
};

}  // namespace kobre::app
