// Byte streams: the abstract stream the engine reads templates from and the
// HTTP client writes bodies to, with memory, text and file implementations.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/exception.h"

namespace lf {

class EStreamError : public Exception {
 public:
  using Exception::Exception;
};

enum class SeekOrigin { Begin, Current, End };

class TStream {
 public:
  virtual ~TStream() = default;
  // Reads up to count bytes; returns how many were read (0 at the end).
  virtual size_t Read(void* buffer, size_t count) = 0;
  // Writes count bytes; returns how many were written.
  virtual size_t Write(const void* buffer, size_t count) = 0;
  virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;
  // Cuts the stream at the current size given; position moves back if past it.
  virtual void SetSize(int64_t size) = 0;

  int64_t Position() { return Seek(0, SeekOrigin::Current); }
  void SetPosition(int64_t pos) { Seek(pos, SeekOrigin::Begin); }
  int64_t Size();
  // Reads exactly count bytes or raises EStreamError "Stream read error".
  void ReadBuffer(void* buffer, size_t count);
  // Writes exactly count bytes or raises EStreamError "Stream write error".
  void WriteBuffer(const void* buffer, size_t count);
  // Copies count bytes (0: the whole source from its start) from source.
  int64_t CopyFrom(TStream& source, int64_t count);
};

// Growable in-memory stream; the bytes are reachable directly.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string bytes) : data_(std::move(bytes)) {}
  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  void SetSize(int64_t size) override;
  void Clear() { data_.clear(); pos_ = 0; }
  const std::string& Bytes() const { return data_; }
  std::string& Bytes() { return data_; }
  void LoadFromFile(const std::string& path);
  // Writes the bytes to path through OutputFile.
  void SaveToFile(const std::string& path) const;

 private:
  std::string data_;
  size_t pos_ = 0;
};

// A memory stream whose content is read as one text (bytes in the host code
// page); the HTTP client fills it with the data document.
class TStringStream : public TMemoryStream {
 public:
  using TMemoryStream::TMemoryStream;
  const std::string& DataString() const { return Bytes(); }
};

// Files are only read through streams; every file written goes through
// OutputFile (platform/output_file.h), which checks each write and the close.
enum class FileMode { OpenRead };

// A file opened for reading; writing and resizing raise EStreamError.
class TFileStream : public TStream {
 public:
  // Raises EStreamError "Cannot open file \"PATH\"" when the file cannot be opened.
  TFileStream(const std::string& path, FileMode mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;
  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  void SetSize(int64_t size) override;
  const std::string& FileName() const { return path_; }

 private:
  std::string path_;
  std::FILE* file_ = nullptr;
};

}  // namespace lf
