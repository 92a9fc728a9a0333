// lumenfoldi: the engine headless, one subcommand per job.
#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cerrno>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>

#include "command.h"
#include "engine/output/pdf_export.h"
#include "platform/output_file.h"
#include "platform/code_page.h"
#include "platform/exception.h"

namespace lf::cli {
namespace {

struct Entry {
  std::string usage;
  Handler handler;
};

std::map<std::string, Entry>& Registry() {
  static std::map<std::string, Entry> registry;
  return registry;
}

void PrintUsage() {
  std::fprintf(stderr, "usage: lumenfoldi COMMAND [ARGS...]\n\ncommands:\n");
  for (const auto& [name, entry] : Registry()) std::fprintf(stderr, "  %s\n", entry.usage.c_str());
}

}  // namespace

Registration::Registration(const char* name, const char* usage, Handler handler) {
  Registry()[name] = Entry{usage, std::move(handler)};
}

std::string ReadInput(const std::string& path) {
  if (path == "-") {
    std::string bytes((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    return bytes;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Exception("cannot open '" + path + "'");
  // A regular file is read in one piece into a string of its size; growing
  // the string as it reads would need twice the room at the end.
  std::string bytes;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size > 0) {
    bytes.resize(static_cast<size_t>(size));
    in.seekg(0, std::ios::beg);
    in.read(bytes.data(), size);
    bytes.resize(static_cast<size_t>(in.gcount()));
    if (in.gcount() < size) return bytes;  // shrank while read
  }
  in.clear();
  // Whatever follows (a file that grew, or a stream without a size).
  bytes.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return bytes;
}

void WriteOutput(const std::string& path, const std::string& bytes) {
  if (path == "-" || path.empty()) {
    WriteStdout(bytes);
    return;
  }
  OutputFile out(path);
  out.WriteBuffer(bytes.data(), bytes.size());
  out.Commit();
}

Options::Options(const Args& args, std::vector<std::string> valueOptions,
                 std::vector<std::string> flagOptions) {
  auto known = [](const std::vector<std::string>& list, const std::string& n) {
    return std::find(list.begin(), list.end(), n) != list.end();
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
      std::string name = a.substr(2), value;
      size_t eq = name.find('=');
      bool inlineValue = eq != std::string::npos;
      if (inlineValue) {
        value = name.substr(eq + 1);
        name = name.substr(0, eq);
      }
      if (known(valueOptions, name)) {
        if (!inlineValue) {
          if (i + 1 >= args.size()) throw Exception("option '--" + name + "' needs a value");
          value = args[++i];
        }
      } else if (!known(flagOptions, name) || inlineValue) {
        throw Exception("unknown option '--" + name + "'");
      }
      given_.emplace_back(name, value);
    } else if (a == "-o" && known(valueOptions, "o")) {
      if (i + 1 >= args.size()) throw Exception("option '-o' needs a value");
      given_.emplace_back("o", args[++i]);
    } else {
      positional_.push_back(a);
    }
  }
}

bool Options::Has(const std::string& name) const {
  return std::any_of(given_.begin(), given_.end(), [&](const auto& p) { return p.first == name; });
}

std::string Options::Value(const std::string& name, const std::string& fallback) const {
  for (auto it = given_.rbegin(); it != given_.rend(); ++it)
    if (it->first == name) return it->second;
  return fallback;
}

std::vector<std::string> Options::Values(const std::string& name) const {
  std::vector<std::string> out;
  for (const auto& p : given_)
    if (p.first == name) out.push_back(p.second);
  return out;
}

}  // namespace lf::cli

int main(int argc, char** argv) {
  // Headless by default: the engine measures text with real fonts but needs no display.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // Qt wants a private runtime folder and warns on every start without one.
  if (!getenv("XDG_RUNTIME_DIR")) {
    std::string dir = "/tmp/runtime-" + std::to_string(getuid());
    if (mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST) setenv("XDG_RUNTIME_DIR", dir.c_str(), 0);
  }
  lf::KeepPageBuffersInHeap();
  QGuiApplication app(argc, argv);
  if (argc < 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "help") {
    lf::cli::PrintUsage();
    return argc < 2 ? 2 : 0;
  }
  auto& registry = lf::cli::Registry();
  auto it = registry.find(argv[1]);
  if (it == registry.end()) {
    std::fprintf(stderr, "lumenfoldi: unknown command '%s'\n", argv[1]);
    lf::cli::PrintUsage();
    return 2;
  }
  lf::cli::Args args(argv + 2, argv + argc);
  try {
    return it->second.handler(args);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "lumenfoldi %s: %s\n", argv[1], e.what());
    return 1;
  }
}
