// Test helper: a console that records what the driver does with it.
#ifndef PELORIN_TESTING_RECORDING_CONSOLE_H_
#define PELORIN_TESTING_RECORDING_CONSOLE_H_

#include <new>
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/failure.h"

namespace pelorin::testing {

// Records the driver's use of the console as events, in order: "out: " and
// a line, "wait", "err: " and a report. Output lines count as shown only
// once flushed, as with redirected output.
class RecordingConsole : public Console {
 public:
  void WriteLine(const std::string& text) override {
    const int index = lines_written_++;
    if (index == out_of_memory_at_line_) throw std::bad_alloc();
    if (index == fail_at_line_) throw EInOutError(kDiskFull);
    pending_.push_back(text);
  }
  void Flush() override {
    if (fail_flush_) throw EInOutError(kDiskFull);
    for (const std::string& line : pending_) events.push_back("out: " + line);
    pending_.clear();
  }
  void WaitForEnter() override {
    Flush();
    events.emplace_back("wait");
    if (fail_wait_) throw EInOutError(kFileAccessDenied);
  }
  void WriteError(const std::string& text) override { events.push_back("err: " + text); }
  const char* LineBreak() const override { return "\n"; }
  bool WaitsAfterFailure() override { return waits_after_failure_; }

  // The `index`th WriteLine(), counted from 0, raises "Disk full".
  void FailAtLine(int index) { fail_at_line_ = index; }
  // Every Flush() raises "Disk full", showing nothing.
  void FailFlush() { fail_flush_ = true; }
  // The `index`th WriteLine() throws std::bad_alloc.
  void RunOutOfMemoryAtLine(int index) { out_of_memory_at_line_ = index; }
  // WaitForEnter() raises "File access denied" once it has waited.
  void FailWait() { fail_wait_ = true; }
  // What WaitsAfterFailure() answers.
  void WaitAfterFailure(bool waits) { waits_after_failure_ = waits; }

  std::vector<std::string> events;

 private:
  std::vector<std::string> pending_;
  int fail_at_line_ = -1;
  int out_of_memory_at_line_ = -1;
  int lines_written_ = 0;
  bool fail_flush_ = false;
  bool fail_wait_ = false;
  bool waits_after_failure_ = false;
};

}  // namespace pelorin::testing

#endif  // PELORIN_TESTING_RECORDING_CONSOLE_H_
