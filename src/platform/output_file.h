// A file written by the program that appears only once it is complete.
#pragma once

#include <cstdio>
#include <string>

#include "platform/stream.h"

namespace lf {

// Writes into a temporary file in the target's folder and renames it over the
// target in Commit(), so a failed job never leaves a truncated file nor loses
// the one that was there. Targets that are not regular files (/dev/stdout,
// devices, pipes) are written in place. Every write, flush and close is
// checked; failures raise EStreamError "cannot write 'PATH': <system message>".
// Destroying it without Commit() removes the temporary file.
class OutputFile : public TStream {
 public:
  explicit OutputFile(std::string path);
  ~OutputFile() override;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  void SetSize(int64_t size) override;

  // Completes the temporary file (flushed, synced to disk and closed, each
  // step checked) without renaming it yet; a set of files is finished one by
  // one, then committed together, so none holds a descriptor meanwhile.
  void Finish();
  // Finishes the file if needed and renames it over the target.
  void Commit();

 private:
  [[noreturn]] void Fail(int error) const;

  std::string path_;
  std::string tempPath_;  // empty when writing in place
  std::FILE* file_ = nullptr;
  bool finished_ = false;
  int error_ = 0;  // errno of a failed Finish()
  bool committed_ = false;
};

// Writes bytes to path through an OutputFile and commits it.
void WriteFileAtomically(const std::string& path, const std::string& bytes);

// Writes bytes to standard output and flushes them; raises EStreamError
// "cannot write standard output: <system message>" when that fails.
void WriteStdout(const std::string& bytes);

}  // namespace lf
