#include "support/upfetch/UpdateEngine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "support/upfetch/WebClient.h"

namespace kobre::upfetch {
namespace {

namespace fs = std::filesystem;

bool writableFolder(const char* dir) {
  struct stat st;
  return dir && *dir && ::stat(dir, &st) == 0 && S_ISDIR(st.st_mode) && ::access(dir, W_OK) == 0;
}

bool successStatus(unsigned status) {
  return status >= 200 && status <= 399;
}

bool makeFolders(const std::string& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  return fs::is_directory(folder, ec);
}

// Splits at runs of tabs; empty pieces are skipped.
std::vector<std::string> splitTabs(std::string_view text) {
  std::vector<std::string> tokens;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && text[i] == '\t') ++i;
    if (i == text.size()) break;
    const size_t end = std::min(text.find('\t', i), text.size());
    tokens.emplace_back(text.substr(i, end - i));
    i = end;
  }
  return tokens;
}

bool asciiEqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// The Content-Length the server announced, or -1.
long long contentLength(const std::vector<std::string>& lines) {
  constexpr std::string_view kName = "content-length:";
  for (size_t i = 1; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    if (line.size() < kName.size() || !asciiEqualNoCase(line.substr(0, kName.size()), kName))
      continue;
    line.remove_prefix(kName.size());
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    long long value = 0;
    size_t digits = 0;
    for (; digits < line.size() && line[digits] >= '0' && line[digits] <= '9' && digits < 18;
         ++digits)
      value = value * 10 + (line[digits] - '0');
    return digits ? value : -1;
  }
  return -1;
}

// A value with a line break would break the record it is saved in.
bool isOneLine(const std::string& value) {
  return std::none_of(value.begin(), value.end(), [](char c) { return c == '\r' || c == '\n'; });
}

std::string trimLineEnd(std::string text) {
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
  return text;
}

std::string withoutTrailingSlash(std::string url) {
  while (!url.empty() && url.back() == '/') url.pop_back();
  return url;
}

}  // namespace

std::string_view resultText(int32_t code) {
  switch (code) {
    case kErrorNotInitialized:
      return "初期化処理がされていない";
    case kErrorAlreadyInitialized:
      return "既に初期化済み";
    case kErrorFolder:
      return "ディレクトリの作成に失敗";
    case kErrorLoad:
      return "アップデート管理データのロードに失敗";
    case kErrorSave:
      return "アップデート管理データのセーブに失敗";
    case kErrorNetwork:
      return "ネットワーク通信エラー";
    case kErrorServerData:
      return "サーバーのデータが不正";
    case kErrorDownloadRunning:
      return "既にダウンロードが開始されている";
    case kErrorThread:
      return "ダウンロードが開始できなかった";
    case kErrorDownload:
      return "ダウンロードに失敗した";
    case kErrorUpdaterMissing:
      return "アップデータファイルが見つからない";
    case kErrorUpdaterFailed:
      return "アップデートの実行が正しく終了しなかった";
    default:
      return "その他のエラー";
  }
}

std::string EngineSettings::defaultDataFile() {
  const char* data = std::getenv("XDG_DATA_HOME");
  std::string folder;
  if (data && *data == '/') {
    folder = data;
  } else {
    const char* home = std::getenv("HOME");
    folder = std::string(home && *home ? home : ".") + "/.local/share";
  }
  return folder + "/upfetch/upfetch.db";
}

std::string EngineSettings::defaultLockPath() {
  constexpr const char* kName = "UpfetchNowUpdating";
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (writableFolder(runtime)) return std::string(runtime) + "/" + kName;
  const char* tmp = std::getenv("TMPDIR");
  std::string folder = writableFolder(tmp) ? tmp : "/tmp";
  return folder + "/" + kName + "." + std::to_string(::geteuid());
}

bool isPlainFileName(std::string_view name) {
  if (name.empty() || name.front() == '.') return false;
  if (name.find("..") != std::string_view::npos) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const auto b = static_cast<uint8_t>(name[i]);
    if (b < 0x20 || b == 0x7F || b == '/') return false;
    // A backslash is a separator on the maker's side; inside a double-byte
    // character it is only a trail byte.
    if (isCp932Lead(b) && i + 1 < name.size()) {
      if (name[i + 1] == '/') return false;
      ++i;
      continue;
    }
    if (b == '\\') return false;
  }
  return true;
}

UpdateEngine::UpdateEngine(EngineSettings settings) : settings_(std::move(settings)) {}

UpdateEngine::~UpdateEngine() {
  if (thread_.joinable()) thread_.join();
}

