#pragma once
// Little-endian, unpadded byte streams. Every binary reader goes through
// ByteReader, which throws ReadError instead of reading past the end.

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "scene/vector.h"

namespace qx {

struct ReadError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class ByteWriter {
 public:
  void U8(uint8_t v) { buf_.push_back(v); }
  void U16(uint16_t v) { Raw(&v, 2); }
  void U32(uint32_t v) { Raw(&v, 4); }
  void I32(int32_t v) { Raw(&v, 4); }
  void F32(float v) { Raw(&v, 4); }
  void Bytes(const void* p, size_t n) { Raw(p, n); }
  void Bytes(const std::string& s) { Raw(s.data(), s.size()); }
  void Bytes(const std::vector<uint8_t>& v) { Raw(v.data(), v.size()); }
  size_t Size() const { return buf_.size(); }
  void Reserve(size_t n) { buf_.reserve(n); }
  std::vector<uint8_t>& Buffer() { return buf_; }
  std::vector<uint8_t> Take() { return std::move(buf_); }

 private:
  // The host is little-endian (x86-64); static_assert-ed in bytes.cpp.
  void Raw(const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    buf_.insert(buf_.end(), b, b + n);
  }
  std::vector<uint8_t> buf_;
};

class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  explicit ByteReader(const std::vector<uint8_t>& v) : ByteReader(v.data(), v.size()) {}

  uint8_t U8() { return Get<uint8_t>(); }
  uint16_t U16() { return Get<uint16_t>(); }
  uint32_t U32() { return Get<uint32_t>(); }
  int32_t I32() { return Get<int32_t>(); }
  float F32() { return Get<float>(); }
  const uint8_t* Bytes(size_t n) {
    Need(n);
    const uint8_t* p = data_ + pos_;
    pos_ += n;
    return p;
  }
  std::string String(size_t n) {
    const uint8_t* p = Bytes(n);
    return std::string(reinterpret_cast<const char*>(p), n);
  }
  void Skip(size_t n) { Bytes(n); }
  // Throws unless `count` items of `item_size` bytes can still follow; call it
  // before allocating for a count read from a file.
  void NeedItems(uint64_t count, uint64_t item_size) const {
    if (item_size != 0 && count > Remaining() / item_size)
      throw ReadError("Anzahl größer als die übrigen Daten");
  }
  size_t Remaining() const { return size_ - pos_; }
  size_t Position() const { return pos_; }
  void Seek(size_t pos) {
    if (pos > size_) throw ReadError("Position hinter dem Dateiende");
    pos_ = pos;
  }
  const uint8_t* Data() const { return data_; }
  size_t Size() const { return size_; }

 private:
  void Need(size_t n) const {
    if (n > size_ - pos_) throw ReadError("unerwartetes Dateiende");
  }
  template <typename T>
  T Get() {
    Need(sizeof(T));
    T v;
    std::memcpy(&v, data_ + pos_, sizeof(T));
    pos_ += sizeof(T);
    return v;
  }
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

inline void WriteVector(ByteWriter& out, const Vector& v) {
  out.F32(v.x);
  out.F32(v.y);
  out.F32(v.z);
}

inline Vector ReadVector(ByteReader& in) {
  Vector v;
  v.x = in.F32();
  v.y = in.F32();
  v.z = in.F32();
  return v;
}

// An operating-system error number (errno, std::error_code::value()) as a short
// German text for the messages; numbers without one of their own are named.
std::string SystemErrorText(int error_number);

// Reads a whole file; false (with `error` set) when it cannot be read or is
// larger than max_size.
bool ReadWholeFile(const std::filesystem::path& path, std::vector<uint8_t>& out, std::string& error,
                   uint64_t max_size = uint64_t(1) << 31);

// Writes to a temporary file in the target's folder, flushes it and renames it
// over the target, so a failed write never destroys the previous file.
bool WriteFileAtomic(const std::filesystem::path& path, const std::vector<uint8_t>& data, std::string& error);

// Float to byte: nearest integer with halves to even, low 8 bits kept.
uint8_t RoundToByte(double value);

}  // namespace qx
