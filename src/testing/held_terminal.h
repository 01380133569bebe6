// Test helper: a terminal that holds back what is written to it, to catch
// the built program at its first line. On a terminal the program shows each
// line at once, so it stays blocked writing its first one, after it has
// loaded and before it opens any file, until the terminal lets output
// through again.
#ifndef PELORIN_TESTING_HELD_TERMINAL_H_
#define PELORIN_TESTING_HELD_TERMINAL_H_

#include <functional>
#include <string>

namespace pelorin::testing {

class HeldTerminal {
 public:
  // Opens a pseudo-terminal that shows lines as written, with its output
  // held back. available() says whether there was one.
  HeldTerminal();
  ~HeldTerminal();
  HeldTerminal(const HeldTerminal&) = delete;
  HeldTerminal& operator=(const HeldTerminal&) = delete;

  bool available() const { return output_ >= 0; }
  // For RunOptions::before_exec: the terminal becomes the child's standard
  // output.
  std::function<void()> AsStandardOutput() const;
  // Lets the output through.
  void Release() const;
  // What the terminal has shown so far.
  std::string Shown() const;

 private:
  int terminal_ = -1;
  int output_ = -1;
};

}  // namespace pelorin::testing

#endif  // PELORIN_TESTING_HELD_TERMINAL_H_
