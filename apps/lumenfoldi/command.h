// Subcommand registry of the lumenfoldi program: each subcommand lives in its
// own cmd_<name>.cpp and registers itself with a static Registration.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace lf::cli {

using Args = std::vector<std::string>;
// Runs a subcommand with the arguments after its name; returns the exit code.
using Handler = std::function<int(const Args&)>;

struct Registration {
  Registration(const char* name, const char* usage, Handler handler);
};

// Reads a whole file as bytes, or standard input for "-". Raises lf::Exception.
std::string ReadInput(const std::string& path);
// Writes bytes to a file, or standard output for "-". Raises lf::Exception.
void WriteOutput(const std::string& path, const std::string& bytes);

// Small option scanner: options may come before or after positional
// arguments; "--name value" and "--name=value" are both accepted.
class Options {
 public:
  // valueOptions take a value; flagOptions do not. Unknown options raise
  // lf::Exception "unknown option '--x'".
  Options(const Args& args, std::vector<std::string> valueOptions,
          std::vector<std::string> flagOptions = {});
  bool Has(const std::string& name) const;
  std::string Value(const std::string& name, const std::string& fallback = "") const;
  // Every value of an option that may repeat (--var A=1 --var B=2).
  std::vector<std::string> Values(const std::string& name) const;
  const std::vector<std::string>& Positional() const { return positional_; }

 private:
  std::vector<std::pair<std::string, std::string>> given_;
  std::vector<std::string> positional_;
};

}  // namespace lf::cli
