// Liveness tokens: how code that waits for messages learns that the object it
// works for was destroyed by an event handled during the wait.
#pragma once

#include <memory>

#include "platform/exception.h"

namespace lf {

class LivenessGuard;

// The one mechanism for "the owner may die while we wait". Any call that
// processes events (WaitForMessages, ProcessMessages: HTTP downloads, script
// event processing, progress and dialog loops) can run a handler that
// destroys the object whose member function is waiting. Such an object holds
// a Liveness member and ends it first thing in its destructor; every frame
// above a wait takes a LivenessGuard before waiting and, once the wait
// returns, checks Alive() before touching the object again. A frame that
// finds it dead returns (or raises) without using any member, so its callers
// must check as well. Guards are cheap copies and may outlive the owner.
class Liveness {
 public:
  Liveness() = default;
  ~Liveness() { End(); }
  Liveness(const Liveness&) = delete;
  Liveness& operator=(const Liveness&) = delete;

  // Marks the owner dead; owners call it at the top of their destructor,
  // before members or children go.
  void End() { *alive_ = false; }
  LivenessGuard Guard() const;

 private:
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

class LivenessGuard {
 public:
  bool Alive() const { return *alive_; }

 private:
  friend class Liveness;
  explicit LivenessGuard(std::shared_ptr<const bool> alive) : alive_(std::move(alive)) {}
  std::shared_ptr<const bool> alive_;
};

inline LivenessGuard Liveness::Guard() const { return LivenessGuard(alive_); }

// Raised by a frame that finds its owner destroyed after a wait and has
// callers that would otherwise go on using it.
class EOwnerDestroyed : public Exception {
 public:
  EOwnerDestroyed() : Exception("Destroyed while waiting for messages") {}
};

}  // namespace lf
