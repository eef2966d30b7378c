#pragma once

// A tiny SMTP server on 127.0.0.1 for tests: it takes one connection at a time on a port of its
// own, speaks just enough of the protocol for a client to deliver a mail, and records what
// arrived. A "silent" server accepts connections and never answers.

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kobre::test {

class LoopbackSmtp {
 public:
  enum class Mode { kAnswer, kSilent, kRejectRecipients };

  explicit LoopbackSmtp(Mode mode = Mode::kAnswer) : mode_(mode) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener_, 4);
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { run(); });
  }
  ~LoopbackSmtp() {
    stop_ = true;
    thread_.join();
    ::close(listener_);
  }
  LoopbackSmtp(const LoopbackSmtp&) = delete;
  LoopbackSmtp& operator=(const LoopbackSmtp&) = delete;

  int port() const { return port_; }
  int connections() const { return connections_; }

  struct Delivery {
    std::string mailFrom;
    std::vector<std::string> recipients;
    std::string data;  // as received after DATA, without the ending "." line
  };
  std::vector<Delivery> deliveries() {
    std::lock_guard lock(mutex_);
    return deliveries_;
  }

 private:
  bool waitReadable(int fd) {
    while (!stop_) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 20) > 0) return true;
    }
    return false;
  }

  // One line without its CR LF; false when the peer went away or the server stops.
  bool readLine(int fd, std::string& buffered, std::string& line) {
    for (;;) {
      const auto end = buffered.find("\r\n");
      if (end != std::string::npos) {
        line = buffered.substr(0, end);
        buffered.erase(0, end + 2);
        return true;
      }
      if (!waitReadable(fd)) return false;
      char chunk[4096];
      const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
      if (n <= 0) return false;
      buffered.append(chunk, static_cast<std::size_t>(n));
    }
  }

  static void say(int fd, const std::string& text) {
    const std::string line = text + "\r\n";
    (void)::send(fd, line.data(), line.size(), MSG_NOSIGNAL);
  }

  static std::string angleContent(const std::string& line) {
    const auto open = line.find('<');
    const auto close = line.find('>', open);
    if (open == std::string::npos || close == std::string::npos) return {};
    return line.substr(open + 1, close - open - 1);
  }

  void run() {
    while (!stop_) {
      if (!waitReadable(listener_)) return;
      const int fd = ::accept(listener_, nullptr, nullptr);
      if (fd < 0) continue;
      ++connections_;
      if (mode_ == Mode::kSilent) {
        // Hold the connection open without a word until the client gives up.
        std::string ignored, line;
        while (readLine(fd, ignored, line)) {
        }
      } else {
        serve(fd);
      }
      ::close(fd);
    }
  }

  void serve(int fd) {
    std::string buffered, line;
    Delivery delivery;
    say(fd, "220 loopback ESMTP");
    while (readLine(fd, buffered, line)) {
      const std::string verb = line.substr(0, 4);
      if (verb == "EHLO" || verb == "HELO") {
        say(fd, "250 loopback");
      } else if (verb == "MAIL") {
        delivery = Delivery{};
        delivery.mailFrom = angleContent(line);
        say(fd, "250 OK");
      } else if (verb == "RCPT") {
        if (mode_ == Mode::kRejectRecipients) {
          say(fd, "550 no such mailbox");
        } else {
          delivery.recipients.push_back(angleContent(line));
          say(fd, "250 OK");
        }
      } else if (verb == "DATA") {
        say(fd, "354 go ahead");
        std::string data;
        while (readLine(fd, buffered, line) && line != ".") {
          // Undo the client's dot-stuffing.
          if (!line.empty() && line[0] == '.') line.erase(0, 1);
          data += line + "\r\n";
        }
        delivery.data = data;
        {
          std::lock_guard lock(mutex_);
          deliveries_.push_back(delivery);
        }
        say(fd, "250 queued");
      } else if (verb == "QUIT") {
        say(fd, "221 bye");
        return;
      } else {
        say(fd, "250 OK");
      }
    }
  }

  Mode mode_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  std::mutex mutex_;
  std::vector<Delivery> deliveries_;
  std::thread thread_;
};

}  // namespace kobre::test
