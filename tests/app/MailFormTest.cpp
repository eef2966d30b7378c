// The support mail: the form's checks, body and stored keys, the machine's
// facts, and the mail as a loopback SMTP server started here receives it.
#include <gtest/gtest.h>
#include <iconv.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <regex>
#include <thread>

#include "app/DesktopMenuDialogs.h"
#include "app/SupportMail.h"
#include "app/TMailForm.h"
#include "app/TMainForm.h"
#include "platform/headless/HeadlessPlatform.h"
#include "support/mail/InstallationId.h"
#include "tests/app/FrameFixture.h"
#include "tests/platform/qt/DesktopTestApp.h"
#include "tests/storage/TempFolder.h"
#include "tests/support/mail/LoopbackSmtp.h"

namespace kobre::app {
namespace {

using kobre::testing::TempFolder;
using test::LoopbackSmtp;

MailFields completeFields() {
  MailFields f;
  f.seihin = "ソラノワ　復刻版";
  f.version = "KOBRE ver 1.32";
  f.user = "1234-5678-9ABC-DEF0";
  f.name = "山田 太郎";
  f.mail = "taro@example.org";
  f.maker = "メーカー";
  f.machine = "XY-100";
  f.graphic = "GPU 9";
  f.sound = "オンボード";
  f.os = "6.1.0 Linux";
  f.winDir = "/";
  f.freeSpace = "1024 MB";
  f.cpu = "GenuineIntel";
  f.sig = "0.6.5.3 MMX";
  f.memory = "8192 MB";
  f.inst = "/games/kobre";
  f.drive = "/HDD ";
  f.memo = "画面が消える\n二行目";
  return f;
}

TEST(MailChecks, EmptyFieldsInOrderThenTheAddress) {
  struct Case {
    std::string MailFields::*field;
    const char* message;
  } cases[] = {
      {&MailFields::name, "お客様のお名前を入れて下さい"},
      {&MailFields::mail, "お客様のメールアドレスを入れて下さい"},
      {&MailFields::maker, "マシンのメーカー名を入れて下さい"},
      {&MailFields::machine, "マシンの型番を入れて下さい"},
      {&MailFields::graphic, "グラフィックカードの名前を入れて下さい"},
      {&MailFields::sound, "サウンドカードの名前を入れて下さい"},
      {&MailFields::memo, "不具合状況を入れて下さい"},
  };
  // Emptying a field and every one after it: the first one's message wins.
  for (size_t i = 0; i < std::size(cases); ++i) {
    MailFields f = completeFields();
    for (size_t j = i; j < std::size(cases); ++j) f.*cases[j].field = "";
    EXPECT_EQ(checkMailFields(f), cases[i].message);
  }
  MailFields blanks = completeFields();
  blanks.name = " ";
  blanks.memo = "　 ";
  EXPECT_EQ(checkMailFields(blanks), "");

  const std::string bad = "メールアドレスに使用できない文字が含まれています";
  for (const char* address :
       {"ｔａｒｏ@example.org", "taro @example.org", "taro,x@example.org", "\"taro\"@example.org",
        "taro\\x@example.org", "taro\x7f@x", "taro\t@x", "taro\r\nBcc: x@y"}) {
    MailFields f = completeFields();
    f.mail = address;
    EXPECT_EQ(checkMailFields(f), bad) << address;
  }
  for (const char* address : {"taro@example.org", "no-at-sign", "a<b>@@c", "x"}) {
    MailFields f = completeFields();
    f.mail = address;
    EXPECT_EQ(checkMailFields(f), "") << address;
  }
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find('\n', start);
    out.push_back(text.substr(start, end - start));
    if (end == std::string::npos) return out;
    start = end + 1;
  }
}

TEST(MailBody, EighteenLabelledLinesThenTheProblem) {
  const std::vector<std::string> expected = {
      "　　　　製品名　ソラノワ　復刻版",
      "製品バージョン　KOBRE ver 1.32",
      "　ユーザーＩＤ　1234-5678-9ABC-DEF0",
      "お客様のお名前　山田 太郎",
      "メールアドレス　taro@example.org",
      "　　メーカー名　メーカー",
      "　　マシン型番　XY-100",
      "　グラフィック　GPU 9",
      "サウンドカード　オンボード",
      "ＯＳバージョン　6.1.0 Linux",
      "Ｗｉｎフォルダ　/",
      "　　　空き容量　1024 MB",
      "　　　　ＣＰＵ　GenuineIntel",
      "　　シグネチャ　0.6.5.3 MMX",
      "　　　　メモリ　8192 MB",
      "インストール先　/games/kobre",
      "　　　ドライブ　/HDD ",
      "",
      "",
      "不具合状況",
      "画面が消える",
      "二行目",
  };
  EXPECT_EQ(lines(mailBody(completeFields())), expected);
}

TEST(MachineFacts, PiecesAndTheWhole) {
  EXPECT_EQ(osVersionText("6.1.0-18-amd64", "Linux"), "6.1.0 Linux");
  EXPECT_EQ(osVersionText("5.10", "Linux"), "5.10.0 Linux");
  EXPECT_EQ(osVersionText("7", "Linux"), "7.0.0 Linux");
  EXPECT_EQ(osVersionText("unknown", "Linux"), "Error");
  EXPECT_EQ(osVersionText("", "Linux"), "Error");

  ProcessorInfo p;
  p.processorType = 0;
  p.family = 6;
  p.model = 0xE;
  p.stepping = 3;
  EXPECT_EQ(processorSignature(p, true), "0.6.E.3 MMX");
  EXPECT_EQ(processorSignature(p, false), "0.6.E.3 NoMMX");
  EXPECT_EQ(megabytesText(3u << 20), "3 MB");
  EXPECT_EQ(megabytesText((1u << 20) - 1), "0 MB");

  struct Case {
    const char* mounts;
    const char* drives;
  } cases[] = {
      {"/dev/sda1 / ext4 rw 0 0\n", "/HDD "},
      {"/dev/sda1 / ext4 rw 0 0\nproc /proc proc rw 0 0\ntmpfs /tmp tmpfs rw 0 0\n"
       "/dev/sr0 /media/cdrom0 iso9660 ro 0 0\n",
       "/HDD /media/cdrom0/CD "},
      {"overlay / overlay rw 0 0\n/dev/loop3 /snap/x squashfs ro 0 0\n", ""},
      {"/dev/nvme0n1p2 / btrfs rw 0 0\n/dev/nvme0n1p2 /home btrfs rw 0 0\n"
       "/dev/sdb1 /media/My\\040Disc udf ro 0 0\n",
       "/HDD /media/My Disc/CD "},
      {"", ""},
      {"garbage\n", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(driveList(c.mounts), c.drives) << c.mounts;

  ProcessorInfo probe;
  probe.hasCpuid = 1;
  std::memcpy(probe.vendor, "VendorString", 12);
  MailFields f;
  fillMachineFacts(f, probe, false, "/games/here");
  EXPECT_EQ(f.seihin, "ソラノワ　復刻版");
  EXPECT_EQ(f.version, "KOBRE ver 1.32");
  EXPECT_EQ(f.user, support::installationId("/"));
  EXPECT_EQ(f.winDir, "/");
  EXPECT_EQ(f.cpu, "VendorString");
  EXPECT_EQ(f.sig, "0.0.0.0 NoMMX");
  EXPECT_EQ(f.inst, "/games/here");
  const std::regex megabytes("[0-9]+ MB");
  EXPECT_TRUE(std::regex_match(f.freeSpace, megabytes)) << f.freeSpace;
  EXPECT_TRUE(std::regex_match(f.memory, megabytes)) << f.memory;
  EXPECT_NE(f.os, "");
  ProcessorInfo none;
  fillMachineFacts(f, none, false, "/");
  EXPECT_EQ(f.cpu, "");
}

std::string fromIso2022Jp(const std::string& bytes) {
  iconv_t cd = iconv_open("UTF-8", "ISO-2022-JP");
  std::string in = bytes, out(bytes.size() * 4 + 16, '\0');
  char* src = in.data();
  char* dst = out.data();
  size_t inLeft = in.size(), outLeft = out.size();
  const size_t rc = iconv(cd, &src, &inLeft, &dst, &outLeft);
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1)) return "<undecodable>";
  out.resize(out.size() - outLeft);
  return out;
}

// Runs the event loop until done() or the limit; false when the limit came first.
bool processUntil(const std::function<bool()>& done, int limitMs = 15000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > limitMs) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

struct MailFormTest : ::testing::Test {
  MailFormTest() { test::desktopApp(); }

