#include "support/upfetch/WebClient.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kobre::upfetch {
namespace {

constexpr std::string_view kPrefix = "http://";

bool waitFor(int fd, short events, int timeoutMs) {
  pollfd p{fd, events, 0};
  for (;;) {
    const int r = ::poll(&p, 1, timeoutMs);
    if (r > 0) return true;
    if (r == 0) return false;
    if (errno != EINTR) return false;
  }
}

}  // namespace

WebClient::WebClient(std::string_view userAgent)
    : userAgent_(userAgent.substr(0, std::min(userAgent.size(), kMaxText))) {}

WebClient::~WebClient() {
  closeSocket();
}

int WebClient::get(std::string_view url, const std::vector<std::string>& extraHeaders) {
  return request("GET", url, extraHeaders, {});
}

int WebClient::post(std::string_view url, std::string_view formBody) {
  return request("POST", url, {}, formBody);
}

unsigned WebClient::statusCode() const {
  if (headerLines_.empty()) return 0;
  const std::string& line = headerLines_.front();
  size_t i = line.find(' ');
  if (i == std::string::npos) return 0;
  while (i < line.size() && line[i] == ' ') ++i;
  unsigned value = 0;
  for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
    if (value > 100000) return 0;  // no status has that many digits
    value = value * 10 + static_cast<unsigned>(line[i] - '0');
  }
  return value;
}

int WebClient::splitUrl(std::string_view url) {
  host_.clear();
  path_.clear();
  port_ = 80;
  if (url.size() > kMaxText) return kUrlTooLong;
  size_t i = 0;
  if (url.substr(0, kPrefix.size()) == kPrefix) i = kPrefix.size();
  // The host, copying double-byte characters whole so that a trail byte is
  // never taken for ":" or "/".
  while (i < url.size() && url[i] != ':' && url[i] != '/') {
    if (isCp932Lead(static_cast<uint8_t>(url[i])) && i + 1 < url.size()) {
      host_ += url.substr(i, 2);
      i += 2;
    } else {
      host_ += url[i++];
    }
  }
  if (i < url.size() && url[i] == ':') {
    ++i;
    unsigned long port = 0;
    while (i < url.size() && url[i] != '/') {
      if (url[i] >= '0' && url[i] <= '9' && port <= 0xFFFF)
        port = port * 10 + static_cast<unsigned long>(url[i] - '0');
      ++i;
    }
    // A port beyond 16 bits names no server: it fails at connect (port 0).
    port_ = port == 0 ? 80 : port > 0xFFFF ? 0 : static_cast<uint16_t>(port);
  }
  path_ = i < url.size() ? std::string(url.substr(i)) : std::string("/");
  if (host_.empty()) return kNoHost;
  return kOk;
}

std::string WebClient::encode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  char escape[4];
  auto put = [&](uint8_t b) {
    std::snprintf(escape, sizeof escape, "%%%02X", b);
    out += escape;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<uint8_t>(text[i]);
    if (isCp932Lead(b) && i + 1 < text.size()) {
      put(b);
      put(static_cast<uint8_t>(text[++i]));
    } else if (b == ' ') {
      out += '+';
    } else if (b < 0x20 || b == 0x7F) {
      // A line break in a path or body would end the request line early and
      // let the rest pass for header lines.
      put(b);
    } else {
      out += static_cast<char>(b);
    }
  }
  return out;
}

int WebClient::connectTo() {
  if (port_ == 0) return kConnectFailed;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port_);
  if (::inet_pton(AF_INET, host_.c_str(), &address.sin_addr) != 1) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host_.c_str(), nullptr, &hints, &found) != 0 || !found) return kConnectFailed;
    address.sin_addr = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    ::freeaddrinfo(found);
  }
  socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (socket_ < 0) return kConnectFailed;
  // Connect without blocking so that an unreachable host gives up after the
  // connect limit instead of the system's minutes.
  int r = ::connect(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  if (r != 0 && errno != EINPROGRESS) {
    closeSocket();
    return kConnectFailed;
  }
  if (r != 0) {
    int error = 0;
    socklen_t length = sizeof error;
    if (!waitFor(socket_, POLLOUT, connectTimeoutMs_) ||
        ::getsockopt(socket_, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
      closeSocket();
      return kConnectFailed;
    }
  }
  const int flags = ::fcntl(socket_, F_GETFL);
  ::fcntl(socket_, F_SETFL, flags & ~O_NONBLOCK);
  timeval limit{receiveTimeoutMs_ / 1000, (receiveTimeoutMs_ % 1000) * 1000};
  ::setsockopt(socket_, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  return kOk;
}

bool WebClient::sendAll(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

void WebClient::closeSocket() {
  if (socket_ >= 0) {
    ::shutdown(socket_, SHUT_RDWR);
    ::close(socket_);
    socket_ = -1;
  }
}

int WebClient::request(std::string_view method, std::string_view url,
                       const std::vector<std::string>& extraHeaders, std::string_view body) {
  headerLines_.clear();
  if (int r = splitUrl(url); r != kOk) return r;
  if (int r = connectTo(); r != kOk) return r;

  const bool isPost = method == "POST";
  const std::string encodedBody = isPost ? encode(body) : std::string();
  std::string head;
  head.append(method).append(" ").append(encode(path_)).append(" HTTP/1.0\r\n");
  head.append("Host: ").append(host_).append(":").append(std::to_string(port_)).append("\r\n");
  head.append("User-Agent: ").append(userAgent_).append("\r\n");
  if (!isPost) {
    for (const std::string& line : extraHeaders) head.append(line).append("\r\n");
  } else {
    head.append("Content-Type: application/x-www-form-urlencoded\r\n");
    head.append("Content-Length: ").append(std::to_string(encodedBody.size())).append("\r\n");
  }
  head.append("\r\n");
  if (!sendAll(head) || !sendAll(encodedBody)) {
    closeSocket();
    return kSendFailed;
  }

  int result = kOk;
  bool inHeader = true;
  std::string line;
  char piece[kPieceSize];
  for (;;) {
    if (!waitFor(socket_, POLLIN, receiveTimeoutMs_)) {
      result = kReceiveFailed;
      break;
    }
    const ssize_t n = ::recv(socket_, piece, sizeof piece, 0);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      result = kReceiveFailed;
      break;
    }
    size_t i = 0;
    const auto count = static_cast<size_t>(n);
    while (inHeader && i < count) {
      const char c = piece[i++];
      if (c != '\n') {
        // Longer lines are cut to the line buffer: only the status line is read.
        if (line.size() < kLineBuffer - 1) line += c;
        continue;
      }
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty()) {
        inHeader = false;
      } else {
        if (headerLines_.size() < kMaxHeaderLines) headerLines_.push_back(line);
        line.clear();
      }
    }
    if (!inHeader && i < count && callback_) {
      if (callback_(piece + i, static_cast<int>(count - i), user_) == -1) {
        result = kStoppedByCallback;
        break;
      }
    }
  }
  closeSocket();
  return result;
}

}  // namespace kobre::upfetch
