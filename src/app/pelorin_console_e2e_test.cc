// The console, met by the built program as a user meets it: a standard
// output that cannot be written, standard streams left non-blocking by
// whoever started the program, and a standard input opened the wrong way.

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "testing/blocked_call.h"
#include "testing/case_name.h"
#include "testing/child_process.h"
#include "testing/console_texts.h"
#include "testing/failure_report_check.h"
#include "testing/file_bytes.h"
#include "testing/reference_ici.h"
#include "testing/temp_dir.h"
#include "testing/tga_fixture.h"

namespace pelorin::testing {
namespace {

const char kSourceName[] = "in.tga";
const std::string kOlderResult = "an older tic.ici, which must keep these bytes";

// What a terminal or pipe shows of `lines`.
std::string Shown(const std::vector<std::string>& lines) { return JoinLines(lines, "\n"); }

// A run that failed with a `class_name` report of `message`.
void ExpectFailedRun(const RunResult& result, const std::string& class_name,
                     const std::string& message) {
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_TRUE(IsProgramFailureReport(result.err, class_name, message));
}

// Puts `fd` in non-blocking mode.
void MakeNonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

// In the child: `fd` becomes `path` opened with `flags`.
void Redirect(int fd, const char* path, int flags) {
  int opened = open(path, flags);
  if (opened < 0) _exit(123);
  dup2(opened, fd);
  close(opened);
}

// The program's command line: a conversion of the source, or none.
std::vector<std::string> Command(bool convert) {
  std::vector<std::string> argv = {PELORIN_EXECUTABLE};
  if (convert) argv.emplace_back(kSourceName);
  return argv;
}

class ConsoleE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFileBytes(dir_ / kSourceName, tga_);
    WriteFileBytes(dir_ / "tic.ici", kOlderResult);
  }

  RunOptions Options(const std::function<void()>& before_exec) const {
    RunOptions options;
    options.working_directory = dir_.path();
    options.input = "\n";
    options.before_exec = before_exec;
    return options;
  }

  // Starts a conversion, waits until it waits for its console, then lets
  // `release` end the wait and collect the run.
  RunResult RunReleasedOnceWaiting(const std::function<void()>& before_exec,
                                   const std::function<RunResult(ChildProcess&)>& release) {
    ChildProcess child(Command(true), Options(before_exec));
    const bool waited = WaitUntilPolling(child, std::chrono::seconds(10));
    RunResult result = release(child);
    EXPECT_TRUE(waited) << "ended instead of waiting: " << result.err;
    return result;
  }

  void ExpectNewResult() {
    EXPECT_TRUE(ReadFileBytes(dir_ / "tic.ici") == ReferenceIci(tga_));
    EXPECT_EQ(dir_.Names(), (std::vector<std::string>{kSourceName, "tic.ici"}));
  }

  TempDir dir_;
  const std::string tga_ = MakeRandomTga(5, 4, 2);
};

// Standard output is written only at the end when it is not a terminal; the
// lines must still go out before the new file takes tic.ici's place, so that
// a run that cannot show them fails with the older tic.ici untouched.
struct UnwritableOutput {
  const char* name;
  void (*redirect)();
  const char* message;
};
void PrintTo(const UnwritableOutput& c, std::ostream* out) { *out << c.name; }

class UnwritableOutputE2e : public ConsoleE2e,
                            public ::testing::WithParamInterface<UnwritableOutput> {};

TEST_P(UnwritableOutputE2e, FailsBeforeTicIciIsReplaced) {
  RunResult result = RunProgram(Command(true), Options(GetParam().redirect));

  ExpectFailedRun(result, "EInOutError", GetParam().message);
  EXPECT_EQ(ReadFileBytes(dir_ / "tic.ici"), kOlderResult);
  EXPECT_EQ(dir_.Names(), (std::vector<std::string>{kSourceName, "tic.ici"}));
}

