// The main window's font dialog: Japanese faces whose characters all take
// one or two cells (fixed pitch, or dual width as the usual Japanese
// "gothic" faces are), with a style and a size. The size is offered as a
// font dialog offers it, but messages keep their own heights.
#pragma once

#include <QDialog>
#include <QFont>
#include <QStringList>

class QComboBox;
class QListWidget;
class QSpinBox;

namespace kobre::app {

// Whether a face draws every ASCII letter at one width and a kana at one
// or two times that width.
bool isFixedOrDualWidth(const QFont& font);
// The installed Japanese faces that pass isFixedOrDualWidth, sorted.
QStringList fixedJapaneseFaces();

class FontDialog : public QDialog {
 public:
  explicit FontDialog(QWidget* parent = nullptr);

  // Starts on a face and style; a face not offered selects the first one.
  void setChoice(const QString& family, bool bold, bool italic);
  QString family() const;
  bool bold() const;
  bool italic() const;
  int pointSize() const;

  QListWidget* LbFace;
  QComboBox* CbStyle;
  QSpinBox* EdSize;
};

}  // namespace kobre::app
