// Showing prepared reports.
#include "preview/show_report.h"

#include "engine/expr/locale.h"
#include "engine/output/emf_pages.h"
#include "engine/run/globals.h"
#include "preview/preview_form.h"
#include "preview/preview_panel.h"
#include "preview/qt_text.h"

namespace lf {

std::string PreviewCaption(const TfrReport& report) {
  std::string caption = LoadLocalizedString(55207);
  if (!report.Title.empty()) caption += " - " + report.Title;
  return caption;
}

std::unique_ptr<TfrPreviewForm> ShowPreparedReport(TfrReport& report) {
  TfrEngineState& state = EngineState();
  state.CurReport = &report;
  state.MasterReport = &report;
  state.DocMode = kDocModePrinting;
  state.CurBand = nullptr;
  if (!report.PreparedPages || report.PreparedPages->Count() == 0) return nullptr;
  if (report.Preview) {
    report.Preview->Bind(report);
    return nullptr;
  }
  auto window = std::make_unique<TfrPreviewForm>();
  window->setWindowTitle(ToQString(PreviewCaption(report)));
  window->ShowFor(report);
  if (report.ModalPreview) return nullptr;
  return window;
}

}  // namespace lf
