// Windows error codes as I/O failure codes.
#ifndef PELORIN_PLATFORM_WIN32_WIN32_ERROR_H_
#define PELORIN_PLATFORM_WIN32_WIN32_ERROR_H_

#include "platform/failure.h"

namespace pelorin {

// The I/O failure code for a Windows error (GetLastError()): 2 to 5 are the
// named ones ("File not found" and so on, which Windows numbers just so);
// any other reads "I/O error <code>". The one conversion from DWORD.
InOutCode InOutCodeForWindowsError(unsigned long error);

}  // namespace pelorin

#endif  // PELORIN_PLATFORM_WIN32_WIN32_ERROR_H_
