#include "platform/win32/line_wait.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace pelorin {

unsigned long DiscardThroughLineFeed(const InputReader& read) {
  std::vector<char> block(kLineWaitBlock);
  for (;;) {
    unsigned long got = 0;
    if (unsigned long error = read(block.data(), kLineWaitBlock, got)) {
      // The writer closed its end of the pipe: the end of input.
      if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) return 0;
      return error;
    }
    if (got == 0 || std::memchr(block.data(), '\n', got) != nullptr) return 0;
  }
}

}  // namespace pelorin
