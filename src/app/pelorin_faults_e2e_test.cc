// Faults of the disk, the console and the process, met by the built program
// as a user meets them. Whatever happens, a failed run reports on standard
// error with status 1, the older tic.ici keeps its bytes and no temporary
// file stays behind.

#include <errno.h>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "image/tga_format.h"
#include "testing/bytes.h"
#include "testing/case_name.h"
#include "testing/child_process.h"
#include "testing/console_texts.h"
#include "testing/failure_report_check.h"
#include "testing/file_bytes.h"
#include "testing/output_watch.h"
#include "testing/sanitizers.h"
#include "testing/temp_dir.h"
#include "testing/tga_fixture.h"

namespace pelorin::testing {
namespace {

const std::string kOldResult = "an older tic.ici, which must keep these bytes";
const char kSourceName[] = "source.tga";

// Stored rows: row 0 = opaque red, opaque green; row 1 = opaque blue, white.
std::string TwoByTwoTga() {
  return MakeTga(2, 2,
                 Bytes({0x00, 0x00, 0xFF, 0xFF, 0x00, 0xFF, 0x00, 0xFF,  //
                        0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

// A run that failed: status 1, the report of `class_name` with `message`,
// and no word of success.
void ExpectFailedRun(const RunResult& result, const std::string& class_name,
                     const std::string& message) {
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_TRUE(IsProgramFailureReport(result.err, class_name, message));
  EXPECT_EQ(result.out.find(kFinished), std::string::npos) << result.out;
}

class FaultsE2e : public ::testing::Test {
 protected:
  void SetUp() override { WriteFileBytes(dir_ / "tic.ici", kOldResult); }

  RunResult Run(const std::function<void()>& before_exec) {
    RunOptions options;
    options.working_directory = dir_.path();
    options.before_exec = before_exec;
    return RunProgram({PELORIN_EXECUTABLE, kSourceName}, options);
  }

  ChildProcess Start(const std::function<void()>& before_exec = {}) {
    RunOptions options;
    options.working_directory = dir_.path();
    options.before_exec = before_exec;
    return ChildProcess({PELORIN_EXECUTABLE, kSourceName}, options);
  }

  void ExpectOldResultAlone() {
    EXPECT_EQ(NamesIn(dir_.path()), (std::vector<std::string>{kSourceName, "tic.ici"}));
    EXPECT_EQ(ReadFileBytes(dir_ / "tic.ici"), kOldResult);
  }

  TempDir dir_;
};

// A conversion cut short by a signal leaves no temporary file and the older
// tic.ici as it was; the program dies by that very signal, so that a shell
// or a script sees why it ended.
class InterruptionE2e : public FaultsE2e, public ::testing::WithParamInterface<int> {};

TEST_P(InterruptionE2e, LeavesNoTemporaryFileAndDiesByTheSignal) {
  const int signal_number = GetParam();
  WriteSparseTga(dir_ / kSourceName, 16384, 16384);
  ChildProcess child = Start();

  const std::string output = WaitForFileOpenedIn(child, dir_.path(), {kSourceName, "tic.ici"});
  ASSERT_NE(output, "") << "the program ended before it created its output";
  ASSERT_EQ(kill(child.pid(), signal_number), 0);
  RunResult result = child.Finish("");

  EXPECT_EQ(result.exit_status, -1);
  EXPECT_EQ(result.signal, signal_number) << strsignal(result.signal);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out.find(kFinished), std::string::npos) << result.out;
  ExpectOldResultAlone();
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptionE2e,
                         ::testing::Values(SIGINT, SIGTERM, SIGHUP, SIGQUIT),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(sigabbrev_np(info.param));
                         });

// `nohup pelorin ...` ignores SIGHUP; the program must not turn it back on.
TEST_F(FaultsE2e, SignalIgnoredByTheParentStaysIgnored) {
  WriteSparseTga(dir_ / kSourceName, 4096, 4096);
  ChildProcess child = Start([] { signal(SIGHUP, SIG_IGN); });

  ASSERT_NE(WaitForFileOpenedIn(child, dir_.path(), {kSourceName, "tic.ici"}), "");
  kill(child.pid(), SIGHUP);
  RunResult result = child.Finish("");

  EXPECT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(ReadFileBytes(dir_ / "tic.ici"), std::string(size_t{3} * 4096 * 4096, '\0'));
  EXPECT_EQ(NamesIn(dir_.path()), (std::vector<std::string>{kSourceName, "tic.ici"}));
}

// The size is checked before the output is created; a source that shrinks
// after that, while it is being read, must still fail as a short one. The
// program is stopped the moment it has its output file open, the source is
// cut down to its header, and the program goes on.
TEST_F(FaultsE2e, SourceTruncatedAfterTheSizeCheckFailsAsShort) {
  WriteSparseTga(dir_ / kSourceName, 16384, 16384);
  ChildProcess child = Start();

  ASSERT_NE(WaitForFileOpenedIn(child, dir_.path(), {kSourceName, "tic.ici"}), "")
      << "the program ended before it created its output";
  ASSERT_EQ(kill(child.pid(), SIGSTOP), 0);
  siginfo_t stopped = {};
  ASSERT_EQ(waitid(P_PID, static_cast<id_t>(child.pid()), &stopped, WSTOPPED), 0);
  ASSERT_EQ(truncate((dir_ / kSourceName).c_str(), kTgaHeaderSize), 0);
  ASSERT_EQ(kill(child.pid(), SIGCONT), 0);
  RunResult result = child.Finish("");

  ExpectFailedRun(result, "EInOutError", "Read beyond end of file");
  ExpectOldResultAlone();
}

// A header promising 65535 x 65535 pixels (16 GiB) over a 20-byte file fails
// before anything is allocated for them: the program runs in an address
// space far too small for even one 1/1000 of that image.
TEST_F(FaultsE2e, GiantHeaderOnATinyFileFailsWithoutAllocating) {
#ifdef PELORIN_UNDER_ADDRESS_SANITIZER
  GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit allows";
#endif
  WriteFileBytes(dir_ / kSourceName, MakeTga(65535, 65535, "\x01\x02"));
  RunResult result = Run([] {
    const rlim_t kLimit = rlim_t{64} << 20;
    rlimit limit = {kLimit, kLimit};
    setrlimit(RLIMIT_AS, &limit);
  });
  ExpectFailedRun(result, "EInOutError", "Read beyond end of file");
  ExpectOldResultAlone();
}

// A closed stdout fails at the first line, before any file is touched; its
// descriptor is not lent to a file the program opens. With stderr closed
// too, the report has nowhere to go, but the status still tells.
struct ClosedStreamsCase {
  const char* name;
  std::vector<int> closed;
};
void PrintTo(const ClosedStreamsCase& c, std::ostream* os) { *os << c.name; }

const ClosedStreamsCase kClosedStreams[] = {
    {"StdoutClosed", {STDOUT_FILENO}},
    {"StdoutAndStderrClosed", {STDOUT_FILENO, STDERR_FILENO}},
};

class ClosedStandardOutputE2e : public FaultsE2e,
                                public ::testing::WithParamInterface<ClosedStreamsCase> {};

TEST_P(ClosedStandardOutputE2e, FailsBeforeAnyFileIsTouched) {
  WriteFileBytes(dir_ / kSourceName, TwoByTwoTga());
  const std::vector<int> closed = GetParam().closed;
  RunResult result = Run([closed] {
    for (int fd : closed) close(fd);
  });
  if (std::find(closed.begin(), closed.end(), STDERR_FILENO) == closed.end()) {
    ExpectFailedRun(result, "EInOutError", "I/O error 9");
  } else {
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.err, "");
  }
  EXPECT_EQ(result.out, "");
  ExpectOldResultAlone();
}

INSTANTIATE_TEST_SUITE_P(Streams, ClosedStandardOutputE2e, ::testing::ValuesIn(kClosedStreams),
                         CaseName());

// A small file system of its own, filled up so that the output runs out of
// room after its first page. Mounting needs privileges; without them the
// test is skipped. The mount lives in a private mount namespace, so nothing
// outside this test process ever sees it, even if the test dies.
class FullFileSystemE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    mount_point_ = dir_ / "small";
    ASSERT_EQ(mkdir(mount_point_.c_str(), 0755), 0);
    if (unshare(CLONE_NEWNS) != 0 ||
        mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", mount_point_.c_str(), "tmpfs", 0, "size=64k,mode=0755") != 0) {
      GTEST_SKIP() << "cannot mount a small file system here: " << strerror(errno);
    }
    mounted_ = true;
  }
  void TearDown() override {
    if (mounted_) umount2(mount_point_.c_str(), MNT_DETACH);
  }

