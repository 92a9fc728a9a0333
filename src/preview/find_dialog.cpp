// TfrPreviewSearchForm.
#include "preview/find_dialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "engine/expr/locale.h"
#include "preview/qt_text.h"

namespace lf {

TfrPreviewSearchForm::TfrPreviewSearchForm(QWidget* parent) : QDialog(parent) {
  setFixedSize(262, 158);
  setWindowTitle(ToQString(LoadLocalizedString(53000)));
  auto* label1 = new QLabel(ToQString(LoadLocalizedString(53001)), this);
  label1->setGeometry(4, 4, 253, 16);
  edit1_ = new QLineEdit(this);
  edit1_->setObjectName("Edit1");
  edit1_->setGeometry(4, 20, 253, 21);
  label1->setBuddy(edit1_);
  auto* group1 = new QGroupBox(ToQString(LoadLocalizedString(53002)), this);
  group1->setGeometry(4, 46, 124, 74);
  cb1_ = new QCheckBox(ToQString(LoadLocalizedString(53003)), group1);
  cb1_->setObjectName("CB1");
  cb1_->setGeometry(8, 20, 112, 20);
  auto* group2 = new QGroupBox(ToQString(LoadLocalizedString(53004)), this);
  group2->setGeometry(134, 46, 124, 74);
  rb1_ = new QRadioButton(ToQString(LoadLocalizedString(53005)), group2);
  rb1_->setObjectName("RB1");
  rb1_->setGeometry(8, 20, 112, 20);
  rb1_->setChecked(true);
  rb2_ = new QRadioButton(ToQString(LoadLocalizedString(53006)), group2);
  rb2_->setObjectName("RB2");
  rb2_->setGeometry(8, 44, 112, 20);
  auto* ok = new QPushButton(ToQString(LoadLocalizedString(55000)), this);
  ok->setObjectName("Button1");
  ok->setGeometry(102, 128, 75, 25);
  ok->setDefault(true);
  auto* cancel = new QPushButton(ToQString(LoadLocalizedString(55001)), this);
  cancel->setObjectName("Button2");
  cancel->setGeometry(182, 128, 75, 25);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrPreviewSearchForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  edit1_->setFocus();
  edit1_->selectAll();
}

}  // namespace lf
