// TfrPreviewSearchForm: the find dialog of the preview (text, case, origin).
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace lf {

class TfrPreviewSearchForm : public QDialog {
 public:
  explicit TfrPreviewSearchForm(QWidget* parent = nullptr);

  QLineEdit* Edit1() const { return edit1_; }
  QCheckBox* CB1() const { return cb1_; }        // case sensitive
  QRadioButton* RB1() const { return rb1_; }     // from the first page
  QRadioButton* RB2() const { return rb2_; }     // from the current page

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QLineEdit* edit1_;
  QCheckBox* cb1_;
  QRadioButton* rb1_;
  QRadioButton* rb2_;
};

}  // namespace lf
