// TfrProgressForm: the modal window a long job (preparing a report) runs in,
// started from the window's own event loop, with a Cancel button.
#pragma once

#include <QDialog>
#include <exception>
#include <functional>
#include <string>

#include "engine/output/print_prepared.h"

class QLabel;
class QPushButton;

namespace lf {

class TfrReport;

class TfrProgressForm : public QDialog {
 public:
  explicit TfrProgressForm(QWidget* parent = nullptr);

  // Shows the window modally and runs startHook inside its event loop once
  // the window is up. The hook ends the window with EndJob. Returns
  // QDialog::Accepted, or QDialog::Rejected after Cancel or a failed job.
  int ShowModalFor(TfrReport& report, std::function<void(TfrProgressForm&)> startHook);
  // Ends the window: Accepted when the job is done, Rejected when it stopped.
  void EndJob(bool finished);

  // The two lines (host code page) and the caption.
  void SetLine1(const std::string& text);
  void SetLine2(const std::string& text);
  void SetCaption(const std::string& text);
  std::string Line1() const;

  // Cancel: asks the report to stop (it does at its next check) and ends
  // the window.
  void Cancel();

  // The error that ended the job, null when none.
  std::exception_ptr JobError() const { return jobError_; }

 protected:
  void reject() override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QLabel* label1_;
  QLabel* label2_;
  QPushButton* button1_;
  TfrReport* report_ = nullptr;  // the report of the running job; not owned
  bool running_ = false;
  std::exception_ptr jobError_;
};

// Prepares report inside the progress window (its label shows the pages
// formed); false when the preparation was cancelled. An error that ends the
// preparation reaches the caller once the window is gone. Without a widget application, or
// when the report shows no progress, it prepares directly.
bool PrepareWithProgress(TfrReport& report, QWidget* parent = nullptr);

// Prints report's prepared pages (TfrReport::PrintPrepared) inside the
// progress window, whose Cancel stops the print after the page being sent
// and cancels its job. Errors reach the caller once the window is gone.
TPrintResult PrintWithProgress(TfrReport& report, const std::string& pageList, int copies,
                               bool collate, int parity, QWidget* parent = nullptr);

}  // namespace lf
