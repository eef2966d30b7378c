#include "script/Lexer.h"

#include <cstring>

#include "common/AsciiCase.h"
#include "common/PathName.h"
#include "common/Sjis.h"
#include "common/UntilZero.h"
#include "storage/ArchiveFile.h"
#include "storage/FileHandle.h"

namespace kobre {

namespace {

// A script larger than this is refused as if memory had run out.
constexpr uint32_t kMaxScriptBytes = 256u << 20;

// Error codes of the load failures, shown in the place of the line number.
constexpr int kCodeCannotOpen = 297;
constexpr int kCodeBadSize = 303;
constexpr int kCodeNoMemory = 309;
constexpr int kCodeBadRead = 315;

// Frame time the default present lets pass when start-up set no present.
constexpr uint32_t kDefaultFrameMs = 16;

}  // namespace

Lexer::Lexer(Runtime* runtime) : runtime_(runtime) {
  messageText = std::make_unique<char[]>(kMessageSize);
}

Lexer::~Lexer() {
  Reset();
  messageText.reset();
  scriptPath[0] = 0;
  if (runtime_ != nullptr && runtime_->topLexer == this) runtime_->topLexer = nullptr;
}

void Lexer::Reset() {
  source.clear();
  source.shrink_to_fit();
  sourceSize = 0;
  lineText[0] = 0;
  token[0] = 0;
  lineNumber = 1;
  position = 1;
  lineLength = 0;
  messageDone = true;
  choiceCount = 0;
  for (auto& c : choiceTexts) c.reset();
  wordStart_ = 1;
  tokenEnd_ = 1;
}

bool Lexer::Load(std::string_view path, GameState* newState, bool topScript) {
  Reset();
  isTopScript = topScript;
  state = newState;
  const std::string pathText(untilZero(path));

  platform::FileSystem* files = runtime_->platform.files;
  FileHandle loose(files);
  ArchiveFile& archive = runtime_->scriptArchive;
  bool fromFile = loose.openRead(pathText);
  uint32_t size = 0;
  if (fromFile) {
    size = loose.size();
  } else if (archive.find(pathText)) {
    size = archive.size();
  } else {
    ReportError("オープンできません", "", "Script", kCodeCannotOpen, pathText);
    return false;
  }
  if (size == 0 || size > static_cast<uint32_t>(INT32_MAX)) {
    ReportError("サイズがおかしい", "", "Script", kCodeBadSize, pathText);
    return false;
  }
  if (size > kMaxScriptBytes) {
    ReportError("メモリが足りません", "", "Script", kCodeNoMemory, pathText);
    return false;
  }
  // One zero byte after the text keeps every scan inside the buffer.
  source.assign(static_cast<size_t>(size) + 1, 0);
  const uint32_t got =
      fromFile ? loose.read(source.data(), size) : archive.read(source.data(), size);
  if (got != size) {
    ReportError("読み取りサイズがおかしい", "", "Script", kCodeBadRead, pathText);
    Reset();
    return false;
  }
  sourceSize = static_cast<int32_t>(size);
  finishLoad(pathText);
  return true;
}

bool Lexer::LoadFromBytes(std::span<const uint8_t> bytes, std::string_view path,
                          GameState* newState, bool topScript) {
  Reset();
  isTopScript = topScript;
  state = newState;
  const std::string pathText(untilZero(path));
  if (bytes.empty() || bytes.size() > kMaxScriptBytes) {
    ReportError(bytes.empty() ? "サイズがおかしい" : "メモリが足りません", "", "Script",
                bytes.empty() ? kCodeBadSize : kCodeNoMemory, pathText);
    return false;
  }
  source.assign(bytes.begin(), bytes.end());
  source.push_back(0);
  sourceSize = static_cast<int32_t>(bytes.size());
  finishLoad(pathText);
  return true;
}

void Lexer::finishLoad(const std::string& pathText) {
  if (source[0] == 'X') {
    applyScrambleKey(std::span<uint8_t>(source.data() + 1, static_cast<size_t>(sourceSize) - 1), 0);
    source[0] = 'N';
  }
  const size_t n = std::min(pathText.size(), sizeof scriptPath - 1);
  std::memcpy(scriptPath, pathText.data(), n);
  scriptPath[n] = 0;
  position = 1;
  lineNumber = 1;
}

void Lexer::ReadToken(char* buffer, int capacity) {
  // Separators: line breaks (an LF counts a line), spaces and tabs.
  while (position < sourceSize) {
    const uint8_t c = source[static_cast<size_t>(position)];
    if (c == '\n') {
      ++lineNumber;
      lineLength = 0;
    } else if (c != '\r' && c != ' ' && c != '\t') {
      break;
    }
    ++position;
  }
  const bool quoted = at(position) == '"' && position < sourceSize;
  int32_t p = quoted ? position + 1 : position;
  wordStart_ = p;
  tokenQuoted_ = quoted;
  int n = 0;
  bool tooLong = false;
  while (p < sourceSize) {
    const uint8_t c = source[static_cast<size_t>(p)];
    if (quoted ? c == '"' : (c == ' ' || c == '\t' || c == '\r' || c == 0)) break;
    if (n < capacity) {
      buffer[n++] = static_cast<char>(c);
    } else {
      tooLong = true;
    }
    ++p;
  }
  if (n >= capacity) tooLong = true;
  // A quoted word ends after its closing quote; a cut word is still passed
  // over whole, so its rest never runs as a new word.
  tokenEnd_ = (quoted && p < sourceSize) ? p + 1 : p;
  if (tooLong) {
    n = capacity - 1;
    buffer[n] = 0;
    ReportScriptError("トークンが長すぎる", std::string_view(buffer, static_cast<size_t>(n)));
  } else {
    buffer[n] = 0;
  }
}

void Lexer::ReadArgument(char* buffer, int capacity) {
  ReadToken(buffer, capacity);
  PassToken();
}

void Lexer::ReadName(char* buffer) {
  ReadArgument(buffer, kArgumentSize);
  const std::string* value = runtime_->defineTable.find(buffer);
  if (value != nullptr) {
    const size_t n = std::min(value->size(), static_cast<size_t>(kArgumentSize - 1));
    std::memcpy(buffer, value->data(), n);
    buffer[n] = 0;
  }
}

void Lexer::ReadLine() {
  int32_t p = position;
  int n = 0;
  while (p < sourceSize) {
    const uint8_t c = source[static_cast<size_t>(p)];
    if (c == '\r' || c == '\n') break;
    if (n == kTokenSize - 1) {
      lineText[n] = 0;
      lineLength = n;
      ReportScriptError("１行が１０２４文字を超えている", "");
      return;
    }
    lineText[n++] = static_cast<char>(c);
    ++p;
  }
  lineText[n] = 0;
  lineLength = n;
}

bool Lexer::Step() {
  ReadToken(token, kTokenSize);
  ReadLine();
  if (token[0] == 0 && !tokenQuoted_) {
    if (position >= sourceSize) {
      ReportScriptError("最後まで実行しました", "");
      return false;
    }
    // A stray zero byte: pass over it like a blank.
    ++position;
    return true;
  }
  const uint8_t first = static_cast<uint8_t>(token[0]);
  if (first == ';') {
    PassToken();
    while (position < sourceSize && source[static_cast<size_t>(position)] != '\r') ++position;
    return true;
  }
  if (first >= 'A' && first <= 'Z') return Assign();
  if (first == '[') return Condition();
  if (first == '}') {
    position = wordStart_ + 1;
    return true;
  }
  if (isWideLead(first)) return AddText() != Flow::Unwind;
  return Dispatch() != Flow::Unwind;
}

bool Lexer::FileExists(std::string_view path, bool silent) {
  platform::FileSystem* files = runtime_->platform.files;
  bool found = files != nullptr && files->exists(path);
  if (!found && path.size() >= 4) {
    char ext[5];
    for (int i = 0; i < 4; ++i) {
      char c = path[path.size() - 4 + static_cast<size_t>(i)];
      ext[i] = toLowerAscii(c);
    }
    ext[4] = 0;
    const std::string_view e(ext, 4);
    if (e == ".scr") {
      found = runtime_->scriptArchive.find(path);
    } else if (e == ".wav") {
      found = true;  // the sound layer looks it up itself
    } else if (e == ".bmp" || e == ".psd") {
      found = runtime_->imageArchive.find(path);
    }
  }
  if (!found && !silent) ReportScriptError("ファイルが存在しない", path);
  return found;
}

void Lexer::SeekTo(int32_t offset) {
  if (offset < 0) offset = 0;
  if (offset > sourceSize) offset = sourceSize;
  position = offset;
  int32_t lines = 1;
  for (int32_t i = 0; i < offset; ++i)
    if (source[static_cast<size_t>(i)] == '\n') ++lines;
  lineNumber = lines;
}

int32_t Lexer::ParseNumber(const char* word) {
  int64_t v = 0;
  for (const char* p = word; *p >= '0' && *p <= '9'; ++p) {
    v = v * 10 + (*p - '0');
    if (v > INT32_MAX) return INT32_MAX;
  }
  return static_cast<int32_t>(v);
}

void Lexer::ReportError(std::string_view message, std::string_view detail,
                        std::string_view sourceFile, int line, std::string_view text) {
  platform::Host* host = runtime_->platform.host;
  if (host == nullptr) return;
  platform::TextCodec* codec = runtime_->platform.text;
  auto utf8 = [&](std::string_view bytes) {
    bytes = untilZero(bytes);
    return codec != nullptr ? codec->toUtf8(bytes) : std::string(bytes);
  };
  std::string body(message);
  body += ' ';
  body += utf8(detail);
  body += '\n';
  body += utf8(afterLastBackslash(untilZero(sourceFile)));
  body += " (";
  body += std::to_string(line);
  body += ")\n";
  body += utf8(text);
  platform::MessageBoxSpec spec;
  spec.caption = "スクリプトエラー";
  spec.text = std::move(body);
  spec.buttons = platform::BoxButtons::Ok;
  host->messageBox(spec);
}

void Lexer::ReportScriptError(std::string_view message, std::string_view detail) {
  std::string_view name;
  if (state != nullptr) name = untilZero(std::string_view(state->scriptName, kNameSize));
  ReportError(message, detail, name, lineNumber, lineText);
}

void Lexer::ReportBadParameter(std::string_view text) {
  ReportScriptError("パラメータが不正", text);
}

bool Lexer::PollInput() {
  if (runtime_->frame.pollInput) return runtime_->frame.pollInput();
  if (runtime_->platform.host != nullptr) runtime_->platform.host->pumpEvents();
  return !runtime_->closing;
}

bool Lexer::Present() {
  if (runtime_->frame.present) return runtime_->frame.present();
  if (runtime_->platform.clock != nullptr) runtime_->platform.clock->sleep(kDefaultFrameMs);
  return true;
}

bool Lexer::PresentShaken(int offset) {
  if (runtime_->frame.presentShaken) return runtime_->frame.presentShaken(offset);
  return Present();
}

void Lexer::SetSkip(bool on) {
  runtime_->skipMode = on;
  if (runtime_->platform.host != nullptr)
    runtime_->platform.host->setMenuCaption("MnSkip", on ? "スキップ中(&S)" : "スキップ停止中(&S)");
}

}  // namespace kobre
