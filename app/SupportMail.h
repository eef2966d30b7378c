// The support mail's logic without widgets: what the mail form shows about
// the machine, its checks, the mail body, the "Support" keys of the settings
// file, where the mail goes, and sending it on a worker thread.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "graphics/Blend.h"
#include "platform/Platform.h"
#include "support/mail/SmtpMail.h"

namespace kobre::app {

inline constexpr std::string_view kMailFormCaption = "メール送信";
inline constexpr std::string_view kProductName = "ソラノワ　復刻版";
inline constexpr std::string_view kMailSubject = "KOBRE support mail";
inline constexpr std::string_view kMailSent = "送信完了しました";
inline constexpr std::string_view kBadAddress = "メールアドレスに使用できない文字が含まれています";
inline constexpr std::string_view kSupportSection = "Support";

// Every field of the mail form, UTF-8.
struct MailFields {
  std::string seihin, version, user;                          // product, version, user ID
  std::string name, mail, maker, machine, graphic, sound;     // typed, kept in the settings
  std::string os, winDir, freeSpace, cpu, sig, memory, inst;  // the machine's facts
  std::string drive;
  std::string memo;  // the problem as typed
};

// The read-only fields: product, version, user ID and the machine's facts.
// gameFolder is the host path of the program's folder.
void fillMachineFacts(MailFields& fields, const ProcessorInfo& processor, bool useMmx,
                      const std::string& gameFolder);

// The pieces of the machine's facts, for tests.
// "MAJOR.MINOR.PATCH SYSTEM" from uname's release and system name; "Error" when unreadable.
std::string osVersionText(std::string_view release, std::string_view system);
std::string osVersionText();
// "%X.%X.%X.%X MMX" (or "NoMMX") of type, family, model and stepping.
std::string processorSignature(const ProcessorInfo& processor, bool useMmx);
// The mounted fixed disks and optical drives of a /proc/mounts text: each
// mount point (ending in "/") followed by "HDD " or "CD ", without separator.
std::string driveList(std::string_view mounts);
// Megabytes (bytes >> 20) followed by " MB".
std::string megabytesText(uint64_t bytes);

// The first failed check's message, empty when every check passes: the seven
// fields that must not be empty, then the address's characters.
std::string checkMailFields(const MailFields& fields);
// The mail's text: eighteen labelled lines, two empty ones, the heading and
// the problem as typed. Lines end in "\n".
std::string mailBody(const MailFields& fields);

// The six typed fields from and to the settings file's "Support" section
// (CP932 there). Writing keeps every other line of the file.
void readSupportKeys(platform::FileSystem* files, platform::TextCodec* text, MailFields& fields);
bool writeSupportKeys(platform::FileSystem* files, platform::TextCodec* text,
                      const MailFields& fields);

// Where the mail goes: "Support" keys Host, Port, To and Bcc of the settings
// file, else the defaults the program was built with.
struct SupportMailConfig {
  support::MailServer server;
  std::string to;
  std::string bcc;
};
SupportMailConfig readSupportMailConfig(platform::FileSystem* files);
support::MailMessage supportMessage(const MailFields& fields, const SupportMailConfig& config);

// Sends mails on worker threads so the window never waits. `post` hands a
// function to the user-interface thread; `done` runs there with each result.
// Destruction cancels what is still being sent and waits for the workers.
class SupportMailer {
 public:
  using Post = std::function<void(std::function<void()>)>;
  using Done = std::function<void(const support::MailResult&)>;
  SupportMailer(Post post, Done done) : post_(std::move(post)), done_(std::move(done)) {}
  ~SupportMailer();
  SupportMailer(const SupportMailer&) = delete;
  SupportMailer& operator=(const SupportMailer&) = delete;

  // Returns at once; the mail goes out on its own thread.
  void send(const support::MailServer& server, const support::MailMessage& message);
  // Mails not yet finished.
  int pending() const { return pending_; }

 private:
  Post post_;
  Done done_;
  std::atomic<bool> cancel_{false};
  std::atomic<int> pending_{0};
  std::mutex mutex_;
  std::vector<std::thread> workers_;
};

}  // namespace kobre::app
