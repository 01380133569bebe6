#include "platform/win32/interrupt_cleanup.h"

#include <windows.h>

#include <map>
#include <utility>

namespace pelorin {

namespace {

struct Entry {
  std::wstring api_path;
  bool removed = false;
};

// The handler runs on its own thread, so the list is shared under a lock.
// An SRW lock needs no initialisation at run time, which matters for a
// handler that may fire at any moment.
SRWLOCK list_lock = SRWLOCK_INIT;
std::map<int, Entry>* listed = nullptr;
int next_slot = 0;

BOOL WINAPI OnConsoleControl(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      RemoveFilesForInterruption();
      // End as the system's own handler ends a console program, with the
      // status that tells callers the run was interrupted. (Wine's own
      // handler would report success instead.)
      ExitProcess(static_cast<UINT>(STATUS_CONTROL_C_EXIT));
  }
  return FALSE;
}

}  // namespace

InterruptCleanup::InterruptCleanup(std::wstring api_path) {
  AcquireSRWLockExclusive(&list_lock);
  if (listed == nullptr) {
    listed = new std::map<int, Entry>;
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
  }
  slot_ = next_slot++;
  (*listed)[slot_].api_path = std::move(api_path);
  ReleaseSRWLockExclusive(&list_lock);
}

InterruptCleanup::~InterruptCleanup() {
  AcquireSRWLockExclusive(&list_lock);
  listed->erase(slot_);
  ReleaseSRWLockExclusive(&list_lock);
}

bool InterruptCleanup::RunUninterrupted(const std::function<void()>& step) {
  AcquireSRWLockExclusive(&list_lock);
  auto entry = listed->find(slot_);
  bool removed = entry == listed->end() || entry->second.removed;
  if (!removed) {
    try {
      step();
    } catch (...) {
      ReleaseSRWLockExclusive(&list_lock);
      throw;
    }
    // Renamed or not, the name is no longer ours to remove.
    listed->erase(slot_);
  }
  ReleaseSRWLockExclusive(&list_lock);
  return !removed;
}

int RemoveFilesForInterruption() {
  int count = 0;
  AcquireSRWLockExclusive(&list_lock);
  if (listed != nullptr) {
    for (auto& [slot, entry] : *listed) {
      if (entry.removed) continue;
      // The file is open with FILE_SHARE_DELETE: it goes when the process
      // ends and closes it, however far the writing has got.
      if (DeleteFileW(entry.api_path.c_str())) ++count;
      entry.removed = true;
    }
  }
  ReleaseSRWLockExclusive(&list_lock);
  return count;
}

}  // namespace pelorin
