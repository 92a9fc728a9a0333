// TfrReport's loading and saving of prepared-report files.
#include <cstdio>
#include <unistd.h>

#include "engine/model/report.h"
#include "engine/output/emf_pages.h"

namespace lf {

void TfrReport::LoadPreparedReport(const std::string& fileName) {
  ResetReportInfo();
  TFileStream file(fileName, FileMode::OpenRead);
  // Whatever the file holds, these pages were not made from this template.
  Rebuildable = false;
  PreparedPages->ReadFromStream(&file);
}

void TfrReport::SavePreparedReport(const std::string& fileName) {
  // Written beside the target and renamed over it when complete, so that a
  // failed save leaves any earlier file as it was.
  const std::string temporary = fileName + ".tmp" + std::to_string(::getpid());
  try {
    {
      TFileStream file(temporary, FileMode::Create);
      PreparedPages->WriteToStream(&file);
    }
    if (std::rename(temporary.c_str(), fileName.c_str()) != 0)
      throw EStreamError("Cannot create file \"" + fileName + "\"");
  } catch (...) {
    std::remove(temporary.c_str());
    throw;
  }
}

}  // namespace lf
