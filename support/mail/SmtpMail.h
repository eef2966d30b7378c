#pragma once

#include <atomic>
#include <string>
#include <vector>

namespace kobre::support {

struct MailServer {
  std::string host;
  int port = 25;
  long connectTimeoutMs = 10000;
  long totalTimeoutMs = 30000;
};

struct MailMessage {
  std::string from;              // the sender's address
  std::vector<std::string> to;   // header To and envelope recipients
  std::vector<std::string> bcc;  // envelope recipients only, never in the headers
  std::string subject;           // ASCII
  std::string bodyUtf8;          // converted to ISO-2022-JP, labelled charset="ISO-2022-JP"
};

struct MailResult {
  bool sent = false;
  std::string error;
};

// Blocking: sends over SMTP with libcurl. Callers run it off the user-interface thread.
MailResult sendMail(const MailServer& server, const MailMessage& message);
// The same; setting *cancel from another thread ends the attempt within about a second
// (a program that quits does not wait for the time-outs).
MailResult sendMail(const MailServer& server, const MailMessage& message,
                    const std::atomic<bool>* cancel);

// The parts of sendMail that need no network, for callers and tests.
// UTF-8 to ISO-2022-JP; characters the set lacks (and broken UTF-8) become '?'. Line ends become
// CR LF.
std::string toIso2022Jp(const std::string& utf8);
// The whole message as sent after DATA: headers (no Bcc), a blank line and the converted body.
// Empty when a field would break the message (line breaks or non-ASCII in the subject or an
// address), which sendMail reports as an error without connecting.
std::string composeMail(const MailMessage& message);

}  // namespace kobre::support
