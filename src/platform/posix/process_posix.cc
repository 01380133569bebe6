#include <unistd.h>

#include <cstdint>
#include <string>

#include "platform/process.h"

// The first byte of the program's image, placed by the linker.
extern "C" char __executable_start;  // NOLINT(bugprone-reserved-identifier): the linker's name

namespace pelorin {

std::optional<std::string> SourcePathArgument(int argc, char* argv[]) {
  // A shell turns "" into an empty argument; like the Windows command line,
  // Pelorin passes over it.
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] != '\0') return std::string(argv[i]);
  }
  return std::nullopt;
}

std::string ModuleName() {
  std::string path(4096, '\0');
  ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
  if (length <= 0) return "pelorin";
  path.resize(static_cast<size_t>(length));
  return path.substr(path.rfind('/') + 1);
}

unsigned long long CodeOffset(const void* address) {
  return reinterpret_cast<uintptr_t>(address) - reinterpret_cast<uintptr_t>(&__executable_start);
}

}  // namespace pelorin
