// Test helpers: a real temporary directory, whole-file I/O, TGA fixtures
// and a way to run the built program as a user would.
#ifndef PELORIN_TESTING_TEMP_DIR_H_
#define PELORIN_TESTING_TEMP_DIR_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "testing/tga_fixture.h"

namespace pelorin::testing {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // `name` inside the directory.
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  // The names in the directory, sorted, without "." and "..".
  std::vector<std::string> Names() const;

 private:
  std::string path_;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool PathExists(const std::string& path);
// The names in `directory`, sorted, without "." and "..".
std::vector<std::string> NamesIn(const std::string& directory);

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

// The full path of `name` found along $PATH, or "" when it is not there.
std::string FindProgram(const std::string& name);

}  // namespace pelorin::testing

#endif  // PELORIN_TESTING_TEMP_DIR_H_
