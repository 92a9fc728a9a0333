// The spill file of prepared page streams.
#include "engine/output/page_spill.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "platform/stream.h"

namespace lf {

namespace {

[[noreturn]] void Fail(const char* what, int error) {
  throw EStreamError(std::string("cannot ") + what + " the temporary page file: " + std::strerror(error));
}

}  // namespace

PageSpill::~PageSpill() {
  if (file_) std::fclose(file_);
}

int64_t PageSpill::Append(std::string_view bytes) {
  if (!file_) {
    file_ = std::tmpfile();
    if (!file_) Fail("make", errno);
  }
  const int64_t at = size_;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::pwrite(fileno(file_), bytes.data() + done, bytes.size() - done,
                               static_cast<off_t>(at) + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Fail("write", n < 0 ? errno : ENOSPC);
    done += static_cast<size_t>(n);
  }
  size_ += static_cast<int64_t>(bytes.size());
  return at;
}

void PageSpill::Read(int64_t offset, int64_t size, std::string& out) {
  out.resize(static_cast<size_t>(size));
  size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = file_ ? ::pread(fileno(file_), out.data() + done, out.size() - done,
                                      static_cast<off_t>(offset) + static_cast<off_t>(done))
                            : 0;
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Fail("read", n < 0 ? errno : EIO);
    done += static_cast<size_t>(n);
  }
}

void PageSpill::Clear() {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
  }
  size_ = 0;
}

}  // namespace lf
