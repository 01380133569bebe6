// Test helpers: run a program as a user would, and see what it left.
#ifndef PELORIN_TESTING_CHILD_PROCESS_H_
#define PELORIN_TESTING_CHILD_PROCESS_H_

#include <functional>
#include <string>
#include <vector>

namespace pelorin::testing {

// What a run of a program left behind.
struct RunResult {
  int exit_status = -1;  // -1 when it died by a signal
  int signal = 0;
  std::string out;
  std::string err;
};

struct RunOptions {
  std::string working_directory;  // empty: the test's own
  std::string input;              // written to its standard input, then closed
  bool merge_error_into_output = false;
  // Runs in the child just before exec, e.g. to set limits or drop rights.
  std::function<void()> before_exec;
};

// A started program whose standard input stays open until Finish(), for
// tests that watch it while it waits. `options.input` is not used here.
// POSIX only: on Windows, testing/win32/launched_program.h does this.
class ChildProcess {
 public:
  ChildProcess(const std::vector<std::string>& argv, const RunOptions& options);
  // A child that was never finished is killed, so that no test leaves one.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  int pid() const { return pid_; }
  // True once the child has ended; does not wait.
  bool HasExited();
  // Writes `input` to its standard input, closes that, collects both
  // outputs until the child closes them and waits for it to end.
  RunResult Finish(const std::string& input);

 private:
  void Reap(bool wait);

  int pid_ = -1;
  int input_fd_ = -1;
  int output_fd_ = -1;
  int error_fd_ = -1;
  bool exited_ = false;
  int status_ = 0;
};

// Runs `argv` (argv[0] is the program's path), feeds it `options.input` and
// waits for it.
RunResult RunProgram(const std::vector<std::string>& argv, const RunOptions& options = {});

// The full path of the program `name` that Debian's packages install
// (in /usr/bin or /bin), or "" when it is not there. The caller's PATH is
// not searched: a python3 or a convert earlier on it may be another program
// altogether. POSIX only.
std::string FindProgram(const std::string& name);

}  // namespace pelorin::testing

#endif  // PELORIN_TESTING_CHILD_PROCESS_H_
