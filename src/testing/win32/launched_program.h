// Test helper: starts a Windows program with an exact command line.
//
// Wine and the C runtime re-quote an argv list, which would hide exactly the
// splitting rules the tests are about, so the line goes to CreateProcessW as
// it is written here.
#ifndef PELORIN_TESTING_WIN32_LAUNCHED_PROGRAM_H_
#define PELORIN_TESTING_WIN32_LAUNCHED_PROGRAM_H_

#include <windows.h>

#include <string>
#include <thread>

#include "testing/child_process.h"

namespace pelorin::testing {

struct LaunchOptions {
  std::string working_directory;  // empty: the test's own
  // Standard input comes from this file when given, else from a pipe that
  // the test writes and closes.
  std::string input_file;
  bool merge_error_into_output = false;
  // What the program gets as standard output: by default a pipe that the
  // test reads.
  enum class Output {
    kPipe,
    kPipeWithoutReader,  // the test closed its end before the start
    kNullHandle,         // no handle at all, as GetStdHandle() then says
    kInvalidHandle,      // INVALID_HANDLE_VALUE, the other way to say so
  };
  Output output = Output::kPipe;
  // Added to CreateProcessW's flags, e.g. DETACHED_PROCESS.
  DWORD creation_flags = 0;
};

class LaunchedProgram {
 public:
  // `program` is the executable's path, `command_line` the whole line the
  // program will see (its own name first), both UTF-8.
  LaunchedProgram(const std::string& program, const std::string& command_line,
                  const LaunchOptions& options = {});
  // Ends a program still running, so that a failed test leaves none behind.
  ~LaunchedProgram();
  LaunchedProgram(const LaunchedProgram&) = delete;
  LaunchedProgram& operator=(const LaunchedProgram&) = delete;

  void WriteInput(const std::string& bytes);
  void CloseInput();
  // Whether the program ends within `milliseconds`.
  bool EndsWithin(unsigned milliseconds);
  // Closes the input, waits for the end and gives what the program left.
  RunResult Finish();
  unsigned long process_id() const { return process_id_; }
  HANDLE process() const { return process_; }
  // What arrived on standard output so far.
  std::string OutputSoFar();

 private:
  HANDLE process_ = nullptr;
  unsigned long process_id_ = 0;
  HANDLE input_ = nullptr;
  HANDLE output_ = nullptr;
  HANDLE error_ = nullptr;
  std::thread output_reader_;
  std::thread error_reader_;
  CRITICAL_SECTION output_lock_;
  std::string out_;
  std::string err_;
};

// Runs `command_line` with `input` on a pipe as standard input.
RunResult RunCommandLine(const std::string& program, const std::string& command_line,
                         const std::string& input = "", const LaunchOptions& options = {});

}  // namespace pelorin::testing

#endif  // PELORIN_TESTING_WIN32_LAUNCHED_PROGRAM_H_
