#include "support/mail/SmtpMail.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tests/support/mail/LoopbackSmtp.h"

namespace kobre::support {
namespace {

using test::LoopbackSmtp;

std::string fromIso2022Jp(const std::string& bytes) {
  iconv_t cd = iconv_open("UTF-8", "ISO-2022-JP");
  std::string in = bytes;
  std::string out(bytes.size() * 4 + 16, '\0');
  char* src = in.data();
  char* dst = out.data();
  std::size_t inLeft = in.size(), outLeft = out.size();
  const std::size_t rc = iconv(cd, &src, &inLeft, &dst, &outLeft);
  iconv_close(cd);
  if (rc == static_cast<std::size_t>(-1)) return "<undecodable>";
  out.resize(out.size() - outLeft);
  return out;
}

// The header block and body of a received mail.
std::pair<std::string, std::string> splitMail(const std::string& data) {
  const auto blank = data.find("\r\n\r\n");
  if (blank == std::string::npos) return {data, {}};
  return {data.substr(0, blank + 2), data.substr(blank + 4)};
}

MailMessage sampleMessage() {
  MailMessage m;
  m.from = "player@example.org";
  m.to = {"support@example.com"};
  m.bcc = {"archive@example.com"};
  m.subject = "KOBRE support mail";
  m.bodyUtf8 = "お名前：山田\n症状：画面が消える\n.a line starting with a dot\n";
  return m;
}

TEST(SmtpMailTest, MailArrivesWithHeadersJapaneseBodyAndBlindCopyInEnvelopeOnly) {
  LoopbackSmtp server;
  const MailResult result = sendMail({"127.0.0.1", server.port(), 5000, 10000}, sampleMessage());
  ASSERT_TRUE(result.sent) << result.error;

  const auto deliveries = server.deliveries();
  ASSERT_EQ(deliveries.size(), 1u);
  const auto& d = deliveries[0];
  EXPECT_EQ(d.mailFrom, "player@example.org");
  EXPECT_EQ(d.recipients, (std::vector<std::string>{"support@example.com", "archive@example.com"}));

  const auto [headers, body] = splitMail(d.data);
  EXPECT_NE(headers.find("From: player@example.org\r\n"), std::string::npos) << headers;
  EXPECT_NE(headers.find("To: support@example.com\r\n"), std::string::npos) << headers;
  EXPECT_NE(headers.find("Subject: KOBRE support mail\r\n"), std::string::npos) << headers;
  EXPECT_NE(headers.find("Content-Type: text/plain; charset=\"ISO-2022-JP\"\r\n"),
            std::string::npos)
      << headers;
  EXPECT_EQ(headers.find("archive@example.com"), std::string::npos) << headers;
  EXPECT_EQ(headers.find("Bcc"), std::string::npos) << headers;

  // Seven-bit bytes on the wire, decoding back to the text with CR LF line ends.
  for (unsigned char c : body) EXPECT_LT(c, 0x80);
  EXPECT_EQ(fromIso2022Jp(body),
            "お名前：山田\r\n症状：画面が消える\r\n.a line starting with a dot\r\n");
}

TEST(SmtpMailTest, BodyConversionTable) {
  struct Case {
    std::string utf8;
    std::string decoded;
  };
  const Case cases[] = {
      {"plain", "plain"},
      {"a\nb\r\nc\rd", "a\r\nb\r\nc\r\nd"},
      {"日本語", "日本語"},
      {"末尾が漢字", "末尾が漢字"},
      // Characters outside the set, and bytes that are not UTF-8, become '?'.
      {"x\xF0\x9F\x98\x80y", "x?y"},
      {"漢\xFF字", "漢?字"},
      {"", ""},
  };
  for (const auto& c : cases) {
    const std::string iso = toIso2022Jp(c.utf8);
    for (unsigned char b : iso) EXPECT_LT(b, 0x80) << c.utf8;
    EXPECT_EQ(fromIso2022Jp(iso), c.decoded) << c.utf8;
    // Every line of the mail ends in ASCII, so a reader that restarts per line reads it right.
    if (iso.find('\x1b') != std::string::npos) {
      EXPECT_EQ(iso.substr(iso.rfind('\x1b')), "\x1b(B") << c.utf8;
    }
  }
}

TEST(SmtpMailTest, FieldsThatWouldBreakTheMailAreRefusedWithoutConnecting) {
  LoopbackSmtp server;
  const MailServer endpoint{"127.0.0.1", server.port(), 5000, 10000};
  std::vector<MailMessage> bad;
  for (int i = 0; i < 6; ++i) bad.push_back(sampleMessage());
  bad[0].subject = "hello\r\nBcc: victim@example.net";
  bad[1].from = "a@b\r\nRCPT TO:<x@y>";
  bad[2].to = {};
  bad[3].to = {"support@example.com>, <other@example.net"};
  bad[4].bcc = {""};
  bad[5].from = "";
  for (const auto& m : bad) {
    const MailResult r = sendMail(endpoint, m);
    EXPECT_FALSE(r.sent);
    EXPECT_FALSE(r.error.empty());
  }
  EXPECT_EQ(server.connections(), 0);
}

TEST(SmtpMailTest, RejectedRecipientsAndClosedPortAreErrors) {
  {
    LoopbackSmtp server(LoopbackSmtp::Mode::kRejectRecipients);
    const MailResult r = sendMail({"127.0.0.1", server.port(), 5000, 10000}, sampleMessage());
    EXPECT_FALSE(r.sent);
    EXPECT_FALSE(r.error.empty());
    EXPECT_TRUE(server.deliveries().empty());
  }
  int closedPort = 0;
  {
    LoopbackSmtp gone;
    closedPort = gone.port();
  }
  const MailResult r = sendMail({"127.0.0.1", closedPort, 5000, 10000}, sampleMessage());
  EXPECT_FALSE(r.sent);
  EXPECT_FALSE(r.error.empty());
  const MailResult noHost = sendMail({"", 25, 5000, 10000}, sampleMessage());
  EXPECT_FALSE(noHost.sent);
  EXPECT_FALSE(noHost.error.empty());
}

TEST(SmtpMailTest, ServerThatNeverAnswersTimesOut) {
  LoopbackSmtp server(LoopbackSmtp::Mode::kSilent);
  const auto start = std::chrono::steady_clock::now();
  const MailResult r = sendMail({"127.0.0.1", server.port(), 300, 600}, sampleMessage());
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_FALSE(r.sent);
  EXPECT_FALSE(r.error.empty());
  EXPECT_EQ(server.connections(), 1);
  // Not a speed check: only that the time-out, not the server, ended the call.
  EXPECT_LT(took, std::chrono::seconds(20));
}

}  // namespace
}  // namespace kobre::support

namespace kobre::support {
namespace {

TEST(SmtpMailTest, CancelEndsAWaitLongBeforeTheTimeOuts) {
  test::LoopbackSmtp server(test::LoopbackSmtp::Mode::kSilent);
  std::atomic<bool> cancel{false};
  std::thread canceller([&cancel] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    cancel = true;
  });
  const auto start = std::chrono::steady_clock::now();
  const MailResult r =
      sendMail({"127.0.0.1", server.port(), 60000, 120000}, sampleMessage(), &cancel);
  const auto took = std::chrono::steady_clock::now() - start;
  canceller.join();
  EXPECT_FALSE(r.sent);
  EXPECT_FALSE(r.error.empty());
  EXPECT_LT(took, std::chrono::seconds(30));
}

}  // namespace
}  // namespace kobre::support
