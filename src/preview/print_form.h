// TfrPrintForm: the print dialog. The printer chosen takes effect at once on
// the shared printer (and is undone when the dialog ends without OK); the
// pages, copies, collation and parity are read by the caller after OK.
#pragma once

#include <QDialog>
#include <QPixmap>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace lf {

// The dialog's pictures, drawn by us: the printer glyph of the printer list
// and the pictures of collated and uncollated copies.
QPixmap PrinterGlyph();       // 18 x 16
QPixmap CollatePicture();     // 74 x 53
QPixmap NonCollatePicture();  // 92 x 40

class TfrPrintForm : public QDialog {
 public:
  explicit TfrPrintForm(QWidget* parent = nullptr);

  QComboBox* CB1() const { return cb1_; }
  QPushButton* PropButton() const { return propButton_; }
  QRadioButton* RB1() const { return rb1_; }
  QRadioButton* RB2() const { return rb2_; }
  QRadioButton* RB3() const { return rb3_; }
  QLineEdit* E1() const { return e1_; }
  QLineEdit* E2() const { return e2_; }
  QToolButton* frSpeedButton1() const { return up_; }
  QToolButton* frSpeedButton2() const { return down_; }
  QCheckBox* CollateCB() const { return collateCB_; }
  QLabel* Label3() const { return label3_; }
  QWidget* PB1() const { return pb1_; }
  QComboBox* CB2() const { return cb2_; }
  // The printer selected when the dialog was made (index in PrinterNames).
  int PreviousPrinter() const { return previousPrinter_; }

  // The copies field as an integer; raises EConvertError otherwise.
  int Copies() const;
  // The parity chosen: 0 all pages, 1 odd, 2 even.
  int Parity() const;

  // The arrows beside the copies field: one more, one less but not below 1.
  void frSpeedButton1Click();
  void frSpeedButton2Click();
  // A click on the word "Collate" toggles the box.
  void Label3Click();

  void done(int result) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CB1Click(int index);

  QComboBox* cb1_;
  QPushButton* propButton_;
  QRadioButton* rb1_;
  QRadioButton* rb2_;
  QRadioButton* rb3_;
  QLineEdit* e1_;
  QLineEdit* e2_;
  QToolButton* up_;
  QToolButton* down_;
  QCheckBox* collateCB_;
  QLabel* label3_;
  QWidget* pb1_;
  QComboBox* cb2_;
  int previousPrinter_ = 0;
};

}  // namespace lf
