// Message waiting: lets work that waits keep the application's events
// flowing, and tells it when the application is terminating.
#pragma once

namespace lf {

// The longest single wait of WaitForMessages in milliseconds.
inline constexpr int kMaxMessageWaitMs = 1000;

// Waits until an event arrives or maxMs milliseconds have passed (at most
// kMaxMessageWaitMs), then processes the pending events of the calling
// thread. Works under a headless QCoreApplication as well as in the GUI;
// without a Qt application it only sleeps. Handlers may destroy anything:
// callers hold a LivenessGuard (platform/liveness.h) for what they use after.
void WaitForMessages(int maxMs = kMaxMessageWaitMs);

// Processes the events already pending for the calling thread without
// waiting (nothing without a Qt application). Handlers may destroy anything:
// callers hold a LivenessGuard (platform/liveness.h) for what they use after.
void ProcessMessages();

// True when a Qt application exists to deliver events to this thread.
bool HasMessageLoop();

// True once the application has been asked to quit (QCoreApplication::quit
// while its event loop runs, or aboutToQuit) or SetApplicationTerminating(true)
// was called.
bool ApplicationTerminating();
// Sets or clears the terminating flag (the GUI's close path and tests).
void SetApplicationTerminating(bool terminating);

}  // namespace lf