  std::string settings() const {
    auto bytes = folder.read("KOBRE.ini");
    return std::string(bytes.begin(), bytes.end());
  }
  void fill(TMailForm& form) {
    form.EdName->setText(QStringLiteral("山田"));
    form.EdMail->setText(QStringLiteral("taro@example.org"));
    form.EdMaker->setText(QStringLiteral("Maker"));
    form.EdMachine->setText(QStringLiteral("M-1"));
    form.EdGraphic->setText(QStringLiteral("G"));
    form.EdSound->setText(QStringLiteral("S"));
    form.Memo->setPlainText(QStringLiteral("止まる"));
  }

  TempFolder folder;
  platform::headless::HeadlessPlatform headless{folder.str()};
};

TEST_F(MailFormTest, KeysAreReadOnShowAndWrittenOnSendAndCancelOnly) {
  // "山田" in CP932, and a section of someone else's that must stay.
  folder.write("KOBRE.ini",
               "[Other]\r\nKeep=1\r\n[Support]\r\nName=\x8e\x52\x93\x63\r\nMail=a@b\r\n");
  TMailForm form(&headless.files, &headless.text);
  std::vector<std::string> errors;
  form.showError = [&errors](const std::string& m) { errors.push_back(m); };
  form.fillFacts = [](MailFields& f) {
    f.seihin = "product";
    f.user = "ID";
  };
  form.FormShow();
  EXPECT_EQ(form.EdName->text(), QStringLiteral("山田"));
  EXPECT_EQ(form.EdMail->text(), QStringLiteral("a@b"));
  EXPECT_EQ(form.EdMaker->text(), QString());
  EXPECT_EQ(form.EdSeihin->text(), QStringLiteral("product"));
  EXPECT_TRUE(form.EdUser->isReadOnly());
  EXPECT_EQ(form.EdUser->focusPolicy(), Qt::ClickFocus);
  EXPECT_FALSE(form.EdName->isReadOnly());

  // A failed check: its message, the form stays, nothing is written.
  const std::string before = settings();
  form.BtSendClick();
  EXPECT_EQ(errors, (std::vector<std::string>{"マシンのメーカー名を入れて下さい"}));
  EXPECT_EQ(settings(), before);
  EXPECT_EQ(form.result(), 0);

  fill(form);
  form.EdName->setText(QStringLiteral("鈴木"));
  form.BtSendClick();
  EXPECT_EQ(form.result(), QDialog::Accepted);
  std::string text = settings();
  EXPECT_NE(text.find("Keep=1"), std::string::npos) << text;
  EXPECT_NE(text.find("Name=\x97\xe9\x96\xd8"), std::string::npos) << text;  // 鈴木
  EXPECT_NE(text.find("Machine=M-1"), std::string::npos) << text;
  EXPECT_EQ(lines(form.body())[3], "お客様のお名前　鈴木");
  EXPECT_EQ(lines(form.body()).back(), "止まる");

  // Cancel stores what was typed, whatever it is.
  form.EdMail->setText(QStringLiteral("bad address"));
  form.EdSound->setText(QString());
  form.BtCancelClick();
  EXPECT_EQ(form.result(), QDialog::Rejected);
  text = settings();
  EXPECT_NE(text.find("Mail=bad address"), std::string::npos) << text;
  EXPECT_NE(text.find("Sound=\r\n"), std::string::npos) << text;
}

struct MailSendTest : MailFormTest {
  void configure(int port) {
    folder.write("KOBRE.ini", "[Support]\r\nHost=127.0.0.1\r\nPort=" + std::to_string(port) +
                                  "\r\nTo=support@example.com\r\nBcc=copy@example.com\r\n");
  }
  // Answers the form as soon as it is up: filled and sent, or cancelled.
  void answerForm(DesktopMenuDialogs& dialogs, bool send) {
    QTimer::singleShot(0, [this, &dialogs, send] {
      TMailForm& form = dialogs.mailForm();
      if (send) {
        fill(form);
        form.BtSend->click();
      } else {
        form.BtCancel->click();
      }
    });
  }
  // The menu command returns without waiting for the mail.
  void runCommand(DesktopMenuDialogs& dialogs) {
    const auto start = std::chrono::steady_clock::now();
    dialogs.supportMail();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  }

