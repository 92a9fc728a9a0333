// Runs the lumenfoldi program for the command-line tests, in a fresh folder per test.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace lf::test {

struct CliRun {
  int exitCode = -1;
  std::string out, err;
};

// The folder holds a private runtime folder, so Qt has nothing to say about
// a missing or shared one, and is removed with everything in it.
class CliTest : public testing::Test {
 protected:
  CliTest() : dir_(std::filesystem::temp_directory_path() / ("lf_cli_" + std::to_string(getpid()))) {
    std::filesystem::create_directories(dir_ / "xdg");
    std::filesystem::permissions(dir_ / "xdg", std::filesystem::perms::owner_all);
  }
  ~CliTest() override { std::filesystem::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  static std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
  }

  // args is shell text: the caller quotes paths. env holds "NAME=value"
  // assignments put before the program's own. Output and errors go to the
  // files "out" and "err"; args may end in a redirection of its own
  // (">/dev/full"), which then wins over that capture.
  CliRun Cli(const std::string& args, const std::string& env = "") const {
    std::string cmd = "{ " + env + " QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR='" + Path("xdg") + "' '" LF_CLI_PATH
                      "' " + args + "; } >'" + Path("out") + "' 2>'" + Path("err") + "'";
    int status = std::system(cmd.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(Path("out")), Slurp(Path("err"))};
  }

  std::filesystem::path dir_;
};

}  // namespace lf::test
