#include "app/SupportMail.h"

#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "app/frame/MainFrame.h"
#include "app/frame/SettingsFile.h"
#include "support/mail/InstallationId.h"

// Where support mail goes unless the settings file says otherwise; a build
// sets its own with -DKOBRE_SUPPORT_MAIL_HOST=... and the like.
#ifndef KOBRE_SUPPORT_MAIL_HOST
#define KOBRE_SUPPORT_MAIL_HOST "localhost"
#endif
#ifndef KOBRE_SUPPORT_MAIL_PORT
#define KOBRE_SUPPORT_MAIL_PORT 25
#endif
#ifndef KOBRE_SUPPORT_MAIL_TO
#define KOBRE_SUPPORT_MAIL_TO "kobre-support@localhost"
#endif
#ifndef KOBRE_SUPPORT_MAIL_BCC
#define KOBRE_SUPPORT_MAIL_BCC "kobre-support-copy@localhost"
#endif

namespace kobre::app {

namespace {

// The typed fields kept in the settings file, in the file's order.
struct SupportKey {
  const char* key;
  std::string MailFields::*field;
};
constexpr SupportKey kSupportKeys[] = {
    {"Name", &MailFields::name},       {"Mail", &MailFields::mail},
    {"Maker", &MailFields::maker},     {"Machine", &MailFields::machine},
    {"Graphic", &MailFields::graphic}, {"Sound", &MailFields::sound},
};

struct BodyLine {
  const char* label;
  std::string MailFields::*field;
};
constexpr BodyLine kBodyLines[] = {
    {"　　　　製品名　", &MailFields::seihin},  {"製品バージョン　", &MailFields::version},
    {"　ユーザーＩＤ　", &MailFields::user},    {"お客様のお名前　", &MailFields::name},
    {"メールアドレス　", &MailFields::mail},    {"　　メーカー名　", &MailFields::maker},
    {"　　マシン型番　", &MailFields::machine}, {"　グラフィック　", &MailFields::graphic},
    {"サウンドカード　", &MailFields::sound},   {"ＯＳバージョン　", &MailFields::os},
    {"Ｗｉｎフォルダ　", &MailFields::winDir},  {"　　　空き容量　", &MailFields::freeSpace},
    {"　　　　ＣＰＵ　", &MailFields::cpu},     {"　　シグネチャ　", &MailFields::sig},
    {"　　　　メモリ　", &MailFields::memory},  {"インストール先　", &MailFields::inst},
    {"　　　ドライブ　", &MailFields::drive},
};

struct Check {
  std::string MailFields::*field;
  const char* message;
};
constexpr Check kEmptyChecks[] = {
    {&MailFields::name, "お客様のお名前を入れて下さい"},
    {&MailFields::mail, "お客様のメールアドレスを入れて下さい"},
    {&MailFields::maker, "マシンのメーカー名を入れて下さい"},
    {&MailFields::machine, "マシンの型番を入れて下さい"},
    {&MailFields::graphic, "グラフィックカードの名前を入れて下さい"},
    {&MailFields::sound, "サウンドカードの名前を入れて下さい"},
    {&MailFields::memo, "不具合状況を入れて下さい"},
};

// "/proc/mounts" writes blanks and the like in paths as \ooo.
std::string decodeMountPath(std::string_view path) {
  std::string out;
  for (size_t i = 0; i < path.size(); ++i) {
    auto octal = [&](size_t k) { return path[k] >= '0' && path[k] <= '7'; };
    if (path[i] == '\\' && i + 3 < path.size() && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
      out += static_cast<char>((path[i + 1] - '0') * 64 + (path[i + 2] - '0') * 8 +
                               (path[i + 3] - '0'));
      i += 3;
    } else {
      out += path[i];
    }
  }
  return out;
}

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

std::string readTextFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

std::string osVersionText(std::string_view release, std::string_view system) {
  // The release's leading numbers: "6.1.0-18-amd64" is 6.1.0.
  int parts[3] = {0, 0, 0};
  if (release.empty()) return "Error";
  const char* p = release.data();
  const char* end = release.data() + release.size();
  for (int i = 0; i < 3 && p < end; ++i) {
    auto [next, ec] = std::from_chars(p, end, parts[i]);
    if (ec != std::errc()) {
      if (i == 0) return "Error";
      break;
    }
    p = next;
    if (p >= end || *p != '.') break;
    ++p;
  }
  char text[64];
  std::snprintf(text, sizeof text, "%d.%d.%d ", parts[0], parts[1], parts[2]);
  return text + std::string(system);
}

std::string osVersionText() {
  struct utsname name {};
  if (::uname(&name) != 0) return "Error";
  return osVersionText(name.release, name.sysname);
}

std::string processorSignature(const ProcessorInfo& processor, bool useMmx) {
  char text[64];
  std::snprintf(text, sizeof text, "%X.%X.%X.%X %s", processor.processorType & 0xF,
                processor.family & 0xF, processor.model & 0xF, processor.stepping & 0xF,
                useMmx ? "MMX" : "NoMMX");
  return text;
}

std::string driveList(std::string_view mounts) {
  std::string out;
  std::set<std::string> devicesSeen;
  std::istringstream in{std::string(mounts)};
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string device, mountPoint, type;
    if (!(words >> device >> mountPoint >> type)) continue;
    const bool optical = type == "iso9660" || type == "udf" || startsWith(device, "/dev/sr") ||
                         startsWith(device, "/dev/cdrom") || startsWith(device, "/dev/dvd");
    // A fixed disk is a block device of its own; loop devices (mounted
    // images, snaps) are not disks. A device mounted twice counts once.
    const bool disk = !optical && startsWith(device, "/dev/") && !startsWith(device, "/dev/loop");
    if (!optical && !disk) continue;
    if (!devicesSeen.insert(device).second) continue;
    std::string root = decodeMountPath(mountPoint);
    if (root.empty() || root.back() != '/') root += '/';
    out += root;
    out += optical ? "CD " : "HDD ";
  }
  return out;
}

std::string megabytesText(uint64_t bytes) {
  return std::to_string(bytes >> 20) + " MB";
}

void fillMachineFacts(MailFields& fields, const ProcessorInfo& processor, bool useMmx,
                      const std::string& gameFolder) {
  fields.seihin = std::string(kProductName);
  fields.version = std::string(frame::kFrameCaption);
  fields.user = support::installationId("/");
  fields.os = osVersionText();
  // The system folder of this platform is the root.
  fields.winDir = "/";
  struct statvfs root {};
  fields.freeSpace = ::statvfs("/", &root) == 0
                         ? megabytesText(static_cast<uint64_t>(root.f_bavail) * root.f_frsize)
                         : "Error";
  fields.cpu = processor.hasCpuid ? std::string(processor.vendor, strnlen(processor.vendor, 12))
                                  : std::string();
  fields.sig = processorSignature(processor, useMmx);
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long pageSize = ::sysconf(_SC_PAGE_SIZE);
  fields.memory =
      pages > 0 && pageSize > 0
          ? megabytesText(static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize))
          : "Error";
  fields.inst = gameFolder;
  fields.drive = driveList(readTextFile("/proc/mounts"));
}

