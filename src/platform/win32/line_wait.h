// The wait for Enter on a standard input that is a pipe, a file or a
// device rather than the console.
#ifndef PELORIN_PLATFORM_WIN32_LINE_WAIT_H_
#define PELORIN_PLATFORM_WIN32_LINE_WAIT_H_

#include <functional>

namespace pelorin {

// Reads up to `size` bytes into `into`, sets `got` to the number read and
// returns 0, or returns the Windows error; ReadFile() on the input.
using InputReader =
    std::function<unsigned long(char* into, unsigned long size, unsigned long& got)>;

// How much one read asks for.
constexpr unsigned long kLineWaitBlock = 1u << 16;

// Reads and discards input through `read`, a block at a time, until a block
// holds a line feed or the input ends (nothing read, end of file, or a pipe
// whose writer has gone). What follows the line feed in its block is
// discarded too. Returns 0, or the Windows error that stopped the reading.
unsigned long DiscardThroughLineFeed(const InputReader& read);

}  // namespace pelorin

#endif  // PELORIN_PLATFORM_WIN32_LINE_WAIT_H_
