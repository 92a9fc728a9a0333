// A file system of a few kilobytes mounted for one test, to fill up on purpose.
#pragma once

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace lf::test {

// Mounts a tmpfs of the given size on a fresh folder; Mounted() is false
// (and Why() says so) where this process may not mount, e.g. without root.
class SmallDisk {
 public:
  explicit SmallDisk(const std::string& name, const std::string& size = "8k")
      : dir_(std::filesystem::temp_directory_path() / (name + "_" + std::to_string(getpid()))) {
    std::filesystem::create_directories(dir_);
    std::string options = "size=" + size;
    if (::mount("tmpfs", dir_.c_str(), "tmpfs", 0, options.c_str()) == 0)
      mounted_ = true;
    else
      why_ = std::string("cannot mount a small tmpfs to fill up (needs root): ") + std::strerror(errno);
  }
  ~SmallDisk() {
    if (mounted_) ::umount2(dir_.c_str(), MNT_DETACH);
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool Mounted() const { return mounted_; }
  const std::string& Why() const { return why_; }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  // The names in the folder, sorted, joined by " ".
  std::string Names() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    std::string out;
    for (const auto& n : names) out += (out.empty() ? "" : " ") + n;
    return out;
  }

 private:
  std::filesystem::path dir_;
  bool mounted_ = false;
  std::string why_;
};

}  // namespace lf::test
