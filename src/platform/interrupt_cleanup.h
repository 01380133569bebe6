// Nothing left behind when the run is interrupted.
//
// A user who presses Ctrl+C or closes the console window during a long
// conversion, a system that sends SIGTERM at shutdown, or a terminal that
// hangs up must not leave a half-written temporary file beside tic.ici, nor
// a tic.ici half replaced. While an InterruptCleanup lives, an interruption
// first removes its temporary file (when the platform could not make the
// file so that the system removes it by itself) and then ends the process
// the way the interruption would have ended it.
#ifndef PELORIN_PLATFORM_INTERRUPT_CLEANUP_H_
#define PELORIN_PLATFORM_INTERRUPT_CLEANUP_H_

#include <functional>
#include <string>

namespace pelorin {

class InterruptCleanup {
 public:
  // Watches over the temporary file at `path`, as the platform's file API
  // names it. An empty `path` stands for a file that has no name yet, which
  // the system removes by itself if the process ends: an interruption then
  // has nothing to remove, but still never strikes inside
  // RunUninterrupted(). Installs what the platform needs on first use.
  explicit InterruptCleanup(std::string path);
  // Stops watching; the file is no longer this object's to remove.
  ~InterruptCleanup();
  InterruptCleanup(const InterruptCleanup&) = delete;
  InterruptCleanup& operator=(const InterruptCleanup&) = delete;

  // Runs `step` (naming the file, putting it in the target's place) so that
  // no interruption acts halfway through it: one that arrives meanwhile
  // takes effect after it, and then has nothing left to remove. Returns
  // true; returns false without running `step` when an interruption has
  // already removed the file. An exception from `step` passes through.
  bool RunUninterrupted(const std::function<void()>& step);

 private:
  struct State;
  State* state_;
};

}  // namespace pelorin

#endif  // PELORIN_PLATFORM_INTERRUPT_CLEANUP_H_