bool UpdateEngine::load() {
  records_.clear();
  bool ok = true;
  std::error_code ec;
  if (fs::exists(settings_.dataFile, ec)) {
    std::ifstream in(settings_.dataFile, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ok = in.good() || in.eof();
    // Records read before a fault are kept; the rest of the file is dropped.
    if (ok) ok = parseManagementData(bytes, records_);
  }
  current_ = records_.size();
  for (size_t i = 0; i < records_.size(); ++i)
    if (records_[i].makerCode == kMakerCode && records_[i].softwareCode == kSoftwareCode)
      current_ = i;
  if (current_ == records_.size()) {
    UpdateRecord fresh;
    fresh.makerCode = kMakerCode;
    fresh.softwareCode = kSoftwareCode;
    fresh.installVersion = "0";
    fresh.status = "na";
    records_.push_back(fresh);
  }
  return ok;
}

bool UpdateEngine::save() {
  const fs::path file(settings_.dataFile);
  if (file.has_parent_path() && !makeFolders(file.parent_path().string())) return false;
  // Written beside the file and renamed over it: a crash or a full disk
  // leaves the previous file whole.
  const std::string temp = settings_.dataFile + ".tmp";
  const std::string bytes = formatManagementData(records_);
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  ok = ::fsync(fd) == 0 && ok;
  ok = ::close(fd) == 0 && ok;
  if (ok) ok = ::rename(temp.c_str(), settings_.dataFile.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

int32_t UpdateEngine::initialize() {
  if (initialized_) return set(kErrorAlreadyInitialized);
  switch (lock_.acquire(settings_.lockPath)) {
    case platform::InstanceLock::Result::HeldElsewhere:
      return set(kResultOtherUpdater);
    case platform::InstanceLock::Result::Unavailable:
      // Without a lock file the updater still runs, as the runtime does.
      std::fprintf(stderr, "upfetch: no single-run lock: %s\n", lock_.error().c_str());
      break;
    case platform::InstanceLock::Result::Acquired:
      break;
  }
  initialized_ = true;
  return set(load() ? kResultOk : kErrorLoad);
}

int32_t UpdateEngine::checkForUpdate(std::string& version) {
  version.clear();
  if (!initialized_) return set(kErrorNotInitialized);
  UpdateRecord& record = records_[current_];
  if (record.status != "ok" && record.status != "na") {
    version = record.updateVersion;
    return set(kResultPending);
  }

  WebClient client(kUserAgent);
  client.setTimeouts(settings_.connectTimeoutMs, settings_.receiveTimeoutMs);
  std::string response;
  client.setBodyCallback(
      [](const char* bytes, int count, void* user) {
        auto* text = static_cast<std::string*>(user);
        const size_t room = 1023 - std::min<size_t>(text->size(), 1023);
        text->append(bytes, std::min(room, static_cast<size_t>(count)));
        return 0;
      },
      &response);
  const std::string form =
      "mc=" + record.makerCode + "&sc=" + record.softwareCode + "&iv=" + record.installVersion;
  const int r = client.post(withoutTrailingSlash(settings_.infoServer) + "/getinfo.php", form);

  int32_t result = kResultOk;
  if (r != WebClient::kOk || !successStatus(client.statusCode())) {
    record.status = "na";
    result = kErrorNetwork;
  } else {
    // A line end after the last field is not part of the file name.
    const std::vector<std::string> tokens = splitTabs(trimLineEnd(response));
    if (tokens.size() < 5 || tokens[0] != "succeeded" || !isPlainFileName(tokens[4]) ||
        !std::all_of(tokens.begin() + 1, tokens.begin() + 5, isOneLine)) {
      record.status = "na";
      result = kErrorServerData;
    } else {
      record.maker = cutField(tokens[1], 260);
      record.software = cutField(tokens[2], 260);
      record.updateVersion = cutField(tokens[3], 80);
      record.updateFile = cutField(tokens[4], 260);
      if (record.updateVersion != kNoUpdate) version = record.updateVersion;
      record.status = "ok";
    }
  }
  save();  // a failure here shows up at the end of the run
  return set(result);
}

int32_t UpdateEngine::startDownload(std::string& folder) {
  if (!initialized_) return set(kErrorNotInitialized);
  if (downloading_) return set(kErrorDownloadRunning);
  if (thread_.joinable()) thread_.join();
  if (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
  if (folder.empty()) folder = ".";
  std::string target = folder + "/" + records_[current_].updateFile;
  const std::string downloadFolder = folder;
  folder = target;
  downloading_ = true;
  lastResult_ = kResultOk;
  try {
    thread_ = std::thread(&UpdateEngine::download, this, downloadFolder, std::move(target));
  } catch (const std::system_error&) {
    downloading_ = false;
    return set(kErrorThread);
  }
  return kResultOk;
}

// Runs on the download thread. The user-interface thread leaves the record
// alone until isDownloading() turns false.
void UpdateEngine::download(std::string folder, std::string target) {
  int32_t result = kResultOk;
  UpdateRecord& record = records_[current_];
  struct stat st;
  if (record.status == "dl" && ::lstat(target.c_str(), &st) != 0) record.status = "ok";

  if (record.status == "ok" || record.status == "rs") {
    if (record.updateVersion == kNoUpdate) {
      result = kResultNewest;
    } else if (!isPlainFileName(record.updateFile)) {
      record.status = "na";
      result = kErrorServerData;
    } else if (!makeFolders(folder)) {
      result = kErrorFolder;
    } else {
      // The data goes to a hidden name beside the target and becomes the
      // update program only when it is complete.
      const std::string part = folder + "/." + record.updateFile + ".part";
      const bool resume = record.status == "rs";
      const int fd = ::open(
          part.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | (resume ? 0 : O_TRUNC), 0600);
      off_t offset = fd >= 0 ? ::lseek(fd, 0, SEEK_END) : -1;
      if (fd < 0 || offset < 0) {
        if (fd >= 0) ::close(fd);
        result = kErrorDownload;
      } else {
        WebClient client(kUserAgent);
        client.setTimeouts(settings_.connectTimeoutMs, settings_.receiveTimeoutMs);
        struct Sink {
          WebClient* client;
          int fd;
          off_t offset;
          bool started = false;
          long long received = 0;
        } sink{&client, fd, offset};
        client.setBodyCallback(
            [](const char* bytes, int count, void* user) {
              auto* s = static_cast<Sink*>(user);
              const unsigned status = s->client->statusCode();
              if (!successStatus(status)) return 0;  // an error page is not the program
              if (!s->started) {
                s->started = true;
                // A server that ignores the range sends the whole file again.
                if (s->offset > 0 && status != 206) {
                  if (::ftruncate(s->fd, 0) != 0 || ::lseek(s->fd, 0, SEEK_SET) != 0) return -1;
                  s->offset = 0;
                }
              }
              while (count > 0) {
                const ssize_t n = ::write(s->fd, bytes, static_cast<size_t>(count));
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) return -1;
                bytes += n;
                count -= static_cast<int>(n);
                s->received += n;
              }
              return 0;
            },
            &sink);
        std::vector<std::string> headers;
        if (offset > 0) headers.push_back("Range: bytes=" + std::to_string(offset) + "-");
        const std::string url = withoutTrailingSlash(settings_.downloadServer) + "/upfetch/" +
                                record.makerCode + "/" + record.softwareCode + "/" +
                                record.updateFile;
        const int r = client.get(url, headers);
        const bool closed = ::close(fd) == 0;
        const long long announced = contentLength(client.headerLines());
        if (!successStatus(client.statusCode())) {
          record.status = "na";
          result = kErrorServerData;
          ::unlink(part.c_str());
        } else if (r != WebClient::kOk || !closed ||
                   (announced >= 0 && sink.received < announced) ||
                   ::rename(part.c_str(), target.c_str()) != 0) {
          // Broken off (or cut short of its announced length): the next run resumes.
          record.status = "rs";
          result = kErrorDownload;
        } else {
          ::chmod(target.c_str(), 0700);
          record.status = "dl";
        }
      }
    }
  }
  save();
  lastResult_ = result;
  downloading_ = false;
}

int32_t UpdateEngine::runUpdate(const std::string& path) {
  if (!initialized_) return set(kErrorNotInitialized);
  // Only a regular file is run, never what a link points to.
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return set(kErrorUpdaterMissing);
  ::chmod(path.c_str(), 0700);
  int exitCode = 255;
  const pid_t child = ::fork();
  if (child == 0) {
    char* const argv[] = {const_cast<char*>(path.c_str()), nullptr};
    ::execv(path.c_str(), argv);
    ::_exit(255);
  }
  if (child > 0) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 255;
  }
  if (exitCode != 0) return set(kErrorUpdaterFailed);
  UpdateRecord& record = records_[current_];
  record.installVersion = record.updateVersion;
  record.status = "ok";
  save();
  return set(kResultOk);
}

int32_t UpdateEngine::finish() {
  if (!initialized_) return set(kErrorNotInitialized);
  if (thread_.joinable()) thread_.join();
  // On a failed save the lock stays held until the process ends.
  if (!save()) return set(kErrorSave);
  records_.clear();
  current_ = 0;
  lock_.release();
  initialized_ = false;
  return set(kResultOk);
}

}  // namespace kobre::upfetch
