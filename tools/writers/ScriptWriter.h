// Writes script files as the runtime reads them: a format marker byte, then
// CP932 text with CR LF line ends, optionally scrambled ("X" marker, every
// byte after the marker XORed with the program's key).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kobre::writers {

// UTF-8 -> CP932; false when some character has no CP932 form.
using Cp932Converter = std::function<bool(std::string_view utf8, std::string& cp932)>;

// The converter used when none is given: glibc iconv, code page CP932.
bool utf8ToCp932(std::string_view utf8, std::string& cp932);

struct ScriptOptions {
  bool scrambled = false;  // marker "X" and scrambled body
  char marker = 'N';       // marker of a plain file (anything but "X")
  bool crlf = true;        // turn lone LF line ends into CR LF
};

class ScriptWriter {
 public:
  explicit ScriptWriter(Cp932Converter converter = nullptr) : converter_(std::move(converter)) {}

  // The file image of a UTF-8 script; false when the text does not convert.
  bool build(std::string_view utf8, const ScriptOptions& options, std::vector<uint8_t>& out) const;
  // The same from CP932 bytes given as they are (no conversion).
  static std::vector<uint8_t> buildRaw(std::string_view cp932, const ScriptOptions& options);

 private:
  Cp932Converter converter_;
};

}  // namespace kobre::writers
