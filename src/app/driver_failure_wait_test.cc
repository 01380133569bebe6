// The driver after a failure: the report, then the wait for Enter only
// where the console asks for it, and the status 1 whatever the wait does.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/driver.h"
#include "platform/process.h"
#include "testing/case_name.h"
#include "testing/console_texts.h"
#include "testing/failure_report_check.h"
#include "testing/recording_console.h"
#include "testing/temp_dir.h"

namespace pelorin {
namespace {

using testing::CaseName;
using testing::IsFailureReport;
using testing::kPressEnter;
using testing::RecordingConsole;
using testing::ScreenBeforeFailure;
using testing::TempDir;

struct FailureWaitCase {
  const char* name;
  void (*arrange)(RecordingConsole&);
  bool console_waits;  // what WaitsAfterFailure() answers
  bool prompted;       // the prompt is shown after the report
  bool waited;         // the wait follows it
};
void PrintTo(const FailureWaitCase& c, std::ostream* os) { *os << c.name; }

const FailureWaitCase kFailureWaitCases[] = {
    // A console window of the program's own: the report stays in view.
    {"OwnWindowWaits", [](RecordingConsole&) {}, true, true, true},
    // A shell, a script, redirected streams: the run ends at the report.
    {"SharedConsoleEndsAtTheReport", [](RecordingConsole&) {}, false, false, false},
    // The report is out already: a console failing now is not reported
    // again, and the status stays that of the first failure.
    {"FailedWaitChangesNothing", [](RecordingConsole& c) { c.FailWait(); }, true, true, true},
    // Lines 0 to 3 are the banner and "Processing file"; 4 is the prompt.
    {"FailedPromptChangesNothing", [](RecordingConsole& c) { c.FailAtLine(4); }, true, false,
     false},
};

class FailureWait : public ::testing::TestWithParam<FailureWaitCase> {};

TEST_P(FailureWait, FollowsTheReport) {
  const FailureWaitCase& c = GetParam();
  TempDir dir;
  RecordingConsole console;
  console.WaitAfterFailure(c.console_waits);
  c.arrange(console);

  EXPECT_EQ(RunPelorin(dir / "missing.tga", console), 1);

  std::vector<std::string> expected;
  for (const std::string& line : ScreenBeforeFailure(dir / "missing.tga"))
    expected.push_back("out: " + line);
  const size_t report = expected.size();
  expected.emplace_back("the report");
  if (c.prompted) expected.push_back(std::string("out: ") + kPressEnter);
  if (c.waited) expected.emplace_back("wait");
  ASSERT_EQ(console.events.size(), expected.size());
  const std::string& event = console.events[report];
  ASSERT_EQ(event.rfind("err: ", 0), 0u) << event;
  EXPECT_TRUE(IsFailureReport(event.substr(5), ModuleName(), console.LineBreak(), "EInOutError",
                              "File not found"));
  console.events[report] = "the report";
  EXPECT_EQ(console.events, expected);
  EXPECT_TRUE(dir.Names().empty());
}

INSTANTIATE_TEST_SUITE_P(Consoles, FailureWait, ::testing::ValuesIn(kFailureWaitCases), CaseName());

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
      std::count(console.events.begin(), console.events.end(), std::string("out: ") + kPressEnter),
      1);
}

}  // namespace
}  // namespace pelorin
