// Message box service: button sets, the headless and recording handlers and
// the process-wide installation point.
#include "platform/message_box.h"

#include <cstdio>

#include "platform/code_page.h"

namespace lf {

namespace {

HeadlessMessageService& HeadlessService() {
  static HeadlessMessageService service;
  return service;
}

MessageService* installed = nullptr;

}  // namespace

std::vector<int> MessageBoxButtons(int flags) {
  switch (flags & mbButtonsMask) {
    case mbOKCancel: return {idOK, idCancel};
    case mbAbortRetryIgnore: return {idAbort, idRetry, idIgnore};
    case mbYesNoCancel: return {idYes, idNo, idCancel};
    case mbYesNo: return {idYes, idNo};
    case mbRetryCancel: return {idRetry, idCancel};
    default: return {idOK};
  }
}

int ResolveDefaultButton(int flags, int defaultButton) {
  std::vector<int> buttons = MessageBoxButtons(flags);
  for (int b : buttons)
    if (b == defaultButton) return b;
  size_t position = static_cast<size_t>((flags & mbDefButtonMask) >> 8);
  return position < buttons.size() ? buttons[position] : buttons.front();
}

int HeadlessMessageService::MessageBox(const MessageBoxRequest& request) {
  ++shown;
  std::string line = HostToUtf8(request.caption) + ": " + HostToUtf8(request.text) + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
  return request.defaultButton;
}

std::string HeadlessMessageService::InputBox(const std::string& caption,
                                             const std::string& prompt,
                                             const std::string& defaultText) {
  std::string line = HostToUtf8(caption) + ": " + HostToUtf8(prompt) + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
  return defaultText;
}

int RecordingMessageService::MessageBox(const MessageBoxRequest& request) {
  boxes.push_back(request);
  if (replies.empty()) return request.defaultButton;
  int reply = replies.front();
  replies.erase(replies.begin());
  return reply;
}

std::string RecordingMessageService::InputBox(const std::string& caption,
                                              const std::string& prompt,
                                              const std::string& defaultText) {
  inputs.push_back({caption, prompt, defaultText});
  if (inputReplies.empty()) return defaultText;
  std::string reply = inputReplies.front();
  inputReplies.erase(inputReplies.begin());
  return reply;
}

MessageService& CurrentMessageService() {
  return installed ? *installed : HeadlessService();
}

MessageService* InstallMessageService(MessageService* service) {
  MessageService* previous = installed;
  installed = service;
  return previous;
}

int ShowMessageBox(const std::string& caption, const std::string& text, int buttons,
                   int defaultButton) {
  MessageBoxRequest request{caption, text, buttons, ResolveDefaultButton(buttons, defaultButton)};
  return CurrentMessageService().MessageBox(request);
}

std::string InputBox(const std::string& caption, const std::string& prompt,
                     const std::string& defaultText) {
  return CurrentMessageService().InputBox(caption, prompt, defaultText);
}

}  // namespace lf
