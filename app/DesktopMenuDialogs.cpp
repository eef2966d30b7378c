#include "app/DesktopMenuDialogs.h"

#include <QClipboard>
#include <QFileDialog>
#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMessageBox>

#include "app/FontDialog.h"
#include "app/ScreenBitmap.h"
#include "app/TMailForm.h"
#include "app/TMainForm.h"
#include "app/TPadForm.h"
#include "app/frame/FrameEngine.h"
#include "app/frame/MainFrame.h"
#include "app/frame/PadAccess.h"
#include "app/frame/ProcessorAccess.h"
#include "graphics/Blend.h"

namespace kobre::app {

namespace {

QString qs(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QImage screenImage(const frame::ScreenPicture& picture) {
  QImage image(800, 600, QImage::Format_RGB32);
  if (picture.size() < size_t{800} * 600) {
    image.fill(Qt::black);
    return image;
  }
  for (int y = 0; y < 600; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
    for (int x = 0; x < 800; ++x) row[x] = 0xFF000000u | picture[size_t(y) * 800 + size_t(x)];
  }
  return image;
}

}  // namespace

DesktopMenuDialogs::DesktopMenuDialogs(TMainForm& form, const platform::Platform& platform,
                                       frame::FrameEngine& engine, std::string gameFolder)
    : form_(form),
      platform_(platform),
      engine_(engine),
      gameFolder_(std::move(gameFolder)),
      mailContext_(std::make_unique<QObject>()) {
  mailForm_ = std::make_unique<TMailForm>(platform_.files, platform_.text, &form_);
  mailForm_->fillFacts = [this](MailFields& fields) {
    ProcessorInfo processor;
    bool mmx = false;
    frame::engineProcessor(engine_, processor, mmx);
    fillMachineFacts(fields, processor, mmx, gameFolder_);
  };
  QObject* context = mailContext_.get();
  mailer_ = std::make_unique<SupportMailer>(
      [context](std::function<void()> fn) {
        QMetaObject::invokeMethod(context, std::move(fn), Qt::QueuedConnection);
      },
      [this](const support::MailResult& result) {
        if (result.sent) {
          platform::MessageBoxSpec spec;
          spec.caption = std::string(frame::kFrameCaption);
          spec.text = std::string(kMailSent);
          spec.icon = platform::BoxIcon::Information;
          if (platform_.host) platform_.host->messageBox(spec);
        } else if (platform_.log) {
          // The connection is closed; the user is not told, the log is.
          platform_.log->write("support mail not sent: " + result.error);
        }
      });
}

DesktopMenuDialogs::~DesktopMenuDialogs() {
  // The workers first (cancelled), then the context their results went to.
  mailer_.reset();
  mailContext_.reset();
}

frame::MenuDialogs::SaveResult DesktopMenuDialogs::saveScreen(const std::string& suggestedName,
                                                              const frame::ScreenPicture& picture) {
  QFileDialog dialog(&form_);
  dialog.setObjectName("SaveDialog");
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(QStringLiteral("ビットマップ ファイル　(*.bmp)"));
  dialog.setDefaultSuffix(QStringLiteral("bmp"));
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  dialog.setDirectory(QString::fromStdString(gameFolder_));
  dialog.selectFile(QString::fromStdString(suggestedName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return SaveResult::Cancelled;
  const QString path = dialog.selectedFiles().front();
  if (!writeScreenBitmap(path.toStdString(), picture)) {
    QMessageBox box(QMessageBox::Critical, qs(frame::kApplicationTitle),
                    path + QStringLiteral(" に書き込めません"), QMessageBox::Ok, &form_);
    box.exec();
    return SaveResult::Failed;
  }
  return SaveResult::Saved;
}

void DesktopMenuDialogs::copyScreen(const frame::ScreenPicture& picture) {
  if (QClipboard* clipboard = QGuiApplication::clipboard())
    clipboard->setImage(screenImage(picture));
}

bool DesktopMenuDialogs::chooseFont(platform::FontSpec& font) {
  FontDialog dialog(&form_);
  // The settings' face may be a name the font system substitutes for.
  const QString face = platform_.text ? qs(platform_.text->toUtf8(font.face)) : qs(font.face);
  dialog.setChoice(QFontInfo(QFont(face)).family(), font.bold, font.italic);
  if (dialog.exec() != QDialog::Accepted || dialog.family().isEmpty()) return false;
  const std::string utf8 = dialog.family().toStdString();
  font.face = platform_.text ? platform_.text->toCp932(utf8) : utf8;
  font.bold = dialog.bold();
  font.italic = dialog.italic();
  return true;
}

void DesktopMenuDialogs::showOptions() {
  if (openOptions)
    openOptions();
  else if (platform_.log)
    platform_.log->stub("options dialog");
}

void DesktopMenuDialogs::showFlags() {
  if (openFlags)
    openFlags();
  else if (platform_.log)
    platform_.log->stub("flag viewer");
}

void DesktopMenuDialogs::showPad() {
  // The joypad settings work on the settings object start-up made.
  if (PadConfig* pad = frame::enginePadConfig(engine_)) {
    TPadForm dialog(*pad, &form_);
    dialog.exec();
  }
}

void DesktopMenuDialogs::supportMail() {
  if (mailForm_->exec() != QDialog::Accepted) return;
  const SupportMailConfig config = readSupportMailConfig(platform_.files);
  if (platform_.log)
    platform_.log->write("support mail: sending to " + config.server.host + ":" +
                         std::to_string(config.server.port));
  mailer_->send(config.server, supportMessage(mailForm_->fields(), config));
}

}  // namespace kobre::app
