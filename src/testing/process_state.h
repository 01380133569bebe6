// Test helpers: what a running child process is doing, as /proc shows it to
// its parent.
#ifndef PELORIN_TESTING_PROCESS_STATE_H_
#define PELORIN_TESTING_PROCESS_STATE_H_

#include <set>
#include <string>

#include "testing/temp_dir.h"

namespace pelorin::testing {

// Waits until `child` has a file open in `directory` whose name is none of
// `known`, and returns that file's path as /proc shows it: ending in
// " (deleted)" for a file that has no name. Returns "" when the child ends
// first, or after 10 seconds.
std::string WaitForFileOpenedIn(ChildProcess& child, const std::string& directory,
                                const std::set<std::string>& known);

// Waits until `path` exists and returns true; false when `child` ends
// first, or after 10 seconds.
bool WaitForPath(ChildProcess& child, const std::string& path);

// Waits until `child` is blocked in poll() (or ppoll()) and returns true;
// false when it ends first, or after 10 seconds.
bool WaitUntilPolling(ChildProcess& child);

// Waits until `child` is blocked writing to its standard output and returns
// true; false when it ends first, or after 10 seconds.
bool WaitUntilWritingOutput(ChildProcess& child);

}  // namespace pelorin::testing

#endif  // PELORIN_TESTING_PROCESS_STATE_H_
