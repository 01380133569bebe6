// Helpers shared by the POSIX side of the platform layer.
#ifndef PELORIN_PLATFORM_POSIX_POSIX_ERROR_H_
#define PELORIN_PLATFORM_POSIX_POSIX_ERROR_H_

#include <string>
#include <string_view>

#include "platform/failure.h"

namespace pelorin {

// The I/O failure code for an errno value: the codes users know from the
// failure table (2 to 5, 101 "Disk full"), or the errno itself, which then
// reads "I/O error <errno>".
InOutCode InOutCodeForErrno(int error);

// `path` made absolute against `current_directory`, with "." and ".."
// resolved as text and symbolic links not followed.
std::string AbsolutePathText(std::string_view current_directory, std::string_view path);

// `path` made absolute against the process's current directory.
std::string AbsolutePath(const std::string& path);

}  // namespace pelorin

#endif  // PELORIN_PLATFORM_POSIX_POSIX_ERROR_H_
