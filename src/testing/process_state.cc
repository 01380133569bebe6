#include "testing/process_state.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace pelorin::testing {

namespace {

constexpr int kTries = 2000;
constexpr std::chrono::milliseconds kPause(5);

std::string RealPath(const std::string& path) {
  char* resolved = realpath(path.c_str(), nullptr);
  std::string result = resolved != nullptr ? resolved : path;
  free(resolved);
  return result;
}

// The path of a file that `pid` has open in `directory` under none of the
// `known` names, or "".
std::string FileOpenedIn(int pid, const std::string& directory,
                         const std::set<std::string>& known) {
  const std::string descriptors = "/proc/" + std::to_string(pid) + "/fd";
  std::string found;
  DIR* dir = opendir(descriptors.c_str());
  if (dir == nullptr) return found;
  while (dirent* entry = readdir(dir)) {
    std::string target(PATH_MAX + 64, '\0');
    ssize_t length = readlinkat(dirfd(dir), entry->d_name, target.data(), target.size());
    if (length <= 0) continue;
    target.resize(static_cast<size_t>(length));
    if (target.size() <= directory.size() + 1 ||
        target.compare(0, directory.size(), directory) != 0 || target[directory.size()] != '/')
      continue;
    const std::string name = target.substr(directory.size() + 1);
    if (name.find('/') == std::string::npos && known.count(name) == 0) found = target;
  }
  closedir(dir);
  return found;
}

// The system call `pid` is blocked in, and its first argument ("0x1" for
// standard output); -1 when it runs.
long BlockedIn(int pid, std::string* first_argument = nullptr) {
  std::ifstream calls("/proc/" + std::to_string(pid) + "/syscall");
  long number = -1;
  std::string argument;
  calls >> number >> argument;
  if (first_argument != nullptr) *first_argument = argument;
  return number;
}

bool IsPolling(int pid) {
  const long number = BlockedIn(pid);
#ifdef SYS_poll
  if (number == SYS_poll) return true;
#endif
  return number == SYS_ppoll;
}

bool IsWritingOutput(int pid) {
  std::string descriptor;
  return BlockedIn(pid, &descriptor) == SYS_write && descriptor == "0x1";
}

bool WaitUntil(ChildProcess& child, bool (*condition)(int pid)) {
  for (int tries = 0; tries < kTries && !child.HasExited(); ++tries) {
    if (condition(child.pid())) return true;
    std::this_thread::sleep_for(kPause);
  }
  return false;
}

}  // namespace

std::string WaitForFileOpenedIn(ChildProcess& child, const std::string& directory,
                                const std::set<std::string>& known) {
  const std::string real_directory = RealPath(directory);
  for (int tries = 0; tries < kTries && !child.HasExited(); ++tries) {
    std::string found = FileOpenedIn(child.pid(), real_directory, known);
    if (!found.empty()) return found;
    std::this_thread::sleep_for(kPause);
  }
  return "";
}

bool WaitForPath(ChildProcess& child, const std::string& path) {
  for (int tries = 0; tries < kTries && !child.HasExited(); ++tries) {
    if (PathExists(path)) return true;
    std::this_thread::sleep_for(kPause);
  }
  return PathExists(path);
}

bool WaitUntilPolling(ChildProcess& child) { return WaitUntil(child, IsPolling); }

bool WaitUntilWritingOutput(ChildProcess& child) { return WaitUntil(child, IsWritingOutput); }

}  // namespace pelorin::testing
