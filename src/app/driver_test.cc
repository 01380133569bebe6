#include "app/driver.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "testing/file_bytes.h"
#include "testing/temp_dir.h"
#include "testing/tga_fixture.h"

namespace pelorin {
namespace {

using testing::MakeTga;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

// Records what the driver does with the console, in order. Output lines
// count as shown only once flushed, as with redirected output.
class RecordingConsole : public Console {
 public:
  void WriteLine(const std::string& text) override {
    if (fail_at_line_ >= 0 && lines_written_++ == fail_at_line_) throw EInOutError(kDiskFull);
    pending_.push_back(text);
  }
  void Flush() override {
    for (const std::string& line : pending_) events.push_back("out: " + line);
    pending_.clear();
  }
  void WaitForEnter() override {
    Flush();
    events.emplace_back("wait");
    if (fail_wait_) throw EInOutError(kFileAccessDenied);
  }
  void WriteError(const std::string& text) override { events.push_back("err: " + text); }
  const char* LineBreak() const override { return "\n"; }

  void FailAtLine(int index) { fail_at_line_ = index; }
  void FailWait() { fail_wait_ = true; }

  std::vector<std::string> events;

 private:
  std::vector<std::string> pending_;
  int fail_at_line_ = -1;
  int lines_written_ = 0;
  bool fail_wait_ = false;
};

const char* const kBanner[] = {
    "out: Pelorin converter    {by Zarnoth}",
    "out: Visit https://pelorin.example.org - the best place for free stuff!",
    "out: Everything free: java, pics, melodies, firmwares, soft",
};

std::vector<std::string> WithBanner(std::vector<std::string> rest) {
  std::vector<std::string> events(std::begin(kBanner), std::end(kBanner));
  events.insert(events.end(), rest.begin(), rest.end());
  return events;
}

// Checks a report's shape and returns its message line.
std::string ReportedMessage(const std::string& event, const std::string& class_name) {
  std::smatch match;
  std::regex shape("err: Exception " + class_name +
                   " in module [^ /]+ at [0-9A-F]{8}\\.\n(.*)\n\n");
  if (!std::regex_match(event, match, shape)) return "unexpected report: " + event;
  return match[1];
}

TEST(RunPelorinTest, UsageScreenWithoutASourcePath) {
  RecordingConsole console;
  EXPECT_EQ(RunPelorin(std::nullopt, console), 0);
  EXPECT_EQ(console.events,
            WithBanner({"out: USAGE: pelorin.exe <filename>",
                        "out: Result file will be stored at the source directory with "
                        "filename \"tic.ici\"",
                        "out: Press ENTER to continue...", "wait"}));
}

TEST(RunPelorinTest, ConvertsThenWaits) {
  TempDir dir;
  WriteFileBytes(dir / "logo.tga", MakeTga(1, 1, "\x10\x20\x30\x40"));
  RecordingConsole console;
  EXPECT_EQ(RunPelorin(dir / "logo.tga", console), 0);
  EXPECT_EQ(console.events,
            WithBanner({"out: Processing file: " + dir / "logo.tga", "out: Finished!",
                        "out: Press ENTER to continue...", "wait"}));
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
  EXPECT_EQ(console.events[3], "out: Processing file: " + dir / "short.tga");
  EXPECT_EQ(ReportedMessage(console.events[4], "EInOutError"), "Read beyond end of file.");
  EXPECT_EQ(ReadFileBytes(dir / "tic.ici"), "older");
}

TEST(RunPelorinTest, ConsoleFailuresAreReportedLikeAnyOther) {
  struct Case {
    const char* name;
    void (*arrange)(RecordingConsole&);
    const char* message;
  } cases[] = {
      {"first line", [](RecordingConsole& c) { c.FailAtLine(0); }, "Disk full."},
      {"last line", [](RecordingConsole& c) { c.FailAtLine(5); }, "Disk full."},
      {"wait", [](RecordingConsole& c) { c.FailWait(); }, "File access denied."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingConsole console;
    c.arrange(console);
    EXPECT_EQ(RunPelorin(std::nullopt, console), 1);
    ASSERT_FALSE(console.events.empty());
    EXPECT_EQ(ReportedMessage(console.events.back(), "EInOutError"), c.message);
  }
}

}  // namespace
}  // namespace pelorin
