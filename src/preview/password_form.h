// TfrPasswForm: the prompt for the password of a protected template, and the
// prompt service that shows it.
#pragma once

#include <QDialog>
#include <optional>
#include <string>

#include "platform/password_prompt.h"

class QLabel;
class QLineEdit;

namespace lf {

class TfrPasswForm : public QDialog {
 public:
  explicit TfrPasswForm(QWidget* parent = nullptr);
  QLineEdit* E1() const { return e1_; }
  QLabel* L1() const { return l1_; }

 private:
  QLabel* l1_;
  QLabel* l2_;
  QLineEdit* e1_;
};

// Asks through a TfrPasswForm; install it with ScopedPasswordPrompt.
class WindowPasswordPrompt : public PasswordPrompt {
 public:
  std::optional<std::string> AskPassword(const std::string& caption, const std::string& prompt) override;
};

}  // namespace lf
