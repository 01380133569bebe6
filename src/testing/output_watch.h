// Test helpers: waiting, while the built program runs, for the output file
// it makes.
#ifndef PELORIN_TESTING_OUTPUT_WATCH_H_
#define PELORIN_TESTING_OUTPUT_WATCH_H_

#include <set>
#include <string>

#include "testing/child_process.h"

namespace pelorin::testing {

// Waits until `child` has a file open in `directory` whose name is none of
// `known`, and returns that file's path as /proc/<pid>/fd shows it: ending
// in " (deleted)" for a file that has no name. Returns "" when the child
// ends first, or after 10 seconds.
std::string WaitForFileOpenedIn(ChildProcess& child, const std::string& directory,
                                const std::set<std::string>& known);

// Waits until `path` exists and returns true; false when `child` ends
// first, or after 10 seconds.
bool WaitForPath(ChildProcess& child, const std::string& path);

}  // namespace pelorin::testing

#endif  // PELORIN_TESTING_OUTPUT_WATCH_H_
