// Benchmark of prepared pages: a prepared report of 10,000 pages with 60
// text objects each, written and read as a prepared-report stream, then
// every page rebuilt into objects. Prints MB/s and pages/s and the list's
// memory per page.
#include <QGuiApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/model/memo_view.h"
#include "engine/model/page.h"
#include "engine/output/emf_pages.h"
#include "engine/run/globals.h"
#include "engine/template/template_stream.h"

namespace {

constexpr int kPages = 10000;
constexpr int kObjectsPerPage = 60;

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The records of one page: 60 texts of the kind a list report prints.
std::string PageRecords(int page) {
  lf::TMemoryStream s;
  lf::ScopedStreamVersion version(lf::kCurrentStreamVersion);
  for (int i = 0; i < kObjectsPerPage; ++i) {
    lf::TfrMemoView memo;
    memo.Name = "Memo" + std::to_string(i + 1);
    memo.SetBounds(40 + (i % 4) * 170, 60 + (i / 4) * 18, 160, 18);
    memo.WorkLines = {"Row " + std::to_string(page * 15 + i / 4) + " column " + std::to_string(i % 4)};
    lf::WriteObjectRecord(s, memo);
  }
  return s.Bytes();
}

void Report(const char* what, double seconds, double bytes, int pages) {
  std::printf("%-28s %8.1f MB/s %10.0f pages/s  (%.3f s)\n", what, bytes / seconds / 1e6, pages / seconds,
              seconds);
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  lf::TfrPage a4(9, 2100, 2970, -1, false);
  lf::TfrEMFPages list(nullptr);
  for (int p = 0; p < kPages; ++p) {
    list.Add(a4);
    list.PageAt(p).Stream->Bytes() += PageRecords(p % 50);
  }

  int64_t streamBytes = 0, heldBytes = 0;
  for (int p = 0; p < kPages; ++p) {
    const lf::TPreparedPage& page = list.PageAt(p);
    streamBytes += page.Stream->Size();
    heldBytes += static_cast<int64_t>(sizeof(lf::TPreparedPage) + sizeof(void*) + sizeof(lf::TMemoryStream) +
                                      page.Stream->Bytes().capacity());
  }

  lf::TMemoryStream file;
  auto t = std::chrono::steady_clock::now();
  list.WriteToStream(&file);
  const double write = Seconds(t);

  lf::TfrEMFPages read(nullptr);
  file.SetPosition(0);
  t = std::chrono::steady_clock::now();
  read.ReadFromStream(&file);
  const double readTime = Seconds(t);

  t = std::chrono::steady_clock::now();
  for (int p = 0; p < read.Count(); ++p) {
    read.LoadPage(p);
    read.PageAt(p).Page.reset();
  }
  const double load = Seconds(t);

  const double size = static_cast<double>(file.Size());
  std::printf("%d pages x %d text objects, file %.1f MB\n", kPages, kObjectsPerPage, size / 1e6);
  Report("WriteToStream", write, size, kPages);
  Report("ReadFromStream", readTime, size, kPages);
  Report("LoadPage of every page", load, static_cast<double>(streamBytes), kPages);
  std::printf("list memory per page: %.0f bytes (stream %.0f + %.0f held beside it)\n",
              static_cast<double>(heldBytes) / kPages, static_cast<double>(streamBytes) / kPages,
              static_cast<double>(heldBytes - streamBytes) / kPages);
  return 0;
}
