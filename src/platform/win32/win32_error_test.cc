#include "platform/win32/win32_error.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "testing/case_name.h"

namespace pelorin {
namespace {

using testing::CaseName;

struct WindowsErrorCase {
  const char* name;
  DWORD error;
  bool named;
  const char* message;
};
void PrintTo(const WindowsErrorCase& c, std::ostream* os) { *os << c.name; }

const WindowsErrorCase kWindowsErrorCases[] = {
    // Windows numbers these four as the named codes do.
    {"FileNotFound", ERROR_FILE_NOT_FOUND, true, "File not found"},
    {"PathNotFound", ERROR_PATH_NOT_FOUND, true, "Invalid filename"},
    {"TooManyOpenFiles", ERROR_TOO_MANY_OPEN_FILES, true, "Too many open files"},
    {"AccessDenied", ERROR_ACCESS_DENIED, true, "File access denied"},
    // Windows errors that share a number with one of the program's own
    // conditions are still only numbers.
    {"TooManySemaphores", ERROR_TOO_MANY_SEMAPHORES, false, "I/O error 100"},
    {"ExclusiveSemaphoreAlreadyOwned", ERROR_EXCL_SEM_ALREADY_OWNED, false, "I/O error 101"},
    {"SemaphoreUserLimit", ERROR_SEM_USER_LIMIT, false, "I/O error 106"},
    // Anything else is its number.
    {"InvalidHandle", ERROR_INVALID_HANDLE, false, "I/O error 6"},
    {"SharingViolation", ERROR_SHARING_VIOLATION, false, "I/O error 32"},
    {"HandleDiskFull", ERROR_HANDLE_DISK_FULL, false, "I/O error 39"},
    {"DiskFull", ERROR_DISK_FULL, false, "I/O error 112"},
    {"PipeBeingClosed", ERROR_NO_DATA, false, "I/O error 232"},
    {"HighCode", 15999, false, "I/O error 15999"},
};

class InOutCodeForWindowsErrorTest : public ::testing::TestWithParam<WindowsErrorCase> {};

TEST_P(InOutCodeForWindowsErrorTest, NamesTwoToFiveAndNumbersTheRest) {
  const WindowsErrorCase& c = GetParam();
  InOutCode code = InOutCodeForWindowsError(c.error);
  EXPECT_EQ(code.value(), static_cast<int>(c.error));
  EXPECT_EQ(code.named(), c.named);
  EXPECT_EQ(InOutErrorMessage(code), c.message);
}

INSTANTIATE_TEST_SUITE_P(Errors, InOutCodeForWindowsErrorTest,
                         ::testing::ValuesIn(kWindowsErrorCases), CaseName());

}  // namespace
}  // namespace pelorin
