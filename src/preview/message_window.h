// Message and input boxes as windows, for the windowed programs.
#pragma once

#include "platform/message_box.h"

namespace lf {

class WindowMessageService : public MessageService {
 public:
  int MessageBox(const MessageBoxRequest& request) override;
  std::string InputBox(const std::string& caption, const std::string& prompt,
                       const std::string& defaultText) override;
};

}  // namespace lf
