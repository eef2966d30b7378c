// Checked reading of outside bytes (files, archive entries, fuzz input).
//
// A ByteReader walks a span from a position. Every read that would go past
// the end reads nothing, returns zero, moves to the end and sets one sticky
// "ran out" flag, so a parser reads a whole record and checks ranOut() once
// instead of counting offsets and testing bounds at every field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

#include "common/ByteOrder.h"

namespace kobre {

class ByteReader {
 public:
  ByteReader() = default;
  explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  size_t size() const { return bytes_.size(); }
  size_t pos() const { return pos_; }
  size_t remaining() const { return bytes_.size() - pos_; }
  bool atEnd() const { return pos_ == bytes_.size(); }
  // True once any read, skip or seek asked for bytes that are not there.
  bool ranOut() const { return ranOut_; }
  // True when n more bytes can be read.
  bool has(uint64_t n) const { return n <= remaining(); }

  uint8_t u8() {
    const uint8_t* p = take(1);
    return p != nullptr ? p[0] : 0;
  }
  uint16_t le16() {
    const uint8_t* p = take(2);
    return p != nullptr ? loadLe16(p) : 0;
  }
  uint32_t le32() {
    const uint8_t* p = take(4);
    return p != nullptr ? loadLe32(p) : 0;
  }
  uint16_t be16() {
    const uint8_t* p = take(2);
    return p != nullptr ? loadBe16(p) : 0;
  }
  uint32_t be32() {
    const uint8_t* p = take(4);
    return p != nullptr ? loadBe32(p) : 0;
  }
  int16_t le16s() { return static_cast<int16_t>(le16()); }
  int32_t le32s() { return static_cast<int32_t>(le32()); }
  int16_t be16s() { return static_cast<int16_t>(be16()); }
  int32_t be32s() { return static_cast<int32_t>(be32()); }

  // The next n bytes (empty when they are not all there).
  std::span<const uint8_t> bytes(uint64_t n) {
    const uint8_t* p = take(n);
    return p != nullptr ? std::span<const uint8_t>(p, static_cast<size_t>(n))
                        : std::span<const uint8_t>();
  }
  // A reader over the next n bytes; this one moves past them.
  ByteReader sub(uint64_t n) { return ByteReader(bytes(n)); }
  // Reads tag.size() bytes and tells whether they equal tag.
  bool match(std::string_view tag) {
    std::span<const uint8_t> b = bytes(tag.size());
    return b.size() == tag.size() && std::memcmp(b.data(), tag.data(), tag.size()) == 0;
  }
  // Tells whether the next bytes equal tag without moving.
  bool peekMatch(std::string_view tag) const {
    return has(tag.size()) && std::memcmp(bytes_.data() + pos_, tag.data(), tag.size()) == 0;
  }

  // The next byte without moving; zero at the end (for zero-terminated text).
  uint8_t peek() const { return pos_ < bytes_.size() ? bytes_[pos_] : 0; }

  void skip(uint64_t n) { take(n); }
  // Moves to an absolute position; past the end is running out.
  void seek(uint64_t at) {
    if (at > bytes_.size()) {
      fail();
      return;
    }
    pos_ = static_cast<size_t>(at);
  }
  // The bytes not read yet.
  std::span<const uint8_t> rest() const { return bytes_.subspan(pos_); }
  std::span<const uint8_t> all() const { return bytes_; }

 private:
  const uint8_t* take(uint64_t n) {
    if (n > remaining()) {
      fail();
      return nullptr;
    }
    const uint8_t* p = bytes_.data() + pos_;
    pos_ += static_cast<size_t>(n);
    return p;
  }
  void fail() {
    ranOut_ = true;
    pos_ = bytes_.size();
  }

  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
  bool ranOut_ = false;
};

}  // namespace kobre
