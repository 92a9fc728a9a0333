// TfrPageSetupForm.
#include "preview/page_setup_form.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>

#include "engine/expr/locale.h"
#include "preview/print_form.h"
#include "preview/qt_text.h"
#include "printer/printer.h"

namespace lf {

TfrPageSetupForm::TfrPageSetupForm(const std::array<int32_t, 4>& marginsPageUnits, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle("Page setup");
  auto* layout = new QVBoxLayout(this);

  auto* printerGroup = new QGroupBox(ToQString(LoadLocalizedString(53041)), this);
  auto* printerForm = new QFormLayout(printerGroup);
  printer_ = new QComboBox(printerGroup);
  printer_->setObjectName("PrinterBox");
  printer_->setIconSize(QSize(18, 16));
  printerForm->addRow(ToQString(LoadLocalizedString(53049)), printer_);
  paper_ = new QComboBox(printerGroup);
  paper_->setObjectName("PaperBox");
  printerForm->addRow("&Paper:", paper_);
  layout->addWidget(printerGroup);

  auto* orientationGroup = new QGroupBox("Orientation", this);
  auto* orientationRow = new QHBoxLayout(orientationGroup);
  portrait_ = new QRadioButton("P&ortrait", orientationGroup);
  portrait_->setObjectName("Portrait");
  landscape_ = new QRadioButton("&Landscape", orientationGroup);
  landscape_->setObjectName("Landscape");
  orientationRow->addWidget(portrait_);
  orientationRow->addWidget(landscape_);
  layout->addWidget(orientationGroup);

  auto* marginGroup = new QGroupBox("Margins (millimetres)", this);
  auto* grid = new QGridLayout(marginGroup);
  const char* names[] = {"&Left:", "&Top:", "&Right:", "&Bottom:"};
  const char* objectNames[] = {"LeftMargin", "TopMargin", "RightMargin", "BottomMargin"};
  for (int side = 0; side < 4; ++side) {
    auto* box = new QDoubleSpinBox(marginGroup);
    box->setObjectName(objectNames[side]);
    box->setDecimals(2);
    box->setRange(0, kMaxMarginMm);
    const int64_t hundredths =
        int64_t{marginsPageUnits[static_cast<size_t>(side)]} * kMarginHundredthsPerStep / kMarginPageUnitsPerStep;
    box->setValue(static_cast<double>(hundredths) / 100.0);
    auto* label = new QLabel(names[side], marginGroup);
    label->setBuddy(box);
    grid->addWidget(label, side / 2, (side % 2) * 2);
    grid->addWidget(box, side / 2, (side % 2) * 2 + 1);
    margins_[static_cast<size_t>(side)] = box;
  }
  layout->addWidget(marginGroup);

  auto* buttons = new QDialogButtonBox(this);
  auto* ok = buttons->addButton(ToQString(LoadLocalizedString(55000)), QDialogButtonBox::AcceptRole);
  ok->setObjectName("Button1");
  ok->setDefault(true);
  buttons->addButton(ToQString(LoadLocalizedString(55001)), QDialogButtonBox::RejectRole)
      ->setObjectName("Button2");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);

  const TfrPrinter& printer = SharedPrinter();
  for (int i = 0; i < printer.VirtualIndex; ++i)
    printer_->addItem(QIcon(PrinterGlyph()), ToQString(printer.PrinterNames[static_cast<size_t>(i)]));
  int shown = printer.CurrentIndex;
  if (printer.IsVirtual() && printer.PlatformPrinter) shown = printer.PlatformPrinter->PrinterIndex();
  if (shown < 0 || shown >= printer.VirtualIndex) shown = 0;
  printer_->setCurrentIndex(shown);
  FillPapers(shown, printer.PaperCode);
  (printer.Landscape ? landscape_ : portrait_)->setChecked(true);
  connect(printer_, &QComboBox::currentIndexChanged, this,
          [this](int index) { FillPapers(index, PaperCode()); });
}

void TfrPageSetupForm::FillPapers(int printerIndex, int32_t paperCode) {
  // The papers are those of the printer chosen: it is selected on the
  // shared printer while the list is read, and the selection put back.
  TfrPrinter& printer = SharedPrinter();
  const int selected = printer.CurrentIndex;
  paper_->clear();
  try {
    if (printerIndex >= 0) printer.SelectPrinter(printerIndex);
    for (int i = 0; i < printer.PaperCount; ++i)
      paper_->addItem(ToQString(printer.PaperNameList[static_cast<size_t>(i)]), printer.PaperCodes[i]);
    printer.SelectPrinter(selected);
  } catch (...) {
  }
  const int at = paper_->findData(paperCode);
  paper_->setCurrentIndex(at >= 0 ? at : 0);
}

int TfrPageSetupForm::PrinterIndex() const { return printer_->currentIndex(); }

int32_t TfrPageSetupForm::PaperCode() const { return paper_->currentData().toInt(); }

bool TfrPageSetupForm::IsLandscape() const { return landscape_->isChecked(); }

std::array<int32_t, 4> TfrPageSetupForm::MarginsPageUnits() const {
  std::array<int32_t, 4> out{};
  for (size_t side = 0; side < 4; ++side) {
    const int64_t hundredths = std::llround(margins_[side]->value() * 100.0);
    out[side] = static_cast<int32_t>(hundredths * kMarginPageUnitsPerStep / kMarginHundredthsPerStep);
  }
  return out;
}

}  // namespace lf
