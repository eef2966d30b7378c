// Variables, flags, expressions, assignments and conditions.
#include <cstring>

#include "common/Sjis.h"
#include "script/Lexer.h"

namespace kobre {

namespace {

bool isDigit(uint8_t c) {
  return c >= '0' && c <= '9';
}
bool isUpper(uint8_t c) {
  return c >= 'A' && c <= 'Z';
}
bool isOperator(uint8_t c) {
  return c == '+' || c == '-' || c == '*' || c == '/' || c == '&' || c == '|' || c == '^';
}
// Characters that end a variable name.
bool endsName(uint8_t c) {
  return c == 0 || c == '=' || c == '!' || c == '>' || c == '<' || isOperator(c);
}

// Digits from p; values past the flag range saturate (they are only compared
// with 2047 or used as plain numbers, which wrap like 32-bit integers).
struct Number {
  uint32_t value = 0;      // wrapped
  uint64_t saturated = 0;  // for range tests
  size_t length = 0;
};
Number readDigits(const uint8_t* p, const uint8_t* end) {
  Number n;
  while (p + n.length < end && isDigit(p[n.length])) {
    const uint8_t d = p[n.length] - '0';
    n.value = n.value * 10u + d;
    if (n.saturated < (UINT64_C(1) << 40)) n.saturated = n.saturated * 10 + d;
    ++n.length;
  }
  return n;
}

size_t nameLength(const uint8_t* p, const uint8_t* end) {
  size_t n = 0;
  while (p + n < end && !endsName(p[n])) ++n;
  return n;
}

std::string_view bytesView(const uint8_t* p, size_t n) {
  return std::string_view(reinterpret_cast<const char*>(p), n);
}

// Longest detail shown in an error box.
constexpr size_t kMaxDetail = kTokenSize - 1;

}  // namespace

int32_t Lexer::Evaluate(const char* text) {
  const auto* begin = reinterpret_cast<const uint8_t*>(text);
  const uint8_t* end = begin + std::strlen(text);
  const uint8_t* p = begin;
  int64_t result = 0;
  uint8_t op = '+';
  bool operatorLast = false;
  auto bad = [&]() {
    ReportBadParameter(text);
    return kEvaluateError;
  };
  while (p < end) {
    const uint8_t c = *p;
    int64_t operand;
    if (isDigit(c)) {
      const Number n = readDigits(p, end);
      operand = static_cast<int32_t>(n.value);
      p += n.length;
    } else if (c == 'F' && p + 1 < end && isDigit(p[1])) {
      const Number n = readDigits(p + 1, end);
      if (n.saturated >= kFlagCount) {
        ReportScriptError("フラグの範囲を超えている", bytesView(p, 1 + n.length));
        return kEvaluateError;
      }
      operand = state != nullptr ? state->flags[n.saturated] : 0;
      p += 1 + n.length;
    } else if (isUpper(c)) {
      const size_t len = nameLength(p, end);
      if (len > 1) ReportScriptError("不正な変数", bytesView(p, len));
      operand = state != nullptr ? state->variables[c - 'A'] : 0;
      p += len;
    } else if (isOperator(c)) {
      op = c;
      operatorLast = true;
      ++p;
      continue;
    } else {
      return bad();
    }
    switch (op) {
      case '+':
        result = result + operand;
        break;
      case '-':
        result = result - operand;
        break;
      case '*':
        result = result * operand;
        break;
      case '/':
        if (operand == 0) return bad();  // division by zero is refused, not faulted
        result = result / operand;
        break;
      case '&':
        result = result & operand;
        break;
      case '|':
        result = result | operand;
        break;
      case '^':
        result = result ^ operand;
        break;
    }
    // Keep 32-bit wrap-around semantics without overflowing.
    result = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(result)));
    operatorLast = false;
  }
  if (operatorLast) return bad();
  return static_cast<int32_t>(result);
}

bool Lexer::Assign() {
  if (state == nullptr) return false;
  char word[kTokenSize];
  std::memcpy(word, token, sizeof word);
  char* eq = std::strchr(word, '=');
  if (eq == nullptr) {
    ReportScriptError("代入になっていない", word);
    return false;
  }
  *eq = 0;
  const char* left = word;
  const int32_t value = Evaluate(eq + 1);
  if (left[0] == 'F' && isDigit(static_cast<uint8_t>(left[1]))) {
    const int32_t flag = Evaluate(left + 1);
    if (flag < 0 || flag >= kFlagCount) {
      ReportScriptError("フラグの範囲を超えている", left);
      return false;
    }
    state->flags[flag] = static_cast<uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
  } else if (isUpper(static_cast<uint8_t>(left[0]))) {
    state->variables[left[0] - 'A'] = value;
  } else {
    ReportScriptError("代入できない", left);
    return false;
  }
  PassToken();
  return true;
}

