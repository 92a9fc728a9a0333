// Byte stream implementations.
#include "platform/stream.h"

#include <algorithm>
#include <cstring>

#include "platform/output_file.h"

namespace lf {

int64_t TStream::Size() {
  int64_t pos = Position();
  int64_t size = Seek(0, SeekOrigin::End);
  Seek(pos, SeekOrigin::Begin);
  return size;
}

void TStream::ReadBuffer(void* buffer, size_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EStreamError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, size_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EStreamError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  char buf[65536];
  int64_t left = count;
  while (left > 0) {
    size_t n = static_cast<size_t>(std::min<int64_t>(left, sizeof buf));
    source.ReadBuffer(buf, n);
    WriteBuffer(buf, n);
    left -= static_cast<int64_t>(n);
  }
  return count;
}

size_t TMemoryStream::Read(void* buffer, size_t count) {
  if (pos_ >= data_.size()) return 0;
  size_t n = std::min(count, data_.size() - pos_);
  std::memcpy(buffer, data_.data() + pos_, n);
  pos_ += n;
  return n;
}

size_t TMemoryStream::Write(const void* buffer, size_t count) {
  if (count == 0) return 0;
  if (pos_ == data_.size()) {
    // Writing at the end, as records are written: one append.
    data_.append(static_cast<const char*>(buffer), count);
    pos_ += count;
    return count;
  }
  if (pos_ + count > data_.size()) data_.resize(pos_ + count);
  std::memcpy(data_.data() + pos_, buffer, count);
  pos_ += count;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, SeekOrigin origin) {
  int64_t base = origin == SeekOrigin::Begin ? 0
                 : origin == SeekOrigin::Current ? static_cast<int64_t>(pos_)
                                                 : static_cast<int64_t>(data_.size());
  int64_t target = base + offset;
  if (target < 0) target = 0;
  pos_ = static_cast<size_t>(target);
  return target;
}

void TMemoryStream::SetSize(int64_t size) {
  data_.resize(static_cast<size_t>(std::max<int64_t>(size, 0)));
  if (pos_ > data_.size()) pos_ = data_.size();
}

void TMemoryStream::LoadFromFile(const std::string& path) {
  TFileStream f(path, FileMode::OpenRead);
  Clear();
  CopyFrom(f, 0);
  pos_ = 0;
}

void TMemoryStream::SaveToFile(const std::string& path) const { WriteFileAtomically(path, data_); }

TFileStream::TFileStream(const std::string& path, FileMode) : path_(path) {
  file_ = std::fopen(path.c_str(), "rb");
  if (!file_) throw EStreamError("Cannot open file \"" + path + "\"");
}

TFileStream::~TFileStream() {
  if (file_) std::fclose(file_);
}

size_t TFileStream::Read(void* buffer, size_t count) { return std::fread(buffer, 1, count, file_); }

size_t TFileStream::Write(const void*, size_t) { throw EStreamError("Stream write error"); }

int64_t TFileStream::Seek(int64_t offset, SeekOrigin origin) {
  int whence = origin == SeekOrigin::Begin ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
  if (fseeko(file_, offset, whence) != 0) throw EStreamError("Stream seek error");
  return ftello(file_);
}

void TFileStream::SetSize(int64_t) { throw EStreamError("Stream write error"); }

}  // namespace lf
