// A CUPS scheduler of the test's own: started on a free loopback port in a
// temporary folder, with queues that print to PDF files, and the client
// pointed at it through CUPS_SERVER.
#pragma once

#include <charconv>
#include <cups/cups.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace lf::test {

inline constexpr const char* kGenericPdfPpd = "/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd";

// IPP job states.
inline constexpr int kJobCancelled = 7;
inline constexpr int kJobAborted = 8;
inline constexpr int kJobCompleted = 9;

struct SpooledJob {
  int state = 0;
  std::string name;
  int copies = 0;
};

// Output of a command run through the shell.
inline std::string CommandOutput(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

// The text of each page of a PDF, blanks at both ends removed.
inline std::vector<std::string> PdfPageTexts(const std::string& path) {
  std::string all = CommandOutput("pdftotext -q '" + path + "' - 2>/dev/null");
  std::vector<std::string> pages;
  size_t at = 0, ff;
  while ((ff = all.find('\f', at)) != std::string::npos) {
    std::string page = all.substr(at, ff - at);
    const size_t b = page.find_first_not_of(" \n\r\t");
    const size_t e = page.find_last_not_of(" \n\r\t");
    pages.push_back(b == std::string::npos ? "" : page.substr(b, e - b + 1));
    at = ff + 1;
  }
  return pages;
}

// Width and height in points of each page of a PDF, as shown (turned by its
// rotation).
inline std::vector<std::pair<int, int>> PdfPageSizes(const std::string& path) {
  std::string info = CommandOutput("LC_ALL=C pdfinfo -f 1 -l 1000000 '" + path + "' 2>/dev/null");
  std::vector<std::pair<int, int>> sizes;
  size_t at = 0;
  while ((at = info.find("Page ", at)) != std::string::npos) {
    const size_t eol = info.find('\n', at);
    const std::string line = info.substr(at, eol - at);
    at = eol;
    int page = 0;
    // pdfinfo writes a point in its sizes; sscanf's %lf would follow the locale.
    const size_t sizeAt = line.find(" size: ");
    if (std::sscanf(line.c_str(), "Page %d size:", &page) == 1 && sizeAt != std::string::npos) {
      const char* p = line.c_str() + sizeAt + 7;
      const char* end = line.c_str() + line.size();
      double w = 0, h = 0;
      while (p < end && *p == ' ') ++p;
      p = std::from_chars(p, end, w).ptr;
      while (p < end && (*p == ' ' || *p == 'x')) ++p;
      std::from_chars(p, end, h);
      sizes.emplace_back(static_cast<int>(w + 0.5), static_cast<int>(h + 0.5));
    } else if (int rot = 0; std::sscanf(line.c_str(), "Page %d rot: %d", &page, &rot) == 2 &&
                            (rot == 90 || rot == 270) && !sizes.empty()) {
      std::swap(sizes.back().first, sizes.back().second);
    }
  }
  return sizes;
}

class PrivateCupsd {
 public:
  // Starts the scheduler; when it cannot run, Running() is false and
  // Problem() says why.
  PrivateCupsd() {
    if (CupsdPath().empty()) {
      problem_ = "cupsd is not installed";
      return;
    }
    char pattern[] = "/tmp/lf-cupsd-XXXXXX";
    if (!mkdtemp(pattern)) {
      problem_ = "cannot make a folder for cupsd";
      return;
    }
    dir_ = pattern;
    // The scheduler's filters run as an unprivileged account when the tests
    // run as root; they must reach the folder and write the output files.
    chmod(dir_.c_str(), 0755);
    std::filesystem::create_directories(dir_ + "/out");
    chmod((dir_ + "/out").c_str(), 0777);
    for (int attempt = 0; attempt < 5 && pid_ <= 0; ++attempt) Start();
    if (pid_ <= 0) return;
    server_ = "localhost:" + std::to_string(port_);
    for (const char* name : {"CUPS_SERVER", "LPDEST", "PRINTER"})
      if (const char* value = getenv(name)) savedEnvironment_.emplace_back(name, value);
    setenv("CUPS_SERVER", server_.c_str(), 1);
    unsetenv("LPDEST");
    unsetenv("PRINTER");
    cupsSetServer(server_.c_str());
  }

  ~PrivateCupsd() { Stop(); }

  // Stops the scheduler and points the client back where it pointed
  // before, so that what runs next in the process sees the print system it
  // would have seen without this one.
  void Stop() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      int status = 0;
      waitpid(pid_, &status, 0);
      pid_ = 0;
      for (const char* name : {"CUPS_SERVER", "LPDEST", "PRINTER"}) unsetenv(name);
      for (const auto& [name, value] : savedEnvironment_) setenv(name.c_str(), value.c_str(), 1);
      cupsSetServer(nullptr);  // read from the environment again
    }
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
    dir_.clear();
  }

  PrivateCupsd(const PrivateCupsd&) = delete;
  PrivateCupsd& operator=(const PrivateCupsd&) = delete;

  static std::string CupsdPath() {
    for (const char* p : {"/usr/sbin/cupsd", "/usr/local/sbin/cupsd"})
      if (access(p, X_OK) == 0) return p;
    return {};
  }

  bool Running() const { return pid_ > 0; }
  const std::string& Problem() const { return problem_; }
  const std::string& Server() const { return server_; }
  const std::string& Dir() const { return dir_; }

  // Adds an enabled queue writing each job's output to OutputPath(name).
  bool AddQueue(const std::string& name, bool makeDefault = false) {
    std::string cmd = "lpadmin -p '" + name + "' -E -v 'file://" + OutputPath(name) + "' -P '" +
                      kGenericPdfPpd + "' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) return false;
    if (makeDefault && std::system(("lpadmin -d '" + name + "' >/dev/null 2>&1").c_str()) != 0)
      return false;
    return true;
  }

  std::string OutputPath(const std::string& queue) const { return dir_ + "/out/" + queue + ".pdf"; }

  // The document as the scheduler received it (kept after the job ended).
  std::string DocumentPath(int job) const {
    char name[32];
    std::snprintf(name, sizeof name, "/spool/d%05d-001", job);
    return dir_ + name;
  }

  SpooledJob Job(int id) const {
    SpooledJob job;
    http_t* http = httpConnect2("localhost", port_, nullptr, AF_UNSPEC, HTTP_ENCRYPTION_IF_REQUESTED,
                                1, 10000, nullptr);
    if (!http) return job;
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const std::string uri = "ipp://localhost:" + std::to_string(port_) + "/jobs/" + std::to_string(id);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    if (ipp_t* response = cupsDoRequest(http, request, "/")) {
      if (ipp_attribute_t* a = ippFindAttribute(response, "job-state", IPP_TAG_ENUM))
        job.state = ippGetInteger(a, 0);
      if (ipp_attribute_t* a = ippFindAttribute(response, "job-name", IPP_TAG_NAME))
        job.name = ippGetString(a, 0, nullptr);
      if (ipp_attribute_t* a = ippFindAttribute(response, "copies", IPP_TAG_INTEGER))
        job.copies = ippGetInteger(a, 0);
      ippDelete(response);
    }
    httpClose(http);
    return job;
  }

  // Waits until the job has ended (completed, cancelled or aborted).
  SpooledJob WaitForJob(int id, std::chrono::seconds limit = std::chrono::seconds(60)) const {
    const auto until = std::chrono::steady_clock::now() + limit;
    SpooledJob job = Job(id);
    while (job.state < kJobCancelled && std::chrono::steady_clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      job = Job(id);
    }
    return job;
  }

 private:
  static int FreePort() {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
      port = ntohs(a.sin_port);
    close(s);
    return port;
  }

  bool Accepts() const {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port_));
    const bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(s);
    return ok;
  }

  void WriteConfig() const {
    std::ofstream(dir_ + "/cupsd.conf")
        << "Listen 127.0.0.1:" << port_ << "\n"
        << "LogLevel warn\nBrowsing No\nWebInterface No\nDefaultAuthType None\n"
        << "PreserveJobFiles Yes\nMaxLogSize 0\n"
        << "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
        << "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n";
    std::ofstream files(dir_ + "/cups-files.conf");
    files << "FileDevice Yes\n";
    if (geteuid() == 0) {
      // cupsd refuses to run filters as root.
      const bool hasLp = getpwnam("lp") != nullptr;
      files << "User " << (hasLp ? "lp" : "nobody") << "\nGroup " << (hasLp ? "lp" : "nogroup") << "\n";
    }
    files << "ServerRoot " << dir_ << "\nRequestRoot " << dir_ << "/spool\nCacheDir " << dir_
          << "/cache\nStateDir " << dir_ << "/state\nErrorLog " << dir_ << "/error_log\nAccessLog "
          << dir_ << "/access_log\nPageLog " << dir_ << "/page_log\nPrintcap " << dir_
          << "/printcap\nServerBin /usr/lib/cups\n"
          << "DataDir /usr/share/cups\n";
  }

  // One try on a free port; another test process may take the port first,
  // so a scheduler that does not come up is stopped and the caller retries.
  void Start() {
    port_ = FreePort();
    if (port_ <= 0) {
      problem_ = "no free port";
      return;
    }
    WriteConfig();
    const std::string log = dir_ + "/cupsd.out";
    pid_t pid = fork();
    if (pid == 0) {
      FILE* out = std::freopen(log.c_str(), "a", stdout);
      (void)out;
      dup2(fileno(stdout), fileno(stderr));
      const std::string conf = dir_ + "/cupsd.conf", files = dir_ + "/cups-files.conf";
      const std::string cupsd = CupsdPath();
      execl(cupsd.c_str(), "cupsd", "-f", "-c", conf.c_str(), "-s", files.c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
    if (pid < 0) {
      problem_ = "cannot start cupsd";
      return;
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < until) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) break;
      if (Accepts()) {
        pid_ = pid;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    problem_ = "cupsd did not start: ";
    for (const std::string& name : {log, dir_ + "/error_log"}) {
      std::ifstream in(name);
      problem_ += std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
  }

  std::string dir_;
  std::string server_;
  std::vector<std::pair<std::string, std::string>> savedEnvironment_;  // the client's settings before
  std::string problem_;
  int port_ = 0;
  pid_t pid_ = -1;
};

}  // namespace lf::test

#ifdef GTEST_SKIP
// Skips the test only when the scheduler is not installed; a scheduler that
// is installed but does not start fails it.
#define LF_REQUIRE_CUPSD(cupsd)                                                         \
  do {                                                                                  \
    if (lf::test::PrivateCupsd::CupsdPath().empty())                                    \
      GTEST_SKIP() << "cupsd is not installed (package cups): no print system to test"; \
    ASSERT_TRUE((cupsd).Running()) << (cupsd).Problem();                                \
  } while (0)
#endif
