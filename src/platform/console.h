// The text console: fixed lines on standard output, the wait for Enter on
// standard input, and the failure report on standard error.
#ifndef PELORIN_PLATFORM_CONSOLE_H_
#define PELORIN_PLATFORM_CONSOLE_H_

#include <memory>
#include <string>

namespace pelorin {

class Console {
 public:
  virtual ~Console() = default;
  // Writes `text` and the platform's line break. A terminal shows the line at
  // once; redirected output may wait in a buffer until Flush(). Raises
  // EInOutError when the output cannot be written.
  virtual void WriteLine(const std::string& text) = 0;
  // Writes out whatever waits in the buffer. Raises EInOutError on failure;
  // the buffer is empty afterwards either way.
  virtual void Flush() = 0;
  // Shows pending output, then reads and discards input up to and including
  // the next line feed, or to the end of input. Raises EInOutError when the
  // input cannot be read.
  virtual void WaitForEnter() = 0;
  // Writes `text` to standard error as it is; a failure here has nowhere left
  // to be reported and is ignored.
  virtual void WriteError(const std::string& text) = 0;
  // The line break of the platform's text files: "\n" or "\r\n".
  virtual const char* LineBreak() const = 0;
  // Whether a failure report is to be followed by the wait for Enter, as a
  // normal run ends: where the report would otherwise vanish with a window
  // that closes when the program ends. Scripts and shells never wait.
  virtual bool WaitsAfterFailure() { return false; }
};

// The process's own standard streams.
std::unique_ptr<Console> OpenStandardConsole();

}  // namespace pelorin

#endif  // PELORIN_PLATFORM_CONSOLE_H_
