// Output files that are renamed into place once complete.
#include "platform/output_file.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace lf {

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {
  struct stat st {};
  bool exists = ::stat(path_.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) {
    file_ = std::fopen(path_.c_str(), "wb");
    if (!file_) Fail(errno);
    return;
  }
  std::string pattern = path_ + ".XXXXXX";
  int fd = ::mkstemp(pattern.data());
  if (fd < 0) Fail(errno);
  tempPath_ = pattern;
  // mkstemp makes the file private; give it the mode a plain create would.
  mode_t mode = 0;
  if (exists) {
    mode = st.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  ::fchmod(fd, mode);
  file_ = ::fdopen(fd, "wb");
  if (!file_) {
    int error = errno;
    ::close(fd);
    ::unlink(tempPath_.c_str());
    Fail(error);
  }
}

OutputFile::~OutputFile() {
  if (committed_) return;
  if (file_) std::fclose(file_);
  if (!tempPath_.empty()) ::unlink(tempPath_.c_str());
}

void OutputFile::Fail(int error) const {
  throw EStreamError("cannot write '" + path_ + "': " + std::strerror(error));
}

size_t OutputFile::Read(void*, size_t) { return 0; }

size_t OutputFile::Write(const void* buffer, size_t count) {
  if (finished_) throw EStreamError("cannot write '" + path_ + "': already closed");
  size_t n = std::fwrite(buffer, 1, count, file_);
  if (n != count) Fail(errno);
  return n;
}

// A seek flushes what is buffered, so its failure is a failed write.
int64_t OutputFile::Seek(int64_t offset, SeekOrigin origin) {
  if (finished_) throw EStreamError("cannot write '" + path_ + "': already closed");
  int whence = origin == SeekOrigin::Begin ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
  if (fseeko(file_, offset, whence) != 0) Fail(errno);
  return ftello(file_);
}

void OutputFile::SetSize(int64_t size) {
  if (finished_) throw EStreamError("cannot write '" + path_ + "': already closed");
  if (std::fflush(file_) != 0) Fail(errno);
  if (ftruncate(fileno(file_), size) != 0) Fail(errno);
}

void OutputFile::Finish() {
  if (!finished_) {
    finished_ = true;
    if (std::fflush(file_) != 0) error_ = errno;
    if (!tempPath_.empty() && error_ == 0 && ::fsync(fileno(file_)) != 0) error_ = errno;
    if (std::fclose(file_) != 0 && error_ == 0) error_ = errno;
    file_ = nullptr;
  }
  if (error_ != 0) Fail(error_);
}

void OutputFile::Commit() {
  if (committed_) return;
  Finish();
  if (!tempPath_.empty() && std::rename(tempPath_.c_str(), path_.c_str()) != 0) Fail(errno);
  committed_ = true;
}

void WriteFileAtomically(const std::string& path, const std::string& bytes) {
  OutputFile file(path);
  file.Write(bytes.data(), bytes.size());
  file.Commit();
}

void WriteStdout(const std::string& bytes) {
  if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0)
    throw EStreamError(std::string("cannot write standard output: ") + std::strerror(errno));
}

}  // namespace lf
