// The driver after a failure: the report, then the wait for Enter only
// where the console asks for it, and the status 1 whatever the wait does.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "app/driver.h"
#include "testing/recording_console.h"
#include "testing/temp_dir.h"

namespace pelorin {
namespace {

using testing::RecordingConsole;
using testing::TempDir;

const std::vector<std::string> kBanner = {
    "out: Pelorin converter    {by Zarnoth}",
    "out: Visit https://pelorin.example.org - the best place for free stuff!",
    "out: Everything free: java, pics, melodies, firmwares, soft",
};

bool IsFileNotFoundReport(const std::string& event) {
  return std::regex_match(event, std::regex("err: Exception EInOutError in module [^ /]+ at "
                                            "[0-9A-F]{8}\\.\nFile not found\\.\n\n"));
}

struct FailureWaitCase {
  const char* name;
  bool console_waits;  // what WaitsAfterFailure() answers
  void (*arrange)(RecordingConsole&);
  std::vector<std::string> after_report;
};
void PrintTo(const FailureWaitCase& c, std::ostream* os) { *os << c.name; }

const FailureWaitCase kFailureWaitCases[] = {
    // A console window of the program's own: the report stays in view.
    {"OwnWindowWaits", true, [](RecordingConsole&) {}, {"out: Press ENTER to continue...", "wait"}},
    // A shell, a script, redirected streams: the run ends at the report.
    {"SharedConsoleEndsAtTheReport", false, [](RecordingConsole&) {}, {}},
    // The report is out already: a console failing now is not reported
    // again, and the status stays that of the first failure.
    {"FailedWaitChangesNothing",
     true,
     [](RecordingConsole& c) { c.FailWait(); },
     {"out: Press ENTER to continue...", "wait"}},
    {"FailedPromptChangesNothing", true, [](RecordingConsole& c) { c.FailAtLine(4); }, {}},
};

class FailureWait : public ::testing::TestWithParam<FailureWaitCase> {};

TEST_P(FailureWait, FollowsTheReport) {
  const FailureWaitCase& c = GetParam();
  TempDir dir;
  RecordingConsole console;
  console.WaitAfterFailure(c.console_waits);
  c.arrange(console);

  EXPECT_EQ(RunPelorin(dir / "missing.tga", console), 1);

  ASSERT_EQ(console.events.size(), kBanner.size() + 2 + c.after_report.size());
  EXPECT_EQ(std::vector<std::string>(console.events.begin(), console.events.begin() + 3), kBanner);
  EXPECT_EQ(console.events[3], "out: Processing file: " + dir / "missing.tga");
  EXPECT_TRUE(IsFileNotFoundReport(console.events[4])) << console.events[4];
  EXPECT_EQ(std::vector<std::string>(console.events.begin() + 5, console.events.end()),
            c.after_report);
  EXPECT_TRUE(dir.Names().empty());
}

INSTANTIATE_TEST_SUITE_P(Consoles, FailureWait, ::testing::ValuesIn(kFailureWaitCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A run that succeeds waits once, as it always has, whatever the console
// would do after a failure.
TEST(FailureWaitTest, SuccessWaitsOnceInAnOwnWindow) {
  RecordingConsole console;
  console.WaitAfterFailure(true);
  EXPECT_EQ(RunPelorin(std::nullopt, console), 0);
  ASSERT_FALSE(console.events.empty());
  EXPECT_EQ(console.events.back(), "wait");
  EXPECT_EQ(std::count(console.events.begin(), console.events.end(), "wait"), 1);
  EXPECT_EQ(
      std::count(console.events.begin(), console.events.end(), "out: Press ENTER to continue..."),
      1);
}

}  // namespace
}  // namespace pelorin
