#include "platform/interrupt_cleanup.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <string.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <string_view>

#include "platform/failure.h"
#include "platform/path.h"
#include "platform/posix/posix_error.h"

namespace pelorin {

namespace {

// A watched file: its directory, held open, and its name there, so that a
// signal handler can remove it whatever the length of its path.
struct WatchedFile {
  bool in_use = false;
  int directory_fd = -1;
  char name[NAME_MAX + 1] = {};
};

// Changed only while every signal is blocked, and read by the handler, which
// may therefore rely on them being whole.
constexpr int kMaxWatched = 4;
WatchedFile watched[kMaxWatched];
int watched_count = 0;
int live_count = 0;

// The signals taken over while a named file is watched, with what they did
// before.
struct sigaction previous_actions[NSIG];
bool taken_over[NSIG] = {};
struct sigaction previous_file_size_action;
bool file_size_signal_ignored = false;

// Blocks every signal that can be blocked for its lifetime; one that arrives
// meanwhile takes effect when the blocker goes.
class SignalBlocker {
 public:
  SignalBlocker() {
    sigset_t all;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, &previous_mask_);
  }
  ~SignalBlocker() { sigprocmask(SIG_SETMASK, &previous_mask_, nullptr); }
  SignalBlocker(const SignalBlocker&) = delete;
  SignalBlocker& operator=(const SignalBlocker&) = delete;

 private:
  sigset_t previous_mask_;
};

// Whether the default action of `signal_number` ends the process: all but
// those that cannot be caught, those ignored by default and those that stop
// the process. Real-time signals end it too.
bool EndsTheProcessByDefault(int signal_number) {
  switch (signal_number) {
    case SIGKILL:
    case SIGSTOP:
    case SIGCHLD:
    case SIGCONT:
    case SIGURG:
    case SIGWINCH:
    case SIGTSTP:
    case SIGTTIN:
    case SIGTTOU:
      return false;
    default:
      return true;
  }
}

bool IsPlainHandler(const struct sigaction& action, void (*handler)(int)) {
  return (action.sa_flags & SA_SIGINFO) == 0 && action.sa_handler == handler;
}

// Only async-signal-safe calls from here on.
void RemoveWatchedFilesAndDie(int signal_number) {
  for (const WatchedFile& file : watched) {
    if (file.in_use) unlinkat(file.directory_fd, file.name, 0);
  }
  struct sigaction default_action = {};
  default_action.sa_handler = SIG_DFL;
  sigemptyset(&default_action.sa_mask);
  sigaction(signal_number, &default_action, nullptr);
  // Every signal is blocked while this handler runs: raise this one again
  // and let it through, so that the process ends by it here and now.
  raise(signal_number);
  sigset_t just_this;
  sigemptyset(&just_this);
  sigaddset(&just_this, signal_number);
  sigprocmask(SIG_UNBLOCK, &just_this, nullptr);
}

// Takes over every signal that would end the process as it comes. One that
// the parent ignored (`nohup` does so for SIGHUP) stays ignored, and one that
// already has a handler (a sanitizer's, say) stays with it.
void TakeOverSignals() {
  struct sigaction action = {};
  action.sa_handler = RemoveWatchedFilesAndDie;
  sigfillset(&action.sa_mask);
  for (int signal_number = 1; signal_number < NSIG; ++signal_number) {
    if (!EndsTheProcessByDefault(signal_number) || signal_number == SIGXFSZ) continue;
    // The C library keeps a few signals for itself and refuses them here.
    if (sigaction(signal_number, nullptr, &previous_actions[signal_number]) != 0) continue;
    if (!IsPlainHandler(previous_actions[signal_number], SIG_DFL)) continue;
    taken_over[signal_number] = sigaction(signal_number, &action, nullptr) == 0;
  }
}

void GiveBackSignals() {
  for (int signal_number = 1; signal_number < NSIG; ++signal_number) {
    if (!taken_over[signal_number]) continue;
    sigaction(signal_number, &previous_actions[signal_number], nullptr);
    taken_over[signal_number] = false;
  }
}

// Past a file size limit (`ulimit -f`), SIGXFSZ would end the process, and
// with it the run, without a word; ignored, the write fails with EFBIG
// instead, and that is reported.
void IgnoreFileSizeSignal() {
  if (sigaction(SIGXFSZ, nullptr, &previous_file_size_action) != 0 ||
      !IsPlainHandler(previous_file_size_action, SIG_DFL))
    return;
  struct sigaction ignore = {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  file_size_signal_ignored = sigaction(SIGXFSZ, &ignore, nullptr) == 0;
}

void RestoreFileSizeSignal() {
  if (!file_size_signal_ignored) return;
  sigaction(SIGXFSZ, &previous_file_size_action, nullptr);
  file_size_signal_ignored = false;
}

// Stops watching `file`. Call with every signal blocked.
void Forget(WatchedFile*& file) {
  if (file == nullptr) return;
  file->in_use = false;
  close(file->directory_fd);
  file->directory_fd = -1;
  file = nullptr;
  if (--watched_count == 0) GiveBackSignals();
}

}  // namespace

struct InterruptCleanup::State {
  WatchedFile* file = nullptr;  // none for a file without a name
};

// The interface, shared with Windows, takes the path by value.
// NOLINTNEXTLINE(performance-unnecessary-value-param)
InterruptCleanup::InterruptCleanup(std::string path) {
  auto state = std::make_unique<State>();
  if (!path.empty()) {
    const std::string directory(DirectoryPartOf(path));
    const std::string_view name = std::string_view(path).substr(directory.size());
    if (name.empty() || name.size() > NAME_MAX) throw EInOutError(kInvalidFilename);
    int directory_fd =
        open(directory.empty() ? "." : directory.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (directory_fd < 0) throw EInOutError(InOutCodeForErrno(errno));

    SignalBlocker blocker;
    for (WatchedFile& file : watched) {
      if (!file.in_use) {
        state->file = &file;
        break;
      }
    }
    // Each one holds a directory open: as many as that are too many.
    if (state->file == nullptr) {
      close(directory_fd);
      throw EInOutError(kTooManyOpenFiles);
    }
    state->file->directory_fd = directory_fd;
    memcpy(state->file->name, name.data(), name.size());
    state->file->name[name.size()] = '\0';
    state->file->in_use = true;
    if (watched_count++ == 0) TakeOverSignals();
  }
  SignalBlocker blocker;
  if (live_count++ == 0) IgnoreFileSizeSignal();
  state_ = state.release();
}

InterruptCleanup::~InterruptCleanup() {
  SignalBlocker blocker;
  Forget(state_->file);
  if (--live_count == 0) RestoreFileSizeSignal();
  delete state_;
}

// Every handler here ends the process, so no interruption ever returns to
// find the file gone: this always runs `step`.
bool InterruptCleanup::RunUninterrupted(const std::function<void()>& step) {
  SignalBlocker blocker;
  step();
  // Renamed or removed, the name is no longer this object's to remove.
  Forget(state_->file);
  return true;
}

}  // namespace pelorin
