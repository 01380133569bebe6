#include "platform/posix/interrupt_cleanup.h"

#include <limits.h>
#include <string.h>
#include <unistd.h>

#include <iterator>

namespace pelorin {

namespace {

constexpr int kInterruptions[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr size_t kInterruptionCount = std::size(kInterruptions);

// Set only while the interruptions are blocked; read by the handler, which
// may therefore rely on them being whole.
char temporary_path[PATH_MAX];
volatile sig_atomic_t has_temporary_path = 0;

struct sigaction previous_actions[kInterruptionCount];
bool handler_installed[kInterruptionCount] = {};
struct sigaction previous_file_size_action;
bool file_size_signal_ignored = false;

sigset_t InterruptionSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int signal_number : kInterruptions) sigaddset(&set, signal_number);
  return set;
}

// Only async-signal-safe calls from here on.
void RemoveTemporaryFileAndDie(int signal_number) {
  if (has_temporary_path) unlink(temporary_path);
  has_temporary_path = 0;

  struct sigaction default_action = {};
  default_action.sa_handler = SIG_DFL;
  sigemptyset(&default_action.sa_mask);
  sigaction(signal_number, &default_action, nullptr);
  // The signal is blocked while its handler runs: raise it again and let it
  // through, so that the program ends by it here and now.
  raise(signal_number);
  sigset_t just_this;
  sigemptyset(&just_this);
  sigaddset(&just_this, signal_number);
  sigprocmask(SIG_UNBLOCK, &just_this, nullptr);
}

bool IsPlainHandler(const struct sigaction& action, void (*handler)(int)) {
  return (action.sa_flags & SA_SIGINFO) == 0 && action.sa_handler == handler;
}

}  // namespace

InterruptionBlocker::InterruptionBlocker() {
  sigset_t interruptions = InterruptionSet();
  sigprocmask(SIG_BLOCK, &interruptions, &previous_mask_);
}

InterruptionBlocker::~InterruptionBlocker() { sigprocmask(SIG_SETMASK, &previous_mask_, nullptr); }

bool RemoveOnInterruption(const char* path) {
  size_t length = strlen(path);
  if (length >= sizeof temporary_path) return false;
  memcpy(temporary_path, path, length + 1);
  has_temporary_path = 1;

  struct sigaction action = {};
  action.sa_handler = RemoveTemporaryFileAndDie;
  // A second interruption waits until the first has done its work.
  action.sa_mask = InterruptionSet();
  for (size_t i = 0; i < kInterruptionCount; ++i) {
    if (handler_installed[i]) continue;
    if (sigaction(kInterruptions[i], nullptr, &previous_actions[i]) != 0) continue;
    // `nohup` and shells starting background jobs ignore some of these on
    // purpose; the program must go on ignoring them.
    if (IsPlainHandler(previous_actions[i], SIG_IGN)) continue;
    handler_installed[i] = sigaction(kInterruptions[i], &action, nullptr) == 0;
  }

  // Past a file size limit, write() then fails with EFBIG instead.
  if (!file_size_signal_ignored && sigaction(SIGXFSZ, nullptr, &previous_file_size_action) == 0 &&
      IsPlainHandler(previous_file_size_action, SIG_DFL)) {
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    file_size_signal_ignored = sigaction(SIGXFSZ, &ignore, nullptr) == 0;
  }
  return true;
}

void ForgetOnInterruption() {
  for (size_t i = 0; i < kInterruptionCount; ++i) {
    if (!handler_installed[i]) continue;
    sigaction(kInterruptions[i], &previous_actions[i], nullptr);
    handler_installed[i] = false;
  }
  if (file_size_signal_ignored) {
    sigaction(SIGXFSZ, &previous_file_size_action, nullptr);
    file_size_signal_ignored = false;
  }
  has_temporary_path = 0;
}

}  // namespace pelorin
