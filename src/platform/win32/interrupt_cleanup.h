// Removal of unfinished output files when the console interrupts the run.
//
// Ctrl+C, Ctrl+Break, closing the console window, logging off and shutting
// down all end the process from a thread of the system's. Without help the
// temporary file of a replacement in progress would stay behind; with this,
// it is removed first, and the file it was to replace stays as it was.
#ifndef PELORIN_PLATFORM_WIN32_INTERRUPT_CLEANUP_H_
#define PELORIN_PLATFORM_WIN32_INTERRUPT_CLEANUP_H_

#include <functional>
#include <string>

namespace pelorin {

// Keeps `api_path` on the list of files an interruption removes, from its
// construction (which installs the console handler on first use) to its
// destruction.
class InterruptCleanup {
 public:
  explicit InterruptCleanup(std::wstring api_path);
  ~InterruptCleanup();
  InterruptCleanup(const InterruptCleanup&) = delete;
  InterruptCleanup& operator=(const InterruptCleanup&) = delete;

  // Runs `step` (closing and renaming the file) where no interruption can
  // remove the file halfway through, and returns true; returns false
  // without running it when an interruption has already removed the file.
  bool RunUninterrupted(const std::function<void()>& step);

 private:
  int slot_;
};

// What the console handler does: removes every listed file. Returns the
// number removed.
int RemoveFilesForInterruption();

}  // namespace pelorin

#endif  // PELORIN_PLATFORM_WIN32_INTERRUPT_CLEANUP_H_
