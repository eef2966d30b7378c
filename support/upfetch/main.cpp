// The updater program. On the desktop it shows nothing but its boxes (Qt
// message boxes, caption "upfetch"); with --headless every box is a line on
// stdout and questions take the --answer given.
#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/upfetch/UpdaterConfig.h"
#include "support/upfetch/UpdaterRun.h"

namespace {

using namespace kobre::upfetch;

constexpr const char* kUsage =
    "usage: upfetch [--config FILE] [--info URL] [--download URL] [--mail-host HOST[:PORT]]\n"
    "       upfetch --headless [--answer yes|no] [--config FILE] [--info URL] [--download URL]\n"
    "               [--mail-host HOST[:PORT]]\n";

class HeadlessBoxes : public UpdaterBoxes {
 public:
  explicit HeadlessBoxes(bool yes) : yes_(yes) {}
  void information(std::string_view text) override { print(text); }
  void error(std::string_view text) override { print(text); }
  bool question(std::string_view text) override {
    print(text);
    return yes_;
  }

 private:
  static void print(std::string_view text) {
    std::string line = "BOX\t" + std::string(kCaption) + "\t";
    for (char c : text) {
      if (c == '\n')
        line += "\\n";
      else
        line += c;
    }
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
  }
  bool yes_;
};

class DesktopBoxes : public UpdaterBoxes {
 public:
  void information(std::string_view text) override {
    QMessageBox::information(nullptr, caption(), qtext(text));
  }
  void error(std::string_view text) override {
    QMessageBox::critical(nullptr, caption(), qtext(text));
  }
  bool question(std::string_view text) override {
    return QMessageBox::question(nullptr, caption(), qtext(text),
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
  }

 private:
  static QString caption() { return QString::fromUtf8(kCaption.data(), kCaption.size()); }
  static QString qtext(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  }
};

int usageError(const std::string& why) {
  std::fprintf(stderr, "upfetch: %s\n%s", why.c_str(), kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  bool headless = false;
  bool yes = false;
  std::string configPath;
  std::string info, download, mailHost;
  bool haveInfo = false, haveDownload = false, haveMailHost = false;

  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    if (arg == "--help") {
      std::printf("%s", kUsage);
      return 0;
    } else if (arg == "--headless") {
      headless = true;
    } else if (arg == "--answer") {
      std::string answer;
      if (!value(answer) || (answer != "yes" && answer != "no"))
        return usageError("--answer takes yes or no");
      yes = answer == "yes";
    } else if (arg == "--config") {
      if (!value(configPath)) return usageError("--config needs a file");
    } else if (arg == "--info") {
      if (!(haveInfo = value(info))) return usageError("--info needs a URL");
    } else if (arg == "--download") {
      if (!(haveDownload = value(download))) return usageError("--download needs a URL");
    } else if (arg == "--mail-host") {
      if (!(haveMailHost = value(mailHost))) return usageError("--mail-host needs HOST[:PORT]");
    } else {
      return usageError("unknown argument " + arg);
    }
  }

  UpdaterConfig config;
  {
    std::ifstream in(configPath.empty() ? defaultConfigPath() : configPath, std::ios::binary);
    if (!in && !configPath.empty()) return usageError("cannot read " + configPath);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    readConfig({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, config);
  }
  if (haveInfo) config.info = info;
  if (haveDownload) config.download = download;
  if (haveMailHost && !parseMailHost(mailHost, config.mailHost, config.mailPort))
    return usageError("--mail-host takes HOST[:PORT]");

  EngineSettings settings;
  settings.dataFile = EngineSettings::defaultDataFile();
  settings.lockPath = EngineSettings::defaultLockPath();

  if (headless) {
    HeadlessBoxes boxes(yes);
    runUpdater(config, settings, boxes);
    return 0;
  }
  QApplication app(argc, argv);
  DesktopBoxes boxes;
  runUpdater(config, settings, boxes);
  return 0;
}
