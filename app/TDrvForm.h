// The drive dialog: the user names the optical drive that holds the disc
// with the sound archive.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QComboBox;
class QPushButton;

namespace kobre::app {

class TDrvForm : public QDialog {
 public:
  explicit TDrvForm(QWidget* parent = nullptr);

  // Fills the list with roots, selects the first and shows the dialog
  // modally; the selected entry however the dialog was closed, or empty.
  std::string choose(const std::vector<std::string>& roots);

  QComboBox* CBox;
  QPushButton* BtOk;
};

}  // namespace kobre::app
