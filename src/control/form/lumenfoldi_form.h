// TlumenfoldiForm: the control Tlumenfoldi as a window: the button panel
// with its two buttons and the preview panel frPreview1 that shows what
// setParams prepared.
#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <string_view>

#include "control/lumenfoldi.h"

class QPushButton;

namespace lf {

class TfrPreview;

// The control's design size, pixels.
inline constexpr int kControlDesignWidth = 870;
inline constexpr int kControlDesignHeight = 480;
// Height of the button panel above the preview, pixels.
inline constexpr int kButtonPanelHeight = 41;

class TlumenfoldiForm : public QWidget {
 public:
  explicit TlumenfoldiForm(QWidget* parent = nullptr);
  ~TlumenfoldiForm() override;

  // The control's loading flow; the prepared pages appear in frPreview1.
  // A failed call leaves the report shown before on screen.
  void setParams(std::u16string_view param1);
  // The same flow on a template and a data text that are already at hand
  // (local files): tables, template, preparation, preview.
  void LoadLocal(std::string_view templateBytes, std::string_view dataBytes);

  Tlumenfoldi& Control() const { return *control_; }
  TfrPreview& frPreview1() const { return *frPreview1_; }
  QWidget& pnl1() const { return *pnl1_; }
  QPushButton& btn2() const { return *btn2_; }
  QPushButton& button2() const { return *button2_; }

  // Whether a report has been shown (the window's screenshot waits for it).
  bool ReportShown() const { return shown_; }

 private:
  void PrepareAndShow(TfrReport& report);
  bool Prepare(TfrReport& report);
  void Show(TfrReport& report);

  Liveness liveness_;  // ended first in the destructor; see platform/liveness.h
  std::unique_ptr<Tlumenfoldi> control_;
  QWidget* pnl1_;
  QPushButton* btn2_;
  QPushButton* button2_;
  TfrPreview* frPreview1_;  // child of this window
  bool shown_ = false;
};

}  // namespace lf
