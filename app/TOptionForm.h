// The options dialog: message speed, read-text dimming, skip behaviour,
// window colour and opacity, the three volumes, the overwrite question,
// effect speed and the voice switch. Colour, opacity and volumes apply while
// their track bars move (Cancel puts them back); the rest only on OK. The
// engine work is OptionSettings'; this class moves values between it and
// the widgets.
#pragma once

#include <QDialog>
#include <vector>

#include "app/frame/OptionSettings.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QTabWidget;

namespace kobre::app {

class TNameForm;

class TOptionForm : public QDialog {
 public:
  TOptionForm(frame::OptionSettings& options, TNameForm& nameForm, QWidget* parent = nullptr);

  // Moves a track bar to value and, for the live ones, applies it.
  void applyTrackValue(QSlider* bar, int value);
  void FormShow();
  void BtOkClick();
  void BtCanselClick();
  void BtNameClick();

  const frame::ShownValues& shownValues() const { return shownValues_; }

  QTabWidget* PageControl;
  // メッセージ
  QSlider* TbMsgSpeed;
  QGroupBox* PnName;  // never shown; BtHeroName is the way players reach the name
  QLineEdit* EdName;
  QPushButton* BtName;
  QPushButton* BtHeroName;
  QCheckBox* CbReaded;
  QSlider* TbReaded;
  QLabel* LbReaded;
  // スキップ
  QSlider* TbSkipWait;
  QCheckBox* CbSkipVoice;
  QCheckBox* CbSkipEffect;
  QCheckBox* CbSkipCancel;
  QCheckBox* CbSkipUnread;
  // ウィンドウ
  QSlider* TbRed;
  QSlider* TbGreen;
  QSlider* TbBlue;
  QSlider* TbAlpha;
  QLabel* LbRed;
  QLabel* LbGreen;
  QLabel* LbBlue;
  QLabel* LbAlpha;
  // サウンド
  QSlider* TbBgm;
  QSlider* TbSe;
  QSlider* TbVoice;
  QLabel* LbBgm;
  QLabel* LbSe;
  QLabel* LbVoice;
  // その他
  QCheckBox* CbOverWriteCheck;
  QSlider* TbFade;
  QCheckBox* CbNextVoice;

  QPushButton* BtOk;
  QPushButton* BtCansel;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // A track bar with its value label; live ones apply as they move.
  struct Track {
    QSlider* bar;
    QLabel* label;  // null: none
    bool live;
    frame::LiveTrack track;
  };
  QSlider* makeBar(const char* name, int min, int max, int page, QWidget* parent);
  void makeLive(QSlider* bar, QLabel* label, frame::LiveTrack track);
  const Track* trackOf(const QSlider* bar) const;

  frame::OptionSettings& options_;
  TNameForm& nameForm_;
  frame::ShownValues shownValues_;
  std::vector<Track> tracks_;
  bool applying_ = false;
};

}  // namespace kobre::app