const UnwritableOutput kUnwritableOutputs[] = {
    {"DevFull", [] { Redirect(STDOUT_FILENO, "/dev/full", O_WRONLY); }, "Disk full"},
    {"OpenForReadingOnly", [] { Redirect(STDOUT_FILENO, "/dev/null", O_RDONLY); }, "I/O error 9"},
    {"PipeWithoutReader",
     [] {
       int ends[2];
       if (pipe(ends) != 0) _exit(123);
       close(ends[0]);
       dup2(ends[1], STDOUT_FILENO);
       close(ends[1]);
     },
     "I/O error 32"},
};

INSTANTIATE_TEST_SUITE_P(Outputs, UnwritableOutputE2e, ::testing::ValuesIn(kUnwritableOutputs),
                         CaseName());

// A parent may leave a standard stream non-blocking. No input yet, or no
// room yet for output, is then not a failure: the program waits.
TEST_F(ConsoleE2e, WaitsForANonBlockingPipeToGiveItsLine) {
  RunResult result = RunReleasedOnceWaiting([] { MakeNonBlocking(STDIN_FILENO); },
                                            [](ChildProcess& child) { return child.Finish("\n"); });

  EXPECT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(result.out, Shown(ConversionScreen(kSourceName)));
  ExpectNewResult();
}

TEST_F(ConsoleE2e, WaitsForANonBlockingTerminalToGiveItsLine) {
  int terminal = posix_openpt(O_RDWR | O_NOCTTY);
  if (terminal < 0 || grantpt(terminal) != 0 || unlockpt(terminal) != 0)
    GTEST_SKIP() << "no pseudo-terminal";
  const std::string keyboard = ptsname(terminal);

  RunResult result = RunReleasedOnceWaiting(
      [&keyboard] {
        Redirect(STDIN_FILENO, keyboard.c_str(), O_RDONLY | O_NOCTTY);
        MakeNonBlocking(STDIN_FILENO);
      },
      [terminal](ChildProcess& child) {
        EXPECT_EQ(write(terminal, "\n", 1), 1);
        return child.Finish("");
      });
  close(terminal);

  EXPECT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(result.out, Shown(ConversionScreen(kSourceName)));
  ExpectNewResult();
}

// Standard output is a pipe already full when the program starts: its lines
// go out once the reader makes room.
TEST_F(ConsoleE2e, WaitsForRoomInANonBlockingPipe) {
  RunResult result = RunReleasedOnceWaiting(
      [] {
        MakeNonBlocking(STDOUT_FILENO);
        const std::string filler(4096, '#');
        while (write(STDOUT_FILENO, filler.data(), filler.size()) > 0) {
        }
      },
      [](ChildProcess& child) { return child.Finish("\n"); });

  EXPECT_EQ(result.exit_status, 0) << result.err;
  const size_t filled = result.out.find_first_not_of('#');
  ASSERT_NE(filled, std::string::npos) << "nothing after the filler";
  EXPECT_EQ(result.out.substr(filled), Shown(ConversionScreen(kSourceName)));
  ExpectNewResult();
}

// Standard input open for writing only (`0>/dev/null`) cannot be read: the
// wait fails. The conversion came before the wait, so its result stands. (A
// standard input closed altogether still counts as input at its end.)
TEST_F(ConsoleE2e, AStandardInputOpenForWritingOnlyFailsTheWait) {
  for (bool convert : {false, true}) {
    SCOPED_TRACE(convert ? "conversion" : "usage screen");
    RunResult result = RunProgram(Command(convert),
                                  Options([] { Redirect(STDIN_FILENO, "/dev/null", O_WRONLY); }));

    ExpectFailedRun(result, "EInOutError", "I/O error 9");
    EXPECT_EQ(result.out, Shown(convert ? ConversionScreen(kSourceName) : UsageScreen()));
  }
  ExpectNewResult();
}

}  // namespace
}  // namespace pelorin::testing
