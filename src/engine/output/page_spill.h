// PageSpill: the temporary file that prepared page streams move to once
// they pass the memory budget, read back page by page.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace lf {

// Bytes of prepared page streams kept in memory; pages beyond it go to the
// spill file.
inline constexpr int64_t kPageMemoryBudget = int64_t{64} << 20;

class PageSpill {
 public:
  PageSpill() = default;
  ~PageSpill();
  PageSpill(const PageSpill&) = delete;
  PageSpill& operator=(const PageSpill&) = delete;

  // Appends bytes to the file (made at first use, in the system's folder
  // for temporary files, already removed from it so that it goes when the
  // process does, however it ends); returns their offset. Raises
  // EStreamError when the file cannot be made or written.
  int64_t Append(std::string_view bytes);
  // Reads size bytes at offset into out.
  void Read(int64_t offset, int64_t size, std::string& out);
  // Bytes in the file.
  int64_t Size() const { return size_; }
  // Drops the file's contents (all pages went away).
  void Clear();

 private:
  std::FILE* file_ = nullptr;
  int64_t size_ = 0;
};

}  // namespace lf
