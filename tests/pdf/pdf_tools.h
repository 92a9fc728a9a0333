// Runs the PDF tools a user would check a document with (poppler's
// pdftotext, pdffonts, pdfinfo, pdfimages, pdftoppm, and qpdf).
#pragma once

#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace lf::test {

struct ToolRun {
  int exitCode = -1;
  std::string out;  // standard output and error together
};

inline ToolRun RunTool(const std::string& command) {
  ToolRun run;
  std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  const int status = ::pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

}  // namespace lf::test
