// The updater's own minimal HTTP/1.0 client over POSIX sockets: one request
// per connection, no keep-alive, no redirects. The caller reads statusCode()
// and takes the body through a callback as it arrives, so a download needs no
// memory of its own size.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kobre::upfetch {

class WebClient {
 public:
  // Results of get and post.
  static constexpr int kOk = 0;
  static constexpr int kStoppedByCallback = 1;
  static constexpr int kNoHost = 0x10002;
  static constexpr int kUrlTooLong = 0x10003;
  static constexpr int kConnectFailed = 0x10004;
  static constexpr int kSendFailed = 0x10007;
  static constexpr int kReceiveFailed = 0x10008;

  static constexpr size_t kMaxText = 511;      // user agent, host and URL
  static constexpr size_t kPieceSize = 511;    // one receive
  static constexpr size_t kLineBuffer = 1024;  // one header line and its zero
  // Header lines kept per response; a server that sends more cannot make the
  // client hold an unbounded list (only the status line is read anyway).
  static constexpr size_t kMaxHeaderLines = 256;

  // Receives body bytes; returning -1 stops the transfer.
  using BodyCallback = int (*)(const char* bytes, int count, void* user);

  explicit WebClient(std::string_view userAgent);
  ~WebClient();
  WebClient(const WebClient&) = delete;
  WebClient& operator=(const WebClient&) = delete;

  void setBodyCallback(BodyCallback callback, void* user) {
    callback_ = callback;
    user_ = user;
  }
  // Limits for making the connection and for each wait on the peer; a dead
  // server ends the request with kConnectFailed or kReceiveFailed.
  void setTimeouts(int connectMs, int receiveMs) {
    connectTimeoutMs_ = connectMs;
    receiveTimeoutMs_ = receiveMs;
  }

  int get(std::string_view url, const std::vector<std::string>& extraHeaders = {});
  int post(std::string_view url, std::string_view formBody);

  // The second blank-separated word of the status line as a decimal number;
  // 0 when no response line arrived.
  unsigned statusCode() const;
  // The status line and header lines of the last response, without line ends.
  const std::vector<std::string>& headerLines() const { return headerLines_; }
  // The parts of the last URL.
  const std::string& host() const { return host_; }
  uint16_t port() const { return port_; }
  const std::string& path() const { return path_; }

  // Splits a URL into host, port and path as a request does: kOk, or
  // kNoHost / kUrlTooLong.
  int splitUrl(std::string_view url);
  // Path and form-body encoding: a CP932 double-byte character becomes two
  // "%XX" escapes, a blank "+", control bytes "%XX"; every other byte is sent
  // as it is.
  static std::string encode(std::string_view text);

 private:
  int request(std::string_view method, std::string_view url,
              const std::vector<std::string>& extraHeaders, std::string_view body);
  int connectTo();
  bool sendAll(std::string_view bytes);
  void closeSocket();

  std::string userAgent_;
  int socket_ = -1;
  std::string host_;
  uint16_t port_ = 80;
  std::string path_;
  std::vector<std::string> headerLines_;
  BodyCallback callback_ = nullptr;
  void* user_ = nullptr;
  int connectTimeoutMs_ = 10000;
  int receiveTimeoutMs_ = 30000;
};

// True for a lead byte of a CP932 double-byte character (0x81-0x9F,
// 0xE0-0xFC): the real code-page range, so a half-width katakana byte is
// never taken to swallow the delimiter after it.
constexpr bool isCp932Lead(uint8_t b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

}  // namespace kobre::upfetch