bool Lexer::Condition() {
  enum Compare { kNone, kLess, kGreater, kEqual, kNotEqual, kLessEqual, kGreaterEqual };
  const uint8_t* base = source.data();
  const uint8_t* end = base + sourceSize;
  int32_t p = wordStart_ + 1;  // past "["
  Compare compare = kNone;
  uint8_t logic = 0;
  int64_t value = 0;
  bool result = false;
  for (;;) {
    if (p >= sourceSize) {
      position = sourceSize;
      ReportScriptError("スクリプトの終わりになった", "");
      return false;
    }
    const uint8_t c = base[p];
    if (c == ' ' || c == '\t') {
      ReportScriptError("余分なスペースが入っている", "");
      ++p;
    } else if (c == '\r' || c == '\n') {
      if (c == '\n') ++lineNumber;
      ReportScriptError("改行で終わっている", "");
      ++p;
    } else if (c == '&' || c == '|') {
      logic = c;
      ++p;
    } else if ((c == '<' || c == '>') && p + 1 < sourceSize && base[p + 1] == '=') {
      compare = c == '<' ? kLessEqual : kGreaterEqual;
      p += 2;
    } else if (c == '<' || c == '>' || c == '=' || c == '!') {
      compare = c == '<' ? kLess : c == '>' ? kGreater : c == '=' ? kEqual : kNotEqual;
      ++p;
    } else if (isDigit(c) || isUpper(c)) {
      int64_t operand;
      if (isDigit(c)) {
        const Number n = readDigits(base + p, end);
        operand = static_cast<int32_t>(n.value);
        p += static_cast<int32_t>(n.length);
      } else if (c == 'F' && p + 1 < sourceSize && isDigit(base[p + 1])) {
        // Not range-tested here in the language; numbers past the flags read 0.
        const Number n = readDigits(base + p + 1, end);
        operand = n.saturated < kFlagCount && state != nullptr ? state->flags[n.saturated] : 0;
        p += 1 + static_cast<int32_t>(n.length);
      } else {
        const size_t len = nameLength(base + p, end);
        if (len > 1)
          ReportScriptError("不正な変数", bytesView(base + p, std::min(len, kMaxDetail)));
        operand = state != nullptr ? state->variables[c - 'A'] : 0;
        p += static_cast<int32_t>(len);
      }
      if (compare == kNone) {
        value = operand;
      } else {
        bool r = false;
        switch (compare) {
          case kLess:
            r = value < operand;
            break;
          case kGreater:
            r = value > operand;
            break;
          case kEqual:
            r = value == operand;
            break;
          case kNotEqual:
            r = value != operand;
            break;
          case kLessEqual:
            r = value <= operand;
            break;
          case kGreaterEqual:
            r = value >= operand;
            break;
          case kNone:
            break;
        }
        value = r ? 1 : 0;
        if (logic == '&') {
          result = result && r;
        } else if (logic == '|') {
          result = result || r;
        } else {
          result = r;
        }
        logic = 0;
      }
      compare = kNone;
    } else if (c == ']') {
      position = p + 1;
      if (compare != kNone || logic != 0) {
        ReportScriptError("演算が途中で終わっている", "");
        return false;
      }
      break;
    } else {
      position = p;
      ReportScriptError("不正な文字",
                        bytesView(base + p, isWideLead(c) && p + 1 < sourceSize ? 2 : 1));
      return false;
    }
  }
  if (result) {
    const int b = SkipToBrace(kAnyByte);
    if (b == '{') return true;
    if (b >= 0) ReportScriptError("複文が開始されていない", "");
    return false;
  }
  return SkipBlock();
}

bool Lexer::SkipBlock() {
  int depth = 0;
  for (;;) {
    const int b = SkipToBrace(kBraces);
    if (b < 0) return false;
    if (b == '{') {
      ++depth;
    } else if (--depth < 0) {
      ReportScriptError("括弧が閉じていない", "");
      return false;
    }
    if (depth == 0) return true;
  }
}

int Lexer::SkipToBrace(int target) {
  for (;;) {
    while (position < sourceSize) {
      const uint8_t c = source[static_cast<size_t>(position)];
      if (c == '\n') {
        ++lineNumber;
      } else if (c != '\r') {
        break;
      }
      ++position;
    }
    if (position >= sourceSize) {
      ReportScriptError("スクリプトの終わりになった", "");
      return -1;
    }
    const uint8_t c = source[static_cast<size_t>(position++)];
    if (isWideLead(c) && position < sourceSize) ++position;  // trail bytes are never braces
    if (c == ' ' || c == '\t') continue;
    if (c == ';') {
      while (position < sourceSize && source[static_cast<size_t>(position)] != '\r' &&
             source[static_cast<size_t>(position)] != '\n')
        ++position;
      if (position >= sourceSize) {
        ReportScriptError("スクリプトの終わりになった", "");
        return -1;
      }
      if (source[static_cast<size_t>(position)] == '\n') ++lineNumber;
      ++position;
      continue;
    }
    if (target == kAnyByte) return c;
    if (c == '{' || c == '}') return c;
  }
}

}  // namespace kobre
