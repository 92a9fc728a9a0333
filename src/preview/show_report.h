// Showing a report's prepared pages: in its preview panel when it has one,
// otherwise in a preview window of its own.
#pragma once

#include <memory>
#include <string>

namespace lf {

class TfrPreviewForm;
class TfrReport;

// Makes the report current, then binds its preview panel to it, or shows a
// new preview window (modal or not, as the report's ModalPreview says). Does
// nothing when the report has no prepared pages. A non-modal window is
// returned to the caller, who keeps it alive; a modal one is gone when this
// returns.
std::unique_ptr<TfrPreviewForm> ShowPreparedReport(TfrReport& report);

// The caption of a report's preview window: "Preview", and " - " and the
// title when the report has one.
std::string PreviewCaption(const TfrReport& report);

}  // namespace lf
