// The folder of prepared reports shared by service processes.
#include "service/report_cache.h"

#include <QCryptographicHash>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>

#include "engine/output/emf_pages.h"
#include "platform/exception.h"
#include "platform/output_file.h"

namespace lf {

std::string ReportId(std::string_view templateBytes, std::string_view dataBytes) {
  QCryptographicHash hash(QCryptographicHash::Sha256);
  char length[8];
  uint64_t n = templateBytes.size();
  for (char& c : length) {
    c = static_cast<char>(n & 0xFF);
    n >>= 8;
  }
  hash.addData(QByteArrayView(length, 8));
  hash.addData(QByteArrayView(templateBytes.data(), static_cast<qsizetype>(templateBytes.size())));
  hash.addData(QByteArrayView(dataBytes.data(), static_cast<qsizetype>(dataBytes.size())));
  return hash.result().toHex().toStdString();
}

bool IsReportId(std::string_view text) {
  if (text.size() != 64) return false;
  for (char c : text)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

ReportCache::ReportCache(std::string dir) : dir_(std::move(dir)) {
  std::error_code ec;
  std::filesystem::create_directories(dir_, ec);
  if (!std::filesystem::is_directory(dir_))
    throw Exception("cannot make the cache folder '" + dir_ + "'" + (ec ? ": " + ec.message() : ""));
}

std::optional<std::string> ReportCache::Description(const std::string& id) const {
  if (!IsReportId(id)) return std::nullopt;
  std::ifstream in(DescriptionPath(id), std::ios::binary);
  if (!in) return std::nullopt;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (text.empty()) return std::nullopt;
  return text;
}

void ReportCache::Store(const std::string& id, TfrEMFPages& pages, const std::string& title) const {
  OutputFile frp(FrpPath(id));
  pages.WriteToStream(&frp);
  frp.Commit();
  WriteFileAtomically(DescriptionPath(id), DescribeReport(id, pages, title));
}

ReportCache::Lock::Lock(const ReportCache& cache, const std::string& id) {
  const std::string path = cache.Dir() + "/" + id + ".lock";
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) throw Exception("cannot lock '" + path + "'");
  while (::flock(fd_, LOCK_EX) != 0) {
    if (errno != EINTR) throw Exception("cannot lock '" + path + "'");
  }
}

ReportCache::Lock::~Lock() {
  if (fd_ >= 0) ::close(fd_);
}

std::string DescribeReport(const std::string& id, const TfrEMFPages& pages, const std::string& title) {
  nlohmann::json sizes = nlohmann::json::array();
  auto mm = [](int32_t units) { return std::round(units / kPageUnitsPerMm * 10) / 10; };
  for (int i = 0; i < pages.Count(); ++i) {
    const TPreparedPage& p = pages.PageAt(i);
    sizes.push_back({mm(p.Metrics.SheetWidth), mm(p.Metrics.SheetHeight)});
  }
  nlohmann::json d = {{"id", id}, {"pages", pages.Count()}, {"title", title}, {"pageSizes", sizes}};
  return d.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace lf
