// Memory that runs out outside the image's buffers, met by the built
// program: the run still ends with a report and status 1.

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include "testing/blocked_call.h"
#include "testing/child_process.h"
#include "testing/console_texts.h"
#include "testing/failure_report_check.h"
#include "testing/held_terminal.h"
#include "testing/sanitizers.h"
#include "testing/temp_dir.h"

namespace pelorin::testing {
namespace {

// The address space `pid` has mapped, in bytes; 0 when unknown.
rlim_t AddressSpaceOf(int pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string field;
  while (status >> field) {
    rlim_t kibibytes = 0;
    if (field == "VmSize:" && status >> kibibytes) return kibibytes << 10;
  }
  return 0;
}

// The longest argument the system passes (128 KiB) names the source. The
// program is caught at its first line, and its address space is then held
// to what it has mapped, give or take 64 KiB: the line that shows that path
// cannot be made.
TEST(MemoryE2e, RunningOutOfMemoryInALineOfTextIsReported) {
#ifdef PELORIN_UNDER_ADDRESS_SANITIZER
  GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit allows";
#endif
  HeldTerminal terminal;
  if (!terminal.available()) GTEST_SKIP() << "no pseudo-terminal";
  TempDir dir;
  const std::string source = std::string(128 * 1024 - 8, 'p') + ".tga";
  RunOptions options;
  options.working_directory = dir.path();
  options.before_exec = terminal.AsStandardOutput();
  ChildProcess child({PELORIN_EXECUTABLE, source}, options);

  bool limited = false;
  if (WaitUntilBlockedIn(child, SYS_write, STDOUT_FILENO, std::chrono::seconds(10))) {
    const rlim_t mapped = AddressSpaceOf(child.pid());
    rlimit limit = {mapped + (64 << 10), mapped + (64 << 10)};
    limited = mapped > 0 && prlimit(child.pid(), RLIMIT_AS, &limit, nullptr) == 0;
  }
  terminal.Release();
  RunResult result = child.Finish("\n");
  if (!limited) GTEST_SKIP() << "could not catch the program at its first line";

  EXPECT_EQ(result.exit_status, 1) << result.err;
  EXPECT_TRUE(IsProgramFailureReport(result.err, "EOutOfMemory", "Out of memory"));
  EXPECT_EQ(terminal.Shown(), JoinLines({std::begin(kBannerLines), std::end(kBannerLines)}, "\n"));
  EXPECT_TRUE(dir.Names().empty());
}

}  // namespace
}  // namespace pelorin::testing
