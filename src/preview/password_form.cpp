// TfrPasswForm and the windowed password prompt.
#include "preview/password_form.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "engine/expr/locale.h"
#include "preview/qt_text.h"

namespace lf {

TfrPasswForm::TfrPasswForm(QWidget* parent) : QDialog(parent) {
  setFixedSize(249, 96);
  setWindowTitle(ToQString(LoadLocalizedString(55653)));
  l2_ = new QLabel(ToQString(LoadLocalizedString(55655)), this);
  l2_->setGeometry(8, 4, 233, 16);
  l2_->hide();  // retyping belongs to setting a password, which is not done here
  l1_ = new QLabel(ToQString(LoadLocalizedString(55654)), this);
  l1_->setGeometry(8, 12, 233, 16);
  e1_ = new QLineEdit(this);
  e1_->setObjectName("E1");
  e1_->setGeometry(8, 32, 233, 21);
  e1_->setEchoMode(QLineEdit::Password);
  auto* ok = new QPushButton(ToQString(LoadLocalizedString(55000)), this);
  ok->setObjectName("OK");
  ok->setGeometry(86, 64, 75, 25);
  ok->setDefault(true);
  auto* cancel = new QPushButton(ToQString(LoadLocalizedString(55001)), this);
  cancel->setObjectName("Cancel");
  cancel->setGeometry(166, 64, 75, 25);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  e1_->setFocus();
}

std::optional<std::string> WindowPasswordPrompt::AskPassword(const std::string& caption, const std::string& prompt) {
  TfrPasswForm window;
  if (!caption.empty()) window.setWindowTitle(ToQString(caption));
  if (!prompt.empty()) window.L1()->setText(ToQString(prompt));
  if (window.exec() != QDialog::Accepted) return std::nullopt;
  return FromQString(window.E1()->text());
}

}  // namespace lf
