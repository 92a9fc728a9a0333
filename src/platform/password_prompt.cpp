// Password prompt service.
#include "platform/password_prompt.h"

namespace lf {
namespace {
PasswordPrompt* installed = nullptr;
}  // namespace

std::optional<std::string> HeadlessPasswordPrompt::AskPassword(const std::string&,
                                                               const std::string&) {
  return answer;
}

HeadlessPasswordPrompt& DefaultPasswordPrompt() {
  static HeadlessPasswordPrompt prompt;
  return prompt;
}

PasswordPrompt& CurrentPasswordPrompt() { return installed ? *installed : DefaultPasswordPrompt(); }

PasswordPrompt* InstallPasswordPrompt(PasswordPrompt* prompt) {
  PasswordPrompt* previous = installed;
  installed = prompt;
  return previous;
}

}  // namespace lf
