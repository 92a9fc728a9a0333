// Preparing a report inside the progress window.
#include <QApplication>
#include <QPointer>

#include "engine/expr/locale.h"
#include "engine/model/report.h"
#include "engine/prepare/preparation.h"
#include "preview/progress_form.h"

namespace lf {
namespace {

// The caption of the preparation's window.
std::string PreparingCaption(const TfrReport& report) {
  std::string caption = LoadLocalizedString(55203);
  if (!report.Title.empty()) caption += " - " + report.Title;
  return caption;
}

}  // namespace

bool PrepareWithProgress(TfrReport& report, QWidget* parent) {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance()) || !report.ShowProgress || report.OnProgress)
    return PrepareReport(report);
  // The window is the parent's child: a handler run during the preparation
  // may destroy the parent, and the window with it.
  QPointer<TfrProgressForm> window(new TfrProgressForm(parent));
  struct Release {
    QPointer<TfrProgressForm>& w;
    ~Release() { delete w.data(); }
  } release{window};
  LivenessGuard alive = report.Guard();
  window->SetCaption(PreparingCaption(report));
  window->SetLine1(LoadLocalizedString(55205) + " 1");
  // The run lets the window handle its messages after each text.
  TfrRunOptions options;
  options.Progress = [&window](const std::string& text) {
    if (window) window->SetLine1(text);
  };
  bool prepared = false;
  int result = window->ShowModalFor(report, [&](TfrProgressForm& w) {
    prepared = PrepareReport(report, options);
    if (window && alive.Alive()) w.EndJob(prepared && !report.StopRequested);
  });
  if (!window || !alive.Alive()) throw EOwnerDestroyed();
  if (window->JobError()) std::rethrow_exception(window->JobError());
  return result == QDialog::Accepted && prepared;
}

}  // namespace lf
