#include "platform/win32/console_window.h"

#include <gtest/gtest.h>

#include "testing/case_name.h"

namespace pelorin {
namespace {

using testing::CaseName;

struct AttachmentCase {
  const char* name;
  ConsoleAttachment console;
  bool waits;
};
void PrintTo(const AttachmentCase& c, std::ostream* os) { *os << c.name; }

const AttachmentCase kAttachmentCases[] = {
    // Explorer opened a window for the dropped file.
    {"OwnWindow", {1, true, true, true}, true},
    // cmd.exe, PowerShell, or a script run by either: the shell shares the
    // console and keeps its window.
    {"StartedFromAShell", {2, true, true, true}, false},
    {"StartedFromAScript", {3, true, true, true}, false},
    // No console at all: detached, or a service.
    {"NoConsole", {0, false, false, false}, false},
    // A console of its own, but a caller that reads or feeds the streams.
    {"OwnWindowInputRedirected", {1, false, true, true}, false},
    {"OwnWindowOutputRedirected", {1, true, false, true}, false},
    {"OwnWindowErrorRedirected", {1, true, true, false}, false},
    {"SharedConsoleAllRedirected", {2, false, false, false}, false},
};

class FailureWaitsForEnterTest : public ::testing::TestWithParam<AttachmentCase> {};

TEST_P(FailureWaitsForEnterTest, OnlyInAWindowOfItsOwn) {
  EXPECT_EQ(FailureWaitsForEnter(GetParam().console), GetParam().waits);
}

INSTANTIATE_TEST_SUITE_P(Consoles, FailureWaitsForEnterTest, ::testing::ValuesIn(kAttachmentCases),
                         CaseName());

}  // namespace
}  // namespace pelorin
