// TfrProgressForm and preparation under it.
#include "preview/progress_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include "engine/expr/locale.h"
#include "engine/model/report.h"
#include "preview/qt_text.h"

namespace lf {

TfrProgressForm::TfrProgressForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setFixedSize(278, 106);
  label1_ = new QLabel(this);
  label1_->setGeometry(20, 26, 237, 16);
  label1_->setAlignment(Qt::AlignCenter);
  label2_ = new QLabel(this);
  label2_->setGeometry(20, 42, 237, 16);
  label2_->setAlignment(Qt::AlignCenter);
  button1_ = new QPushButton(this);
  button1_->setObjectName("Button1");
  button1_->setGeometry(101, 70, 75, 25);
  connect(button1_, &QPushButton::clicked, this, [this] { Cancel(); });
}

int TfrProgressForm::ShowModalFor(TfrReport& report, std::function<void(TfrProgressForm&)> startHook) {
  button1_->setText(ToQString(LoadLocalizedString(55001)));
  report_ = &report;
  jobError_ = nullptr;
  label2_->clear();
  running_ = false;
  // The job starts once the modal loop runs; it keeps the loop alive by
  // processing events itself.
  // The job dispatches messages: a handler may destroy this window (with
  // its parent) meanwhile, and then nothing of it is touched again.
  QTimer::singleShot(0, this, [this, hook = std::move(startHook)] {
    QPointer<TfrProgressForm> self(this);
    running_ = true;
    try {
      hook(*this);
    } catch (...) {
      if (!self) return;
      jobError_ = std::current_exception();
      EndJob(false);
    }
    if (self) running_ = false;
  });
  QPointer<TfrProgressForm> self(this);
  int result = exec();
  if (self) report_ = nullptr;
  return result;
}

void TfrProgressForm::EndJob(bool finished) { done(finished ? Accepted : Rejected); }

void TfrProgressForm::SetLine1(const std::string& text) { label1_->setText(ToQString(text)); }
void TfrProgressForm::SetLine2(const std::string& text) { label2_->setText(ToQString(text)); }
void TfrProgressForm::SetCaption(const std::string& text) { setWindowTitle(ToQString(text)); }
std::string TfrProgressForm::Line1() const { return FromQString(label1_->text()); }

void TfrProgressForm::Cancel() {
  if (report_) report_->StopRequested = true;
  EndJob(false);
}

void TfrProgressForm::reject() { Cancel(); }

void TfrProgressForm::closeEvent(QCloseEvent* event) {
  // No close box: only Cancel ends a running job.
  if (running_) {
    event->ignore();
    Cancel();
    return;
  }
  QDialog::closeEvent(event);
}

}  // namespace lf
