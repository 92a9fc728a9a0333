// ReportCache: the folder of prepared reports, each stored under its id (the
// SHA-256 of its template and data) as ID.frp with its description ID.json;
// every process given the same folder serves what any of them prepared.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lf {

class TfrEMFPages;

// The id of the report of a template and its data: the SHA-256, in lower-case
// hex, of the template's length (8 bytes, little-endian), the template and the data.
std::string ReportId(std::string_view templateBytes, std::string_view dataBytes);
// Whether text has the form of an id (64 lower-case hex digits).
bool IsReportId(std::string_view text);

// Page units per millimetre of a prepared page's sheet.
inline constexpr double kPageUnitsPerMm = 93.0 / 1.015 / 25.4;

class ReportCache {
 public:
  // dir is created when missing; raises lf::Exception when it cannot be.
  explicit ReportCache(std::string dir);

  const std::string& Dir() const { return dir_; }
  std::string FrpPath(const std::string& id) const { return dir_ + "/" + id + ".frp"; }
  std::string DescriptionPath(const std::string& id) const { return dir_ + "/" + id + ".json"; }

  // The description of a stored report ({"id", "pages", "title",
  // "pageSizes": [[w_mm, h_mm], ...]}), nothing when it is not stored.
  std::optional<std::string> Description(const std::string& id) const;
  // Stores the prepared file, then its description: a report counts as
  // stored once its description is there. Both are written atomically.
  void Store(const std::string& id, TfrEMFPages& pages, const std::string& title) const;

  // Holds an exclusive lock on the id among all processes sharing the folder
  // (released by the destructor), so that one of them prepares it.
  class Lock {
   public:
    Lock(const ReportCache& cache, const std::string& id);
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

   private:
    int fd_ = -1;
  };

 private:
  std::string dir_;
};

// The description of pages under id, as ReportCache stores it.
std::string DescribeReport(const std::string& id, const TfrEMFPages& pages, const std::string& title);

}  // namespace lf
