// RunProgram of testing/child_process.h for Windows: the arguments quoted
// into one command line. ChildProcess and FindProgram have no Windows form;
// testing/win32/launched_program.h starts programs that the test watches.
#include <stdexcept>

#include "testing/child_process.h"
#include "testing/win32/launched_program.h"

namespace pelorin::testing {

RunResult RunProgram(const std::vector<std::string>& argv, const RunOptions& options) {
  if (options.before_exec)
    throw std::logic_error("before_exec needs fork and exec, which Windows lacks");
  std::string command_line;
  for (const std::string& word : argv) {
    if (!command_line.empty()) command_line += ' ';
    command_line += '"' + word + '"';
  }
  LaunchOptions launch;
  launch.working_directory = options.working_directory;
  launch.merge_error_into_output = options.merge_error_into_output;
  return RunCommandLine(argv.at(0), command_line, options.input, launch);
}

}  // namespace pelorin::testing
