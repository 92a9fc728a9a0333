// TfrReport's loading and saving of prepared-report files.
#include "engine/model/report.h"
#include "engine/output/emf_pages.h"
#include "platform/output_file.h"

namespace lf {

void TfrReport::LoadPreparedReport(const std::string& fileName) {
  // Read whole into a list of its own, so a failure changes nothing.
  TFileStream file(fileName, FileMode::OpenRead);
  TfrEMFPagesPtr pages = NewEMFPages(this);
  pages->OpenLink = PreparedPages->OpenLink;
  pages->ReadFromStream(&file);
  ResetReportInfo();
  // Whatever the file holds, these pages were not made from this template.
  Rebuildable = false;
  PreparedPages = std::move(pages);
}

void TfrReport::SavePreparedReport(const std::string& fileName) {
  // A failed save leaves any earlier file as it was.
  OutputFile file(fileName);
  PreparedPages->WriteToStream(&file);
  file.Commit();
}

}  // namespace lf
