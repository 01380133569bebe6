#include "testing/blocked_call.h"

#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

namespace pelorin::testing {

namespace {

std::string SystemCallFile(const std::string& process) { return "/proc/" + process + "/syscall"; }

// True when `pid` is blocked in `number` on `fd`. The file holds the call's
// number and its arguments in hex, or "running" while the process runs.
bool IsBlockedIn(int pid, long number, int fd) {
  std::ifstream call(SystemCallFile(std::to_string(pid)));
  long current = -1;
  std::string first_argument;
  if (!(call >> current >> first_argument)) return false;
  return current == number && std::strtol(first_argument.c_str(), nullptr, 16) == fd;
}

}  // namespace

bool CanSeeSystemCalls() { return std::ifstream(SystemCallFile("self")).good(); }

bool WaitUntilBlockedIn(ChildProcess& child, long number, int fd,
                        std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!child.HasExited() && std::chrono::steady_clock::now() < deadline) {
    if (IsBlockedIn(child.pid(), number, fd)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

}  // namespace pelorin::testing
