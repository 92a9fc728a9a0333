// TlumenfoldiForm: the control's window.
#include "control/form/lumenfoldi_form.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "engine/expr/locale.h"
#include "engine/output/emf_pages.h"
#include "platform/liveness.h"
#include "platform/message_box.h"
#include "platform/stream.h"
#include "preview/preview_form.h"
#include "preview/preview_panel.h"
#include "preview/progress_form.h"
#include "preview/show_report.h"

namespace lf {

TlumenfoldiForm::TlumenfoldiForm(QWidget* parent) : QWidget(parent), control_(std::make_unique<Tlumenfoldi>()) {
  setObjectName("lumenfoldi");
  setWindowTitle("lumenfoldi");
  resize(kControlDesignWidth, kControlDesignHeight);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  pnl1_ = new QWidget(this);
  pnl1_->setObjectName("pnl1");
  pnl1_->setFixedHeight(kButtonPanelHeight);
  // The two buttons run page setup and print on the report in the panel.
  btn2_ = new QPushButton(QString::fromUtf8("打印设置"), pnl1_);
  btn2_->setObjectName("btn2");
  btn2_->setGeometry(8, 8, 75, 25);
  button2_ = new QPushButton(QString::fromUtf8("打印"), pnl1_);
  button2_->setObjectName("button2");
  button2_->setGeometry(88, 8, 75, 25);
  frPreview1_ = new TfrPreview(this);
  frPreview1_->setObjectName("frPreview1");
  frPreview1_->setFrameStyle(QFrame::NoFrame);
  layout->addWidget(pnl1_);
  layout->addWidget(frPreview1_, 1);
  setTabOrder(pnl1_, frPreview1_);
  auto guarded = [this](void (TfrPreviewForm::*command)()) {
    return [this, command] {
      try {
        (frPreview1_->Window().*command)();
      } catch (const EOwnerDestroyed&) {
        // A handler destroyed the control meanwhile: nothing is left to tell.
      } catch (const std::exception& e) {
        ShowMessageBox(LoadLocalizedString(55206), e.what(), mbOK | mbIconError);
      }
    };
  };
  connect(btn2_, &QPushButton::clicked, this, guarded(&TfrPreviewForm::PageSetupBtnClick));
  connect(button2_, &QPushButton::clicked, this, guarded(&TfrPreviewForm::PrintBtnClick));
  btn2_->setEnabled(PrintersAvailable());
  button2_->setEnabled(PrintersAvailable());

  control_->RunPreparation = [this](TfrReport& report) { return Prepare(report); };
  control_->ShowPreparedPages = [this](TfrReport& report) { Show(report); };
}

TlumenfoldiForm::~TlumenfoldiForm() {
  liveness_.End();
  // The report may still point at the panel; the panel goes first.
  control_->frReport1().Preview = nullptr;
  delete frPreview1_;
  frPreview1_ = nullptr;
}

void TlumenfoldiForm::setParams(std::u16string_view param1) { control_->setParams(param1); }

void TlumenfoldiForm::LoadLocal(std::string_view templateBytes, std::string_view dataBytes) {
  control_->LoadDataText(dataBytes);
  TfrReport& report = control_->frReport1();
  TMemoryStream stream;
  stream.Write(templateBytes.data(), templateBytes.size());
  stream.SetPosition(0);
  report.LoadFromStream(stream);
  PrepareAndShow(report);
}

void TlumenfoldiForm::PrepareAndShow(TfrReport& report) {
  Prepare(report);
  Show(report);
}

bool TlumenfoldiForm::Prepare(TfrReport& report) {
  // The pages on screen stay usable, but nothing may replace them meanwhile.
  frPreview1_->Window().SetPreparing(true);
  // A handler run during the preparation may destroy this window.
  struct Done {
    TfrPreview* panel;
    LivenessGuard alive;
    ~Done() {
      if (alive.Alive()) panel->Window().SetPreparing(false);
    }
  } done{frPreview1_, liveness_.Guard()};
  return PrepareWithProgress(report, this);
}

void TlumenfoldiForm::Show(TfrReport& report) {
  report.ModalPreview = false;
  report.Preview = frPreview1_;
  // A report without pages leaves the pages shown before on screen.
  if (!report.PreparedPages || report.PreparedPages->Count() == 0) return;
  ShowPreparedReport(report);
  shown_ = true;
}

}  // namespace lf
