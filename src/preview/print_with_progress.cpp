// Printing prepared pages inside the progress window.
#include <QApplication>
#include <QPointer>

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
  // The window is the parent's child: a handler run during the print may
  // destroy the parent, and the window with it.
  QPointer<TfrProgressForm> window(new TfrProgressForm(parent));
  struct Release {
    QPointer<TfrProgressForm>& w;
    ~Release() { delete w.data(); }
  } release{window};
  LivenessGuard alive = report.Guard();
  std::string caption = LoadLocalizedString(55203);
  if (!report.Title.empty()) caption += " - " + report.Title;
  window->SetCaption(caption);
  window->SetLine1(LoadLocalizedString(55208));
  TPrintResult result;
  window->ShowModalFor(report, [&](TfrProgressForm& w) {
    result = report.PrintPrepared(pageList, copies, collate, parity, [&window](const std::string& text) {
      if (window) window->SetLine1(text);
    });
    if (window) w.EndJob(!result.Cancelled);
  });
  if (!window || !alive.Alive()) throw EOwnerDestroyed();
  if (window->JobError()) std::rethrow_exception(window->JobError());
  return result;
}

}  // namespace lf
