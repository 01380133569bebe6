// The running program as the operating system sees it: its command line,
// its file name and where its code was loaded.
#ifndef PELORIN_PLATFORM_PROCESS_H_
#define PELORIN_PLATFORM_PROCESS_H_

#include <optional>
#include <string>

namespace pelorin {

// The source path the user gave, split by the platform's rules, or nothing
// when the command line carries no argument. `argc` and `argv` are main()'s;
// a platform whose command line is richer than argv reads its own.
std::optional<std::string> SourcePathArgument(int argc, char* argv[]);

// The running program's file name without its directory, e.g. "pelorin".
std::string ModuleName();

// A code address as an offset into the program's image, so that a tool like
// addr2line can name the line.
unsigned long long CodeOffset(const void* address);

}  // namespace pelorin

#endif  // PELORIN_PLATFORM_PROCESS_H_
