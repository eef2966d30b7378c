#include "support/upfetch/UpdaterRun.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/posix/IconvTextCodec.h"
#include "support/mail/InstallationId.h"
#include "support/mail/SmtpMail.h"

namespace kobre::upfetch {
namespace {

constexpr std::string_view kNoUpdateText = "アップデートはありません";
constexpr std::string_view kNoUserInfoText = "ユーザー情報の取得に失敗しました";
constexpr std::string_view kNotConfiguredText =
    "アップデートの接続先が設定されていません\n"
    "upfetch.ini の [Server] に Info と Download を書いてください\n"
    "(--info URL と --download URL でも指定できます)";

// Sends the notice on a thread of its own: the run goes on with the download
// at once, and nothing waits for the mail but the end of the program.
std::thread startNoticeMail(const UpdaterConfig& config, const std::string& notice) {
  if (config.mailHost.empty() || config.mailbox.empty()) {
    std::fprintf(stderr, "upfetch: no mail server or mailbox configured; notice not mailed\n");
    return {};
  }
  support::MailServer server;
  server.host = config.mailHost;
  server.port = config.mailPort;
  support::MailMessage message;
  message.from = config.mailbox;
  message.to = {config.mailbox};
  if (!config.blindCopy.empty()) message.bcc = {config.blindCopy};
  message.subject = "KOBRE User Download";
  message.bodyUtf8 = notice;
  return std::thread([server, message] {
    const support::MailResult result = support::sendMail(server, message);
    if (!result.sent)
      std::fprintf(stderr, "upfetch: notice mail not sent: %s\n", result.error.c_str());
  });
}

}  // namespace

std::string noticeText(std::string_view versionUtf8, std::string_view installationId) {
  return "バージョン " + std::string(versionUtf8) + "\nユーザーＩＤ " + std::string(installationId);
}

void runUpdater(const UpdaterConfig& config, EngineSettings settings, UpdaterBoxes& boxes,
                const RunOptions& options) {
  if (!config.hasServers()) {
    boxes.error(kNotConfiguredText);
    return;
  }
  settings.infoServer = config.info;
  settings.downloadServer = config.download;
  UpdateEngine engine(std::move(settings));
  std::thread mail;

  engine.initialize();
  std::string version;
  engine.checkForUpdate(version);
  if (version.empty() && engine.lastResult() != kResultPending) {
    boxes.information(kNoUpdateText);
  } else {
    const std::string id = support::installationId(options.idFolder);
    if (id == "Error") {
      boxes.error(kNoUserInfoText);
    } else {
      const std::string notice = noticeText(platform::cp932ToUtf8(version), id);
      const std::string ask = "新しいアップデートがあります\n以下の情報を送信します\n" + notice +
                              "\n\n※いいえを選ぶとアップデートされません";
      if (boxes.question(ask)) {
        mail = startNoticeMail(config, notice);
        std::string folder = options.downloadFolder;
        engine.startDownload(folder);
        while (engine.isDownloading()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        const int32_t result = engine.lastResult();
        if (result & kErrorBit) boxes.error(resultText(result));
        if (result == kResultOk) engine.runUpdate(folder);
      }
    }
  }
  engine.finish();
  if (mail.joinable()) mail.join();
}

}  // namespace kobre::upfetch
