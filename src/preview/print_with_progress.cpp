// Printing prepared pages inside the progress window.
#include <QApplication>

#include "engine/expr/locale.h"
#include "engine/model/report.h"
#include "engine/output/print_prepared.h"
#include "engine/prepare/preparation.h"
#include "preview/progress_form.h"

namespace lf {

TPrintResult PrintWithProgress(TfrReport& report, const std::string& pageList, int copies,
                               bool collate, int parity, QWidget* parent) {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance()) || !report.ShowProgress ||
      report.OnProgress)
    return report.PrintPrepared(pageList, copies, collate, parity);
  TfrProgressForm window(parent);
  std::string caption = LoadLocalizedString(55203);
  if (!report.Title.empty()) caption += " - " + report.Title;
  window.SetCaption(caption);
  window.SetLine1(LoadLocalizedString(55208));
  auto& handler = ProgressTextHandler();
  auto previous = handler;
  handler = [&window](const std::string& text) { window.SetLine1(text); };
  TPrintResult result;
  window.ShowModalFor(report, [&](TfrProgressForm& w) {
    result = report.PrintPrepared(pageList, copies, collate, parity);
    w.EndJob(!result.Cancelled);
  });
  handler = previous;
  if (window.JobError()) std::rethrow_exception(window.JobError());
  return result;
}

}  // namespace lf
