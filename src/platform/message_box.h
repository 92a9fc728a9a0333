// Message boxes and input boxes: a pluggable service (the GUI installs a
// windowed handler; the default headless handler writes to standard error).
#pragma once

#include <string>
#include <vector>

namespace lf {

// Button sets (low four bits of the flags).
inline constexpr int mbOK = 0x0;
inline constexpr int mbOKCancel = 0x1;
inline constexpr int mbAbortRetryIgnore = 0x2;
inline constexpr int mbYesNoCancel = 0x3;
inline constexpr int mbYesNo = 0x4;
inline constexpr int mbRetryCancel = 0x5;
inline constexpr int mbButtonsMask = 0xF;
// Icons.
inline constexpr int mbIconError = 0x10;
inline constexpr int mbIconQuestion = 0x20;
inline constexpr int mbIconWarning = 0x30;
inline constexpr int mbIconInformation = 0x40;
inline constexpr int mbIconMask = 0xF0;
// Default button by position, used when no explicit default is given.
inline constexpr int mbDefButton1 = 0x000;
inline constexpr int mbDefButton2 = 0x100;
inline constexpr int mbDefButton3 = 0x200;
inline constexpr int mbDefButtonMask = 0xF00;

// Results: the button pressed.
inline constexpr int idOK = 1;
inline constexpr int idCancel = 2;
inline constexpr int idAbort = 3;
inline constexpr int idRetry = 4;
inline constexpr int idIgnore = 5;
inline constexpr int idYes = 6;
inline constexpr int idNo = 7;

// The result ids of the buttons of a button set, in display order (an
// unknown set is treated as mbOK).
std::vector<int> MessageBoxButtons(int flags);
// The default button's result: defaultButton when it is one of the set's
// buttons, otherwise the button chosen by the mbDefButton bits (the first
// button when those name no button).
int ResolveDefaultButton(int flags, int defaultButton);

// One message box as shown. Texts are in the host code page.
struct MessageBoxRequest {
  std::string caption;
  std::string text;
  int flags = mbOK;         // button set | icon | default-button position
  int defaultButton = 0;    // result id of the default button (resolved)
};

class MessageService {
 public:
  virtual ~MessageService() = default;
  // Shows a modal message box and returns the result id of the button pressed.
  virtual int MessageBox(const MessageBoxRequest& request) = 0;
  // Shows a modal input box; returns the entered text, or defaultText when
  // the user cancels.
  virtual std::string InputBox(const std::string& caption, const std::string& prompt,
                               const std::string& defaultText) = 0;
};

// Writes "caption: text" (UTF-8) as one line on standard error and answers
// the default button; the input box answers its default text.
class HeadlessMessageService : public MessageService {
 public:
  int MessageBox(const MessageBoxRequest& request) override;
  std::string InputBox(const std::string& caption, const std::string& prompt,
                       const std::string& defaultText) override;

  int shown = 0;  // message boxes written so far
};

// Records every box shown and answers from queued replies (the default
// button / default text once the queue is empty). For tests.
class RecordingMessageService : public MessageService {
 public:
  struct InputRequest {
    std::string caption, prompt, defaultText;
  };
  int MessageBox(const MessageBoxRequest& request) override;
  std::string InputBox(const std::string& caption, const std::string& prompt,
                       const std::string& defaultText) override;

  std::vector<MessageBoxRequest> boxes;
  std::vector<InputRequest> inputs;
  std::vector<int> replies;               // consumed front first
  std::vector<std::string> inputReplies;  // consumed front first
};

// The installed service (not owned; the headless one when none is installed).
MessageService& CurrentMessageService();
// Installs service (null restores the headless one) and returns the previous
// one. The caller keeps ownership and must outlive the installation.
MessageService* InstallMessageService(MessageService* service);

// Installs a service for the lifetime of the scope, then restores the previous.
class ScopedMessageService {
 public:
  explicit ScopedMessageService(MessageService* service)
      : previous_(InstallMessageService(service)) {}
  ~ScopedMessageService() { InstallMessageService(previous_); }
  ScopedMessageService(const ScopedMessageService&) = delete;
  ScopedMessageService& operator=(const ScopedMessageService&) = delete;

 private:
  MessageService* previous_;
};

// Shows a message box through the installed service. buttons carries the
// button set, icon and default-button position bits; defaultButton (a result
// id, 0 for none) overrides the position.
int ShowMessageBox(const std::string& caption, const std::string& text, int buttons = mbOK,
                   int defaultButton = 0);
// Shows an input box through the installed service.
std::string InputBox(const std::string& caption, const std::string& prompt,
                     const std::string& defaultText);

}  // namespace lf
