#include "support/mail/SmtpMail.h"

#include <curl/curl.h>
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <mutex>

namespace kobre::support {

namespace {

// Bytes a UTF-8 sequence starting with `lead` claims; 1 for a stray byte, so a bad byte is
// skipped alone.
std::size_t utf8Length(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC2) return 2;
  return 1;
}

// An address or subject goes into a header line and the SMTP envelope: printable ASCII only,
// so no field can add a header line or a command of its own.
bool printableAscii(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x20 && u < 0x7F;
  });
}

bool plainAddress(const std::string& address) {
  return !address.empty() && printableAscii(address) &&
         address.find_first_of("<>,; \"") == std::string::npos;
}

std::string joinAddresses(const std::vector<std::string>& list) {
  std::string out;
  for (const auto& a : list) {
    if (!out.empty()) out += ", ";
    out += a;
  }
  return out;
}

std::string dateHeader() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char text[64];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d +0000", kDays[utc.tm_wday],
                utc.tm_mday, kMonths[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min,
                utc.tm_sec);
  return text;
}

void globalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Upload {
  const std::string* data;
  std::size_t offset = 0;
};

std::size_t readUpload(char* buffer, std::size_t size, std::size_t count, void* user) {
  auto* upload = static_cast<Upload*>(user);
  const std::size_t room = size * count;
  const std::size_t left = upload->data->size() - upload->offset;
  const std::size_t n = std::min(room, left);
  std::memcpy(buffer, upload->data->data() + upload->offset, n);
  upload->offset += n;
  return n;
}

}  // namespace

std::string toIso2022Jp(const std::string& utf8) {
  // Line ends first: CR LF, LF and lone CR all become CR LF.
  std::string text;
  text.reserve(utf8.size() + utf8.size() / 16);
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '\r') {
      text += "\r\n";
      if (i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
    } else if (utf8[i] == '\n') {
      text += "\r\n";
    } else {
      text += utf8[i];
    }
  }

  iconv_t cd = iconv_open("ISO-2022-JP", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  std::string out;
  char buffer[1024];
  auto drain = [&](char** in, std::size_t* inLeft) {
    char* dst = buffer;
    std::size_t room = sizeof buffer;
    const std::size_t rc = iconv(cd, in, inLeft, &dst, &room);
    const int error = rc == static_cast<std::size_t>(-1) ? errno : 0;
    out.append(buffer, static_cast<std::size_t>(dst - buffer));
    return error;
  };
  char* in = text.data();
  std::size_t inLeft = text.size();
  while (inLeft > 0) {
    const int error = drain(&in, &inLeft);
    if (error == E2BIG) continue;
    if (error == EILSEQ || error == EINVAL) {
      // The character has no place in the set (or the bytes are not UTF-8): a '?' goes through
      // the converter, so it comes out in the right shift state, and the character is skipped.
      char question[] = "?";
      char* q = question;
      std::size_t qLeft = 1;
      while (qLeft > 0 && drain(&q, &qLeft) == E2BIG) {
      }
      const std::size_t skip = std::min(inLeft, utf8Length(static_cast<unsigned char>(*in)));
      in += skip;
      inLeft -= skip;
      continue;
    }
    if (error != 0) break;
  }
  // Back to ASCII at the end of the text.
  while (drain(nullptr, nullptr) == E2BIG) {
  }
  iconv_close(cd);
  return out;
}

std::string composeMail(const MailMessage& message) {
  if (!plainAddress(message.from) || message.to.empty() || !printableAscii(message.subject))
    return {};
  for (const auto& a : message.to)
    if (!plainAddress(a)) return {};
  for (const auto& a : message.bcc)
    if (!plainAddress(a)) return {};

  std::string mail;
  mail += "Date: " + dateHeader() + "\r\n";
  mail += "From: " + message.from + "\r\n";
  mail += "To: " + joinAddresses(message.to) + "\r\n";
  mail += "Subject: " + message.subject + "\r\n";
  mail += "MIME-Version: 1.0\r\n";
  mail += "Content-Type: text/plain; charset=\"ISO-2022-JP\"\r\n";
  mail += "Content-Transfer-Encoding: 7bit\r\n";
  mail += "X-Mailer: KOBRE\r\n";
  mail += "\r\n";
  mail += toIso2022Jp(message.bodyUtf8);
  if (mail.size() < 2 || mail.compare(mail.size() - 2, 2, "\r\n") != 0) mail += "\r\n";
  return mail;
}

namespace {

int checkCancel(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto* cancel = static_cast<const std::atomic<bool>*>(user);
  return cancel->load() ? 1 : 0;
}

}  // namespace

MailResult sendMail(const MailServer& server, const MailMessage& message) {
  return sendMail(server, message, nullptr);
}

MailResult sendMail(const MailServer& server, const MailMessage& message,
                    const std::atomic<bool>* cancel) {
  MailResult result;
  if (server.host.empty() || !printableAscii(server.host) ||
      server.host.find_first_of("/@?# ") != std::string::npos || server.port <= 0 ||
      server.port > 65535) {
    result.error = "no usable mail host";
    return result;
  }
  const std::string mail = composeMail(message);
  if (mail.empty()) {
    result.error = "the sender, a recipient or the subject cannot go into a mail";
    return result;
  }

  globalInit();
  CURL* curl = curl_easy_init();
  if (!curl) {
    result.error = "libcurl could not start";
    return result;
  }
  curl_slist* recipients = nullptr;
  for (const auto& a : message.to)
    recipients = curl_slist_append(recipients, ("<" + a + ">").c_str());
  for (const auto& a : message.bcc)
    recipients = curl_slist_append(recipients, ("<" + a + ">").c_str());

  // A literal IPv6 address needs brackets in the URL.
  const bool ipv6 = server.host.find(':') != std::string::npos;
  const std::string url = "smtp://" + std::string(ipv6 ? "[" : "") + server.host +
                          (ipv6 ? "]" : "") + ":" + std::to_string(server.port);
  const std::string from = "<" + message.from + ">";
  Upload upload{&mail};
  char errorText[CURL_ERROR_SIZE] = {};

  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "smtp");
  curl_easy_setopt(curl, CURLOPT_MAIL_FROM, from.c_str());
  curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients);
  curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(curl, CURLOPT_READFUNCTION, readUpload);
  curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
  curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(mail.size()));
  // Time-outs bound every step, so a server that accepts and then says nothing cannot hold
  // the caller; no signals, since the caller runs this on a worker thread.
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, std::max(1L, server.connectTimeoutMs));
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, std::max(1L, server.totalTimeoutMs));
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  // The mail goes straight to its host, whatever proxy the environment names.
  curl_easy_setopt(curl, CURLOPT_PROXY, "");
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
  if (cancel != nullptr) {
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, checkCancel);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, cancel);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  }

  const CURLcode code = curl_easy_perform(curl);
  if (code == CURLE_OK) {
    result.sent = true;
  } else {
    result.error = errorText[0] ? errorText : curl_easy_strerror(code);
  }
  curl_slist_free_all(recipients);
  curl_easy_cleanup(curl);
  return result;
}

}  // namespace kobre::support