  TMainForm window;
  kobre::testing::FakeEngine engine{headless.platform()};
};

TEST_F(MailSendTest, SentMailArrivesWithItsHeadersBodyAndBlindCopy) {
  LoopbackSmtp server;
  configure(server.port());
  DesktopMenuDialogs dialogs(window, headless.platform(), engine, folder.str());
  answerForm(dialogs, true);
  runCommand(dialogs);
  ASSERT_TRUE(processUntil([&] { return !headless.host.boxes().empty(); }))
      << (headless.log.lines().empty() ? "" : headless.log.lines().back());
  const auto& box = headless.host.boxes()[0].spec;
  EXPECT_EQ(box.caption, "KOBRE ver 1.32");
  EXPECT_EQ(box.text, "送信完了しました");
  EXPECT_EQ(box.icon, platform::BoxIcon::Information);

  const auto deliveries = server.deliveries();
  ASSERT_EQ(deliveries.size(), 1u);
  const auto& d = deliveries[0];
  EXPECT_EQ(d.mailFrom, "taro@example.org");
  EXPECT_EQ(d.recipients, (std::vector<std::string>{"support@example.com", "copy@example.com"}));
  const size_t blank = d.data.find("\r\n\r\n");
  ASSERT_NE(blank, std::string::npos);
  const std::string headers = d.data.substr(0, blank + 2);
  EXPECT_NE(headers.find("Subject: KOBRE support mail\r\n"), std::string::npos) << headers;
  EXPECT_NE(headers.find("From: taro@example.org\r\n"), std::string::npos) << headers;
  EXPECT_NE(headers.find("To: support@example.com\r\n"), std::string::npos) << headers;
  EXPECT_NE(headers.find("charset=\"ISO-2022-JP\""), std::string::npos) << headers;
  EXPECT_EQ(headers.find("copy@example.com"), std::string::npos) << headers;
  const std::string body = fromIso2022Jp(d.data.substr(blank + 4));
  for (const char* piece : {"　　　　製品名　ソラノワ　復刻版\r\n", "お客様のお名前　山田\r\n",
                            "メールアドレス　taro@example.org\r\n", "　　マシン型番　M-1\r\n",
                            "Ｗｉｎフォルダ　/\r\n", "\r\n\r\n不具合状況\r\n止まる"}) {
    EXPECT_NE(body.find(piece), std::string::npos) << piece << "\n" << body;
  }
  const std::string user = "　ユーザーＩＤ　" + support::installationId("/") + "\r\n";
  EXPECT_NE(body.find(user), std::string::npos) << body;
}

TEST_F(MailSendTest, CancelledFormOpensNoConnection) {
  LoopbackSmtp server;
  configure(server.port());
  DesktopMenuDialogs dialogs(window, headless.platform(), engine, folder.str());
  answerForm(dialogs, false);
  runCommand(dialogs);
  processUntil([] { return false; }, 300);
  EXPECT_EQ(server.connections(), 0);
  EXPECT_EQ(dialogs.mailer().pending(), 0);
  EXPECT_TRUE(headless.host.boxes().empty());
}

TEST_F(MailSendTest, RefusedMailIsLoggedWithoutABox) {
  LoopbackSmtp server(LoopbackSmtp::Mode::kRejectRecipients);
  configure(server.port());
  DesktopMenuDialogs dialogs(window, headless.platform(), engine, folder.str());
  answerForm(dialogs, true);
  runCommand(dialogs);
  auto logged = [this] {
    for (const auto& line : headless.log.lines())
      if (line.rfind("support mail not sent: ", 0) == 0) return true;
    return false;
  };
  ASSERT_TRUE(processUntil(logged));
  EXPECT_EQ(server.connections(), 1);
  EXPECT_TRUE(headless.host.boxes().empty());
}

TEST_F(MailSendTest, SilentServerTimesOutWhileTheWindowKeepsRunning) {
  LoopbackSmtp server(LoopbackSmtp::Mode::kSilent);
  std::vector<support::MailResult> results;
  SupportMailer mailer(
      [](std::function<void()> fn) {
        QMetaObject::invokeMethod(qApp, std::move(fn), Qt::QueuedConnection);
      },
      [&results](const support::MailResult& r) { results.push_back(r); });
  int ticks = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
  ticker.start(10);
  const auto start = std::chrono::steady_clock::now();
  mailer.send({"127.0.0.1", server.port(), 400, 800},
              supportMessage(completeFields(), SupportMailConfig{{}, "s@example.com", ""}));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  ASSERT_TRUE(processUntil([&] { return !results.empty(); }));
  EXPECT_FALSE(results[0].sent);
  EXPECT_FALSE(results[0].error.empty());
  EXPECT_EQ(server.connections(), 1);
  // The event loop ran all the while the mail waited on the server.
  EXPECT_GT(ticks, 5);
}

}  // namespace
}  // namespace kobre::app
