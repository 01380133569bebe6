#include "testing/output_watch.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "testing/file_bytes.h"

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

}  // namespace pelorin::testing
