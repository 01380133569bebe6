#include "testing/blocked_call.h"

#include <sys/syscall.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

namespace pelorin::testing {

namespace {

std::string SystemCallFile(const std::string& process) { return "/proc/" + process + "/syscall"; }

// The system call `pid` is blocked in, with its first argument; -1 while
// it runs. The file holds the call's number and its arguments in hex, or
// "running".
long BlockedCall(int pid, long* first_argument) {
  std::ifstream call(SystemCallFile(std::to_string(pid)));
  long current = -1;
  std::string argument;
  if (!(call >> current >> argument)) return -1;
  *first_argument = std::strtol(argument.c_str(), nullptr, 16);
  return current;
}

// True when `pid` is blocked in `number` on `fd`.
bool IsBlockedIn(int pid, long number, int fd) {
  long first_argument = -1;
  return BlockedCall(pid, &first_argument) == number && first_argument == fd;
}

bool IsPolling(int pid) {
  long first_argument = -1;
  const long current = BlockedCall(pid, &first_argument);
#ifdef SYS_poll
  if (current == SYS_poll) return true;
#endif
  return current == SYS_ppoll;
}

template <class Condition>
bool WaitUntil(ChildProcess& child, std::chrono::milliseconds timeout, Condition condition) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!child.HasExited() && std::chrono::steady_clock::now() < deadline) {
    if (condition(child.pid())) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

}  // namespace

bool CanSeeSystemCalls() { return std::ifstream(SystemCallFile("self")).good(); }

bool WaitUntilBlockedIn(ChildProcess& child, long number, int fd,
                        std::chrono::milliseconds timeout) {
  return WaitUntil(child, timeout, [number, fd](int pid) { return IsBlockedIn(pid, number, fd); });
}

bool WaitUntilPolling(ChildProcess& child, std::chrono::milliseconds timeout) {
  return WaitUntil(child, timeout, IsPolling);
}

}  // namespace pelorin::testing
