#include "app/GameFolder.h"

#include <QDir>
#include <QFileDialog>
#include <filesystem>

namespace kobre::app {

std::string findDemoFolder(const std::string& installedRelative, const std::string& buildFolder) {
  std::error_code ec;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec && !installedRelative.empty()) {
    const std::filesystem::path installed = program.parent_path() / installedRelative;
    if (std::filesystem::is_directory(installed, ec)) return installed.lexically_normal().string();
  }
  if (!buildFolder.empty() && std::filesystem::is_directory(buildFolder, ec)) return buildFolder;
  return {};
}

std::string chooseGameFolder() {
  const QString folder = QFileDialog::getExistingDirectory(
      nullptr, QString::fromUtf8("ゲームフォルダを選んでください (KOBRE)"), QDir::homePath(),
      QFileDialog::ShowDirsOnly);
  return folder.toStdString();
}

}  // namespace kobre::app
