#include "platform/interrupt_cleanup.h"

#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/win32/console_interruption.h"
#include "platform/win32/wide_text.h"

namespace pelorin {

namespace {

// What an interruption needs to know of one InterruptCleanup.
struct Watched {
  std::wstring path;  // the file to remove; empty when the system removes it
  bool interrupted = false;
};

// The console handler runs on a thread of its own, so the list is shared
// under a lock, and holding the lock is what keeps the handler out of a
// step. An SRW lock needs no initialisation at run time, which matters for
// a handler that may fire at any moment.
SRWLOCK watch_lock = SRWLOCK_INIT;
std::vector<Watched*>* watched = nullptr;

// Call with the lock held.
int InterruptEveryWatched() {
  int removed = 0;
  for (Watched* entry : *watched) {
    if (entry->interrupted) continue;
    if (!entry->path.empty() && DeleteFileW(entry->path.c_str())) ++removed;
    entry->interrupted = true;
  }
  return removed;
}

BOOL WINAPI OnConsoleControl(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      // Waits for a step in progress, and keeps the lock to the end, so
      // that no other step begins before the process is gone.
      AcquireSRWLockExclusive(&watch_lock);
      InterruptEveryWatched();
      // End as the system's own handler ends a console program, with the
      // status that tells callers the run was interrupted. (Wine's own
      // handler would report success instead.)
      ExitProcess(static_cast<UINT>(STATUS_CONTROL_C_EXIT));
  }
  return FALSE;
}

}  // namespace

struct InterruptCleanup::State : Watched {};

InterruptCleanup::InterruptCleanup(std::string path) : state_(new State) {
  state_->path = WideFromUtf8(path);
  AcquireSRWLockExclusive(&watch_lock);
  if (watched == nullptr) {
    watched = new std::vector<Watched*>;
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
  }
  watched->push_back(state_);
  ReleaseSRWLockExclusive(&watch_lock);
}

InterruptCleanup::~InterruptCleanup() {
  AcquireSRWLockExclusive(&watch_lock);
  watched->erase(std::find(watched->begin(), watched->end(), state_));
  ReleaseSRWLockExclusive(&watch_lock);
  delete state_;
}

bool InterruptCleanup::RunUninterrupted(const std::function<void()>& step) {
  AcquireSRWLockExclusive(&watch_lock);
  if (state_->interrupted) {
    ReleaseSRWLockExclusive(&watch_lock);
    return false;
  }
  try {
    step();
  } catch (...) {
    ReleaseSRWLockExclusive(&watch_lock);
    throw;
  }
  // Whatever the step did with the name, it is no longer this object's to
  // remove.
  state_->path.clear();
  ReleaseSRWLockExclusive(&watch_lock);
  return true;
}

int InterruptAllCleanups() {
  AcquireSRWLockExclusive(&watch_lock);
  int removed = watched == nullptr ? 0 : InterruptEveryWatched();
  ReleaseSRWLockExclusive(&watch_lock);
  return removed;
}

}  // namespace pelorin
