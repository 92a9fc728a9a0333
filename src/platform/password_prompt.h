// Password prompt for opening a protected report template: a pluggable
// service (the GUI installs a window; headless it answers a preset password
// or cancels).
#pragma once

#include <optional>
#include <string>

namespace lf {

class PasswordPrompt {
 public:
  virtual ~PasswordPrompt() = default;
  // Asks for the password (caption and prompt in the host code page); the
  // typed text on OK, nothing when the user cancels.
  virtual std::optional<std::string> AskPassword(const std::string& caption,
                                                 const std::string& prompt) = 0;
};

// Answers the password it was given (the command line's --password), or
// cancels when it has none.
class HeadlessPasswordPrompt : public PasswordPrompt {
 public:
  std::optional<std::string> AskPassword(const std::string& caption,
                                         const std::string& prompt) override;
  std::optional<std::string> answer;
};

// The installed prompt (not owned; the headless one when none is installed).
PasswordPrompt& CurrentPasswordPrompt();
// The headless prompt used when nothing else is installed; the command line
// sets its answer.
HeadlessPasswordPrompt& DefaultPasswordPrompt();
// Installs prompt (null restores the headless one) and returns the previous
// one. The caller keeps ownership and must outlive the installation.
PasswordPrompt* InstallPasswordPrompt(PasswordPrompt* prompt);

class ScopedPasswordPrompt {
 public:
  explicit ScopedPasswordPrompt(PasswordPrompt* prompt) : previous_(InstallPasswordPrompt(prompt)) {}
  ~ScopedPasswordPrompt() { InstallPasswordPrompt(previous_); }
  ScopedPasswordPrompt(const ScopedPasswordPrompt&) = delete;
  ScopedPasswordPrompt& operator=(const ScopedPasswordPrompt&) = delete;

 private:
  PasswordPrompt* previous_;
};

}  // namespace lf