std::string checkMailFields(const MailFields& fields) {
  for (const Check& check : kEmptyChecks)
    if ((fields.*check.field).empty()) return check.message;
  for (char c : fields.mail) {
    const auto b = static_cast<unsigned char>(c);
    // Control characters too: the address goes into a header line and the
    // mail's envelope, where a line break would start a line of its own.
    if (b < 0x20 || b == ' ' || b == '"' || b == ',' || b == '\\' || b >= 0x7F)
      return std::string(kBadAddress);
  }
  return {};
}

std::string mailBody(const MailFields& fields) {
  std::string body;
  for (const BodyLine& line : kBodyLines) {
    body += line.label;
    body += fields.*line.field;
    body += '\n';
  }
  body += "\n\n不具合状況\n";
  body += fields.memo;
  return body;
}

void readSupportKeys(platform::FileSystem* files, platform::TextCodec* text, MailFields& fields) {
  frame::ProfileFile file;
  frame::loadSettingsFile(files, file);
  for (const SupportKey& key : kSupportKeys) {
    const std::string value = file.readString(kSupportSection, key.key, "");
    fields.*key.field = text ? text->toUtf8(value) : value;
  }
}

bool writeSupportKeys(platform::FileSystem* files, platform::TextCodec* text,
                      const MailFields& fields) {
  frame::ProfileFile file;
  frame::loadSettingsFile(files, file);
  for (const SupportKey& key : kSupportKeys) {
    const std::string& value = fields.*key.field;
    file.writeString(kSupportSection, key.key, text ? text->toCp932(value) : value);
  }
  return frame::saveSettingsFile(files, file);
}

SupportMailConfig readSupportMailConfig(platform::FileSystem* files) {
  frame::ProfileFile file;
  frame::loadSettingsFile(files, file);
  SupportMailConfig config;
  config.server.host = file.readString(kSupportSection, "Host", KOBRE_SUPPORT_MAIL_HOST);
  config.server.port = file.readInteger(kSupportSection, "Port", KOBRE_SUPPORT_MAIL_PORT);
  config.to = file.readString(kSupportSection, "To", KOBRE_SUPPORT_MAIL_TO);
  config.bcc = file.readString(kSupportSection, "Bcc", KOBRE_SUPPORT_MAIL_BCC);
  return config;
}

support::MailMessage supportMessage(const MailFields& fields, const SupportMailConfig& config) {
  support::MailMessage message;
  message.from = fields.mail;
  if (!config.to.empty()) message.to.push_back(config.to);
  if (!config.bcc.empty()) message.bcc.push_back(config.bcc);
  message.subject = std::string(kMailSubject);
  message.bodyUtf8 = mailBody(fields);
  return message;
}

SupportMailer::~SupportMailer() {
  cancel_ = true;
  std::lock_guard lock(mutex_);
  for (std::thread& worker : workers_)
    if (worker.joinable()) worker.join();
}

void SupportMailer::send(const support::MailServer& server, const support::MailMessage& message) {
  ++pending_;
  std::lock_guard lock(mutex_);
  workers_.emplace_back([this, server, message] {
    support::MailResult result = support::sendMail(server, message, &cancel_);
    if (!cancel_) {
      // The result is handed over; the user-interface thread runs `done`.
      post_([done = done_, result] { done(result); });
    }
    --pending_;
  });
}

}  // namespace kobre::app
