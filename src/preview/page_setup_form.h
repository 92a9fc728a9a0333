// TfrPageSetupForm: our page-setup dialog: the printer, a paper of its list,
// the orientation and the margins in millimetres. It only collects the
// choices; the preview applies them to the template and prepares again.
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>

class QComboBox;
class QDoubleSpinBox;
class QRadioButton;

namespace lf {

// Margins are kept in hundredths of a millimetre: the preset is a page's
// margin × 500 / 18, the result is × 18 / 500 again (page units).
inline constexpr int32_t kMarginHundredthsPerStep = 500;
inline constexpr int32_t kMarginPageUnitsPerStep = 18;
// The largest margin the dialog takes, millimetres.
inline constexpr double kMaxMarginMm = 500;

class TfrPageSetupForm : public QDialog {
 public:
  // Presets the printer selected on the shared printer, its paper and
  // orientation, and margins (page units: left, top, right, bottom).
  TfrPageSetupForm(const std::array<int32_t, 4>& marginsPageUnits, QWidget* parent = nullptr);

  QComboBox* PrinterBox() const { return printer_; }
  QComboBox* PaperBox() const { return paper_; }
  QRadioButton* Portrait() const { return portrait_; }
  QRadioButton* Landscape() const { return landscape_; }
  QDoubleSpinBox* Margin(int side) const { return margins_[static_cast<size_t>(side)]; }

  // Index of the chosen printer in the shared printer's PrinterNames.
  int PrinterIndex() const;
  // The chosen paper code.
  int32_t PaperCode() const;
  bool IsLandscape() const;
  // The margins chosen, in page units.
  std::array<int32_t, 4> MarginsPageUnits() const;

 private:
  void FillPapers(int printerIndex, int32_t paperCode);

  QComboBox* printer_;
  QComboBox* paper_;
  QRadioButton* portrait_;
  QRadioButton* landscape_;
  std::array<QDoubleSpinBox*, 4> margins_{};
};

}  // namespace lf
