// Removing the unfinished output file when the program is interrupted.
//
// A user who presses Ctrl+C during a long conversion, a system that sends
// SIGTERM at shutdown, or a terminal that closes (SIGHUP) must not leave a
// half-written temporary file behind. While one is registered here, those
// signals remove it and then end the program by the same signal, so that
// the parent sees how it ended. A signal its parent had set to be ignored
// stays ignored. A file size limit (SIGXFSZ) becomes a failed write, which
// the program reports and cleans up after, instead of killing it.
#ifndef PELORIN_PLATFORM_POSIX_INTERRUPT_CLEANUP_H_
#define PELORIN_PLATFORM_POSIX_INTERRUPT_CLEANUP_H_

#include <signal.h>

namespace pelorin {

// Holds back the interrupting signals for its lifetime, so that a file is
// never created or removed without also being registered or forgotten. A
// signal that arrives meanwhile takes effect when the blocker goes.
class InterruptionBlocker {
 public:
  InterruptionBlocker();
  ~InterruptionBlocker();
  InterruptionBlocker(const InterruptionBlocker&) = delete;
  InterruptionBlocker& operator=(const InterruptionBlocker&) = delete;

 private:
  sigset_t previous_mask_;
};

// Registers `path`, the one temporary file to remove on interruption, and
// installs the handlers. Returns false, registering nothing, when the path
// is too long to keep; a path that open() accepted always fits. Call it
// under an InterruptionBlocker.
bool RemoveOnInterruption(const char* path);

// Restores the handlers that were there before and forgets the path. Call
// it under an InterruptionBlocker.
void ForgetOnInterruption();

}  // namespace pelorin

#endif  // PELORIN_PLATFORM_POSIX_INTERRUPT_CLEANUP_H_
