// ByteReader: little-endian reads from a span of picture bytes, every read
// checked against the span's end.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

#include "engine/graphics/graphic_error.h"

namespace lf {

class ByteReader {
 public:
  // what names the picture kind in errors ("not a valid <what>").
  ByteReader(std::string_view data, const char* what) : data_(data), what_(what) {}

  size_t Size() const { return data_.size(); }
  size_t Position() const { return pos_; }
  size_t Remaining() const { return data_.size() - pos_; }
  std::string_view Data() const { return data_; }

  void Seek(size_t pos) {
    if (pos > data_.size()) Fail();
    pos_ = pos;
  }
  void Skip(size_t n) { Seek(Need(n) + n); }
  uint8_t U8() {
    const size_t at = Need(1);
    ++pos_;
    return static_cast<uint8_t>(data_[at]);
  }
  uint16_t U16() { return static_cast<uint16_t>(Read<2>()); }
  int16_t I16() { return static_cast<int16_t>(Read<2>()); }
  uint32_t U32() { return static_cast<uint32_t>(Read<4>()); }
  int32_t I32() { return static_cast<int32_t>(Read<4>()); }
  float F32() {
    uint32_t bits = U32();
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
  }
  std::string_view Bytes(size_t n) {
    size_t at = Need(n);
    pos_ += n;
    return data_.substr(at, n);
  }
  // Raises "not a valid <what>".
  [[noreturn]] void Fail() const { throw EInvalidGraphic(std::string("not a valid ") + what_); }

 private:
  size_t Need(size_t n) const {
    if (n > Remaining()) Fail();
    return pos_;
  }
  template <int N>
  uint64_t Read() {
    size_t at = Need(N);
    uint64_t v = 0;
    for (int i = N - 1; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(data_[at + i]);
    pos_ += N;
    return v;
  }

  std::string_view data_;
  size_t pos_ = 0;
  const char* what_;
};

}  // namespace lf
