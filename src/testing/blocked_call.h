// Test helper: waits, instead of guessing a delay, until a child process is
// blocked in a given system call, as Linux shows in /proc/<pid>/syscall.
#ifndef PELORIN_TESTING_BLOCKED_CALL_H_
#define PELORIN_TESTING_BLOCKED_CALL_H_

#include <chrono>

#include "testing/child_process.h"

namespace pelorin::testing {

// Whether this system shows a process's current system call at all; where
// it does not, a test that needs to see one cannot run.
bool CanSeeSystemCalls();

// Waits until `child` is blocked in system call `number` (e.g. SYS_read)
// with `fd` as its first argument. False when the child ended first or
// `timeout` ran out.
bool WaitUntilBlockedIn(ChildProcess& child, long number, int fd,
                        std::chrono::milliseconds timeout);

// Waits until `child` is blocked in poll() or ppoll(), whatever it polls.
// False when the child ended first or `timeout` ran out.
bool WaitUntilPolling(ChildProcess& child, std::chrono::milliseconds timeout);

}  // namespace pelorin::testing

#endif  // PELORIN_TESTING_BLOCKED_CALL_H_
