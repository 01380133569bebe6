#include "app/driver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/failure.h"
#include "testing/case_name.h"
#include "testing/console_texts.h"
#include "testing/failure_report_check.h"
#include "testing/file_bytes.h"
#include "testing/recording_console.h"
#include "testing/temp_dir.h"
#include "testing/tga_fixture.h"

namespace pelorin {
namespace {

using testing::CaseName;
using testing::ConversionScreen;
using testing::IsFailureReport;
using testing::MakeTga;
using testing::ReadFileBytes;
using testing::RecordingConsole;
using testing::ScreenBeforeFailure;
using testing::TempDir;
using testing::UsageScreen;
using testing::WriteFileBytes;

// The driver names the module it runs in: here, this test program.
#ifdef _WIN32
const char kTestProgram[] = "pelorin_tests.exe";
#else
const char kTestProgram[] = "pelorin_tests";
#endif

// The events of showing `lines`.
std::vector<std::string> Shown(const std::vector<std::string>& lines) {
  std::vector<std::string> events;
  events.reserve(lines.size() + 1);  // room for the wait, too
  for (const std::string& line : lines) events.push_back("out: " + line);
  return events;
}

// The same, then the wait for Enter.
std::vector<std::string> ShownThenWait(const std::vector<std::string>& lines) {
  std::vector<std::string> events = Shown(lines);
  events.emplace_back("wait");
  return events;
}

// The console's last event reports a `class_name` failure with `message`.
void ExpectReportedLast(const RecordingConsole& console, const std::string& message,
                        const std::string& class_name = "EInOutError") {
  ASSERT_FALSE(console.events.empty());
  const std::string& event = console.events.back();
  const std::string kError = "err: ";
  ASSERT_EQ(event.compare(0, kError.size(), kError), 0) << event;
  EXPECT_TRUE(IsFailureReport(event.substr(kError.size()), kTestProgram, console.LineBreak(),
                              class_name, message));
}

TEST(RunPelorinTest, UsageScreenWithoutASourcePath) {
  RecordingConsole console;
  EXPECT_EQ(RunPelorin(std::nullopt, console), 0);
  EXPECT_EQ(console.events, ShownThenWait(UsageScreen()));
}

TEST(RunPelorinTest, ConvertsThenWaits) {
  TempDir dir;
  WriteFileBytes(dir / "logo.tga", MakeTga(1, 1, "\x10\x20\x30\x40"));
  RecordingConsole console;
  EXPECT_EQ(RunPelorin(dir / "logo.tga", console), 0);
  EXPECT_EQ(console.events, ShownThenWait(ConversionScreen(dir / "logo.tga")));
  EXPECT_EQ(ReadFileBytes(dir / "tic.ici"), "\x02\x31\x08");
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"logo.tga", "tic.ici"}));
}

TEST(RunPelorinTest, AFailureFlushesOutputThenReportsOnce) {
  TempDir dir;
  WriteFileBytes(dir / "tic.ici", "older");
  WriteFileBytes(dir / "short.tga", MakeTga(2, 2, "fifteen bytes!!"));
  RecordingConsole console;
  EXPECT_EQ(RunPelorin(dir / "short.tga", console), 1);
  ASSERT_EQ(console.events.size(), 5u);
  EXPECT_EQ(std::vector<std::string>(console.events.begin(), console.events.begin() + 4),
            Shown(ScreenBeforeFailure(dir / "short.tga")));
  ExpectReportedLast(console, "Read beyond end of file");
  EXPECT_EQ(ReadFileBytes(dir / "tic.ici"), "older");
}

struct ConsoleFailureCase {
  const char* name;
  void (*arrange)(RecordingConsole&);
  const char* message;
};
void PrintTo(const ConsoleFailureCase& c, std::ostream* os) { *os << c.name; }

const ConsoleFailureCase kConsoleFailures[] = {
    {"FirstLine", [](RecordingConsole& c) { c.FailAtLine(0); }, "Disk full"},
    {"LastLine", [](RecordingConsole& c) { c.FailAtLine(5); }, "Disk full"},
    {"Wait", [](RecordingConsole& c) { c.FailWait(); }, "File access denied"},
};

class RunPelorinConsoleFailureTest : public ::testing::TestWithParam<ConsoleFailureCase> {};

TEST_P(RunPelorinConsoleFailureTest, IsReportedLikeAnyOther) {
  RecordingConsole console;
  GetParam().arrange(console);
  EXPECT_EQ(RunPelorin(std::nullopt, console), 1);
  ExpectReportedLast(console, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(Failures, RunPelorinConsoleFailureTest,
                         ::testing::ValuesIn(kConsoleFailures), CaseName());

// Output that cannot be shown fails the run before the new file takes
// tic.ici's place; once it has, a failure leaves the new result complete.
struct CommitOrderCase {
  const char* name;
  void (*arrange)(RecordingConsole&);
  const char* left;  // in tic.ici
};
void PrintTo(const CommitOrderCase& c, std::ostream* os) { *os << c.name; }

const CommitOrderCase kCommitOrderCases[] = {
    {"LinesBeforeTheCommit", [](RecordingConsole& c) { c.FailFlush(); }, "older"},
    // Lines 0 to 3 are the banner and "Processing file"; 4 is "Finished!".
    {"FinishedAfterIt", [](RecordingConsole& c) { c.FailAtLine(4); }, "\x02\x31\x08"},
};

class RunPelorinCommitOrderTest : public ::testing::TestWithParam<CommitOrderCase> {};

TEST_P(RunPelorinCommitOrderTest, OutputIsShownBeforeTicIciIsReplaced) {
  TempDir dir;
  WriteFileBytes(dir / "logo.tga", MakeTga(1, 1, "\x10\x20\x30\x40"));
  WriteFileBytes(dir / "tic.ici", "older");
  RecordingConsole console;
  GetParam().arrange(console);
  EXPECT_EQ(RunPelorin(dir / "logo.tga", console), 1);
  ExpectReportedLast(console, "Disk full");
  EXPECT_EQ(ReadFileBytes(dir / "tic.ici"), GetParam().left);
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"logo.tga", "tic.ici"}));
}

INSTANTIATE_TEST_SUITE_P(Failures, RunPelorinCommitOrderTest,
                         ::testing::ValuesIn(kCommitOrderCases), CaseName());

// Memory that runs out anywhere, not only in the image's buffers, is a
// failure reported like any other: here in the usage screen's first line
// and in "Processing file".
TEST(RunPelorinTest, RunningOutOfMemoryIsReportedAsEOutOfMemory) {
  TempDir dir;
  WriteFileBytes(dir / "logo.tga", MakeTga(1, 1, "\x10\x20\x30\x40"));
  WriteFileBytes(dir / "tic.ici", "older");
  for (int line : {0, 3}) {
    SCOPED_TRACE(line);
    RecordingConsole console;
    console.RunOutOfMemoryAtLine(line);
    EXPECT_EQ(RunPelorin(line == 0 ? std::nullopt : std::optional(dir / "logo.tga"), console), 1);
    ExpectReportedLast(console, "Out of memory", "EOutOfMemory");
  }
  EXPECT_EQ(ReadFileBytes(dir / "tic.ici"), "older");
}

}  // namespace
}  // namespace pelorin
