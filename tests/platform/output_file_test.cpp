// Tests of the output writer: a full disk fails with the system's message and
// keeps the file that was there; replaced files keep their mode; a symlink
// at the target is replaced, never written through.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/output_file.h"
#include "platform/small_disk.h"
#include "platform/stream.h"

namespace lf {
namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(OutputFile, FullDiskFailsAndKeepsTheEarlierFile) {
  test::SmallDisk disk("lf_output_full");
  if (!disk.Mounted()) GTEST_SKIP() << disk.Why();
  const std::string path = disk.Path("report.frp");
  WriteFileAtomically(path, "good");
  const std::string big(100'000, 'x');
  try {
    TMemoryStream(big).SaveToFile(path);
    FAIL() << "a write beyond the disk succeeded";
  } catch (const EStreamError& e) {
    EXPECT_STREQ(e.what(), ("cannot write '" + path + "': No space left on device").c_str());
  }
  EXPECT_EQ(Slurp(path), "good");
  EXPECT_EQ(disk.Names(), "report.frp");

  // With the disk filled up, a small write stays in the buffer and fails
  // when flushed: by a seek, by Finish or by Commit. Each leaves nothing.
  {
    std::ofstream filler(disk.Path("filler"), std::ios::binary);
    while (filler.write(big.data(), 4096)) {}
  }
  for (int step = 0; step < 3; ++step) {
    try {
      OutputFile file(path);
      file.Write("new", 3);
      if (step == 0) file.Seek(0, SeekOrigin::Begin);
      if (step == 1) file.Finish();
      if (step == 2) file.Commit();
      ADD_FAILURE() << "step " << step << " succeeded";
    } catch (const EStreamError& e) {
      EXPECT_STREQ(e.what(), ("cannot write '" + path + "': No space left on device").c_str()) << step;
    }
    EXPECT_EQ(Slurp(path), "good") << step;
    EXPECT_EQ(disk.Names(), "filler report.frp") << step;
  }
}

TEST(OutputFile, ReplacesTheTargetKeepingItsModeAndNeverWritesThroughALink) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("lf_output_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string target = (dir / "out.pdf").string(), victim = (dir / "victim").string();
  WriteFileAtomically(target, "old");
  ::chmod(target.c_str(), 0640);
  WriteFileAtomically(target, "new");
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(Slurp(target), "new");

  WriteFileAtomically(victim, "precious");
  std::filesystem::remove(target);
  std::filesystem::create_symlink(victim, target);
  WriteFileAtomically(target, "new");
  EXPECT_EQ(Slurp(victim), "precious");
  EXPECT_FALSE(std::filesystem::is_symlink(target));
  EXPECT_EQ(Slurp(target), "new");

  // A file never committed leaves no temporary behind.
  { OutputFile abandoned((dir / "abandoned").string()); }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 2);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace lf
