#include "platform/win32/win32_error.h"

#include <windows.h>

namespace pelorin {

InOutCode InOutCodeForWindowsError(unsigned long error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
      return kFileNotFound;
    case ERROR_PATH_NOT_FOUND:
      return kInvalidFilename;
    case ERROR_TOO_MANY_OPEN_FILES:
      return kTooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
      return kFileAccessDenied;
    default:
      // Error codes fit in 16 bits; the cast cannot lose any.
      return InOutCode::System(static_cast<int>(error));
  }
}

}  // namespace pelorin