  // Writes a file that takes all the space left but `spare_bytes`.
  static void FillUpLeaving(const std::string& path, size_t spare_bytes) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    std::string page(4096, 'f');
    size_t written = 0;
    for (;;) {
      ssize_t put = write(fd, page.data(), page.size());
      if (put <= 0) break;
      written += static_cast<size_t>(put);
    }
    ASSERT_EQ(errno, ENOSPC);
    ASSERT_GE(written, spare_bytes);
    ASSERT_EQ(ftruncate(fd, static_cast<off_t>(written - spare_bytes)), 0);
    close(fd);
  }

  TempDir dir_;
  std::string mount_point_;
  bool mounted_ = false;
};

TEST_F(FullFileSystemE2e, WriteThatRunsOutOfRoomMidwayLeavesTheOldResult) {
  const std::string source = mount_point_ + "/" + kSourceName;
  WriteFileBytes(source, MakeRandomTga(128, 32, 3));  // 12 KiB of ICI bytes
  WriteFileBytes(mount_point_ + "/tic.ici", kOldResult);
  FillUpLeaving(mount_point_ + "/filler", 4096);

  RunOptions options;
  options.working_directory = mount_point_;
  RunResult result = RunProgram({PELORIN_EXECUTABLE, kSourceName}, options);

  ExpectFailedRun(result, "EWriteError", "Stream write error");
  EXPECT_EQ(NamesIn(mount_point_), (std::vector<std::string>{"filler", kSourceName, "tic.ici"}));
  EXPECT_EQ(ReadFileBytes(mount_point_ + "/tic.ici"), kOldResult);
}

}  // namespace
}  // namespace pelorin::testing
