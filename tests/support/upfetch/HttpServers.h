#pragma once

// HTTP servers on 127.0.0.1 for the updater's tests: a scripted one that
// answers every connection with bytes the test gives (or with silence), and
// real Debian web servers serving a folder, for plain and ranged downloads.

#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kobre::test {

inline int listenLoopback(int& port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::listen(fd, 8);
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  port = ntohs(address.sin_port);
  return fd;
}

class ScriptedHttp {
 public:
  enum class Mode {
    kAnswer,  // reads the request, sends the pieces of the reply, closes
    kSilent,  // reads the request and never answers
  };

  explicit ScriptedHttp(Mode mode = Mode::kAnswer) : mode_(mode) {
    listener_ = listenLoopback(port_);
    thread_ = std::thread([this] { run(); });
  }
  ~ScriptedHttp() {
    stop_ = true;
    thread_.join();
    ::close(listener_);
  }
  ScriptedHttp(const ScriptedHttp&) = delete;
  ScriptedHttp& operator=(const ScriptedHttp&) = delete;

  int port() const { return port_; }
  std::string url() const { return "http://127.0.0.1:" + std::to_string(port_); }

  // The reply, sent piece by piece with a short pause between pieces so that
  // each arrives in a receive of its own.
  void reply(std::vector<std::string> pieces) {
    std::lock_guard lock(mutex_);
    pieces_ = std::move(pieces);
  }
  void reply(const std::string& whole) { reply(std::vector<std::string>{whole}); }

  std::vector<std::string> requests() {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  int connections() const { return connections_; }
  // True once the client closed a connection before the whole reply was sent.
  bool clientClosedEarly() const { return closedEarly_; }

 private:
  bool readable(int fd, int ms) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, ms) > 0;
  }

  std::string readRequest(int fd) {
    std::string request;
    char chunk[4096];
    for (int waited = 0; waited < 200 && !stop_; ++waited) {
      const size_t end = request.find("\r\n\r\n");
      if (end != std::string::npos) {
        size_t length = 0;
        const size_t at = request.find("Content-Length: ");
        if (at != std::string::npos && at < end) length = std::stoul(request.substr(at + 16));
        if (request.size() >= end + 4 + length) break;
      }
      if (!readable(fd, 20)) continue;
      const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
      if (n <= 0) break;
      request.append(chunk, static_cast<size_t>(n));
    }
    return request;
  }

  void run() {
    while (!stop_) {
      if (!readable(listener_, 20)) continue;
      const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      ++connections_;
      const std::string request = readRequest(fd);
      std::vector<std::string> pieces;
      {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        pieces = pieces_;
      }
      if (mode_ == Mode::kSilent) {
        while (!stop_) {
          if (!readable(fd, 20)) continue;
          char c;
          if (::recv(fd, &c, 1, 0) <= 0) break;
        }
      } else {
        for (size_t i = 0; i < pieces.size(); ++i) {
          if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(30));
          if (::send(fd, pieces[i].data(), pieces[i].size(), MSG_NOSIGNAL) < 0) {
            closedEarly_ = true;
            break;
          }
        }
      }
      ::close(fd);
    }
  }

  Mode mode_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  std::atomic<bool> closedEarly_{false};
  std::mutex mutex_;
  std::vector<std::string> pieces_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

// A real static web server from Debian (installed by scripts/setup) serving
// `root` on a free loopback port for the life of the object. lighttpd answers
// an HTTP/1.0 range request with the whole file (200); nginx with 206.
class StaticServer {
 public:
  enum class Kind { kLighttpd, kNginx };
  static const char* program(Kind kind) {
    return kind == Kind::kLighttpd ? "/usr/sbin/lighttpd" : "/usr/sbin/nginx";
  }

  StaticServer(Kind kind, const std::filesystem::path& root, const std::filesystem::path& work)
      : kind_(kind) {
    for (int attempt = 0; attempt < 5 && pid_ <= 0; ++attempt) start(root, work);
  }
  ~StaticServer() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  StaticServer(const StaticServer&) = delete;
  StaticServer& operator=(const StaticServer&) = delete;

  bool running() const { return pid_ > 0; }
  std::string url() const { return "http://127.0.0.1:" + std::to_string(port_); }

 private:
  void writeConfig(const std::filesystem::path& root, const std::filesystem::path& work,
                   const std::filesystem::path& conf) {
    const std::string w = work.string();
    if (kind_ == Kind::kLighttpd) {
      std::ofstream(conf) << "server.document-root = \"" << root.string() << "\"\n"
                          << "server.bind = \"127.0.0.1\"\n"
                          << "server.port = " << port_ << "\n"
                          << "server.errorlog = \"" << w << "/server.log\"\n";
      return;
    }
    // One process, no user switch, every path of its own under `work`.
    std::ofstream(conf) << "daemon off;\nmaster_process off;\npid " << w << "/server.pid;\n"
                        << "error_log " << w << "/server.log;\n"
                        << "events { worker_connections 64; }\n"
                        << "http {\n  access_log off;\n"
                        << "  client_body_temp_path " << w << "/body;\n"
                        << "  proxy_temp_path " << w << "/proxy;\n"
                        << "  fastcgi_temp_path " << w << "/fastcgi;\n"
                        << "  uwsgi_temp_path " << w << "/uwsgi;\n"
                        << "  scgi_temp_path " << w << "/scgi;\n"
                        << "  server { listen 127.0.0.1:" << port_ << "; root " << root.string()
                        << "; }\n}\n";
  }

  void start(const std::filesystem::path& root, const std::filesystem::path& work) {
    // A port the system hands out free, given to the server at once.
    const int probe = listenLoopback(port_);
    ::close(probe);
    const std::filesystem::path conf = work / "server.conf";
    writeConfig(root, work, conf);
    const pid_t pid = ::fork();
    if (pid == 0) {
      const char* exe = program(kind_);
      if (kind_ == Kind::kLighttpd)
        ::execl(exe, exe, "-D", "-f", conf.c_str(), static_cast<char*>(nullptr));
      else
        ::execl(exe, exe, "-p", work.c_str(), "-c", conf.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    if (pid < 0) return;
    // Up once it accepts a connection; gone if it could not bind.
    for (int i = 0; i < 200; ++i) {
      if (::waitpid(pid, nullptr, WNOHANG) == pid) return;
      const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      address.sin_port = htons(static_cast<uint16_t>(port_));
      const bool up = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
      ::close(fd);
      if (up) {
        pid_ = pid;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
  }

  Kind kind_;
  pid_t pid_ = -1;
  int port_ = 0;
};

// A fresh folder under the temporary folder, removed with the object.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "upfetch-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline std::string readAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void writeAll(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary) << bytes;
}

}  // namespace kobre::test
