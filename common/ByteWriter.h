// Building byte images to write out (archives, pictures, WAV, save data):
// appends little- and big-endian values to a vector and patches fields whose
// value is known later (chunk and section lengths).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

#include "common/ByteOrder.h"

namespace kobre {

class ByteWriter {
 public:
  explicit ByteWriter(std::vector<uint8_t>& out) : out_(out) {}

  size_t size() const { return out_.size(); }

  void u8(uint8_t v) { out_.push_back(v); }
  void le16(uint16_t v) { storeLe16(grow(2), v); }
  void le32(uint32_t v) { storeLe32(grow(4), v); }
  void be16(uint16_t v) { storeBe16(grow(2), v); }
  void be32(uint32_t v) { storeBe32(grow(4), v); }
  void bytes(std::span<const uint8_t> b) {
    if (!b.empty()) std::memcpy(grow(b.size()), b.data(), b.size());
  }
  void text(std::string_view s) {
    if (!s.empty()) std::memcpy(grow(s.size()), s.data(), s.size());
  }
  void zeros(size_t n) { out_.resize(out_.size() + n, 0); }

  // Overwrite a value written earlier at byte position at.
  void patchLe32(size_t at, uint32_t v) { storeLe32(out_.data() + at, v); }
  void patchBe32(size_t at, uint32_t v) { storeBe32(out_.data() + at, v); }
  void patchLe16(size_t at, uint16_t v) { storeLe16(out_.data() + at, v); }
  void patchBe16(size_t at, uint16_t v) { storeBe16(out_.data() + at, v); }

 private:
  uint8_t* grow(size_t n) {
    out_.resize(out_.size() + n);
    return out_.data() + out_.size() - n;
  }
  std::vector<uint8_t>& out_;
};

}  // namespace kobre
