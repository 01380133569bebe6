// Replacing tic.ici, met by the built program as a user meets it: what a run
// that is killed leaves behind, whose the new tic.ici is and with which
// rights, and folders whose path comes close to PATH_MAX.
//
// Each test runs twice. "Unnamed": the program makes its output as a file
// without a name, as wherever the file system and /proc/self/fd allow.
// "Named": the program's own /proc/self/fd is hidden under an empty file
// system, in a mount namespace of its own, as in a chroot without /proc, so
// that it falls back to a temporary name beside tic.ici. (Hiding all of
// /proc would do the same to the program, but AddressSanitizer reads its
// options and threads there.) Without the right to mount, "Named" is skipped.

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <ostream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/temporary_name.h"
#include "testing/case_name.h"
#include "testing/child_process.h"
#include "testing/console_texts.h"
#include "testing/failure_report_check.h"
#include "testing/file_bytes.h"
#include "testing/output_watch.h"
#include "testing/reference_ici.h"
#include "testing/temp_dir.h"
#include "testing/tga_fixture.h"
#include "testing/unprivileged_user.h"

namespace pelorin::testing {
namespace {

const char kSourceName[] = "source.tga";
const std::string kOlderResult = "an older tic.ici, which must keep these bytes";

// What a child exits with when it cannot hide its /proc/self/fd.
constexpr int kCannotHide = 124;

struct Naming {
  const char* name;
  bool hide_descriptors;
};
void PrintTo(const Naming& naming, std::ostream* out) { *out << naming.name; }
const Naming kUnnamed = {"Unnamed", false};
const Naming kNamed = {"Named", true};

// In the child, before exec: an empty file system over its own
// /proc/<pid>/fd, seen only in a mount namespace of its own.
void HideOwnDescriptors() {
  const std::string descriptors = "/proc/" + std::to_string(getpid()) + "/fd";
  if (unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      mount("tmpfs", descriptors.c_str(), "tmpfs", MS_RDONLY, "size=4k") != 0)
    _exit(kCannotHide);
}

// Options for running the program in `directory` with `naming`, then
// `before_exec`. No signal that dumps core leaves a core file behind.
RunOptions OptionsFor(const Naming& naming, const std::string& directory,
                      const std::function<void()>& before_exec = {}) {
  RunOptions options;
  options.working_directory = directory;
  options.input = "\n";
  const bool hide = naming.hide_descriptors;
  options.before_exec = [hide, before_exec] {
    rlimit no_core = {0, 0};
    setrlimit(RLIMIT_CORE, &no_core);
    if (hide) HideOwnDescriptors();
    if (before_exec) before_exec();
  };
  return options;
}

// Skips the test when `naming` cannot be arranged here.
void SkipUnlessPossible(const Naming& naming) {
  if (!naming.hide_descriptors) return;
  RunResult probe = RunProgram({FindProgram("true")}, OptionsFor(naming, "/"));
  if (probe.exit_status == kCannotHide)
    GTEST_SKIP() << "cannot hide /proc/self/fd here: mounting needs privileges";
}

std::string RealPath(const std::string& path) {
  char* resolved = realpath(path.c_str(), nullptr);
  std::string result = resolved != nullptr ? resolved : path;
  free(resolved);
  return result;
}

// What standard output shows of a conversion of `shown_path`.
std::string ConversionOutput(const std::string& shown_path) {
  return JoinLines(ConversionScreen(shown_path), "\n");
}

void ExpectFailedRun(const RunResult& result, const std::string& class_name,
                     const std::string& message) {
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_TRUE(IsProgramFailureReport(result.err, class_name, message));
}

class ReplaceE2e : public ::testing::TestWithParam<Naming> {
 protected:
  void SetUp() override {
    SkipUnlessPossible(GetParam());
    WriteFileBytes(dir_ / "tic.ici", kOlderResult);
  }

  RunOptions Options(const std::function<void()>& before_exec = {}) const {
    return OptionsFor(GetParam(), dir_.path(), before_exec);
  }

  RunResult Run(const std::function<void()>& before_exec = {}) {
    return RunProgram({PELORIN_EXECUTABLE, kSourceName}, Options(before_exec));
  }

  void ExpectOlderResultAlone() {
    EXPECT_EQ(dir_.Names(), (std::vector<std::string>{kSourceName, "tic.ici"}));
    EXPECT_EQ(ReadFileBytes(dir_ / "tic.ici"), kOlderResult);
  }

  TempDir dir_;
};

INSTANTIATE_TEST_SUITE_P(Output, ReplaceE2e, ::testing::Values(kUnnamed, kNamed), CaseName());

TEST_P(ReplaceE2e, ReplacesTheOlderResultWithTheExactBytes) {
  const std::string tga = MakeRandomTga(300, 200, 5);
  WriteFileBytes(dir_ / kSourceName, tga);

  RunResult result = Run();

  EXPECT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(result.out, ConversionOutput(kSourceName));
  EXPECT_EQ(result.err, "");
  EXPECT_TRUE(ReadFileBytes(dir_ / "tic.ici") == ReferenceIci(tga));
  EXPECT_EQ(dir_.Names(), (std::vector<std::string>{kSourceName, "tic.ici"}));
}

// `ulimit -f`, with SIGXFSZ left to end the process: the write past the
// limit fails and is reported instead, and the unfinished file goes.
TEST_P(ReplaceE2e, AFileSizeLimitIsAReportedWriteError) {
  WriteFileBytes(dir_ / kSourceName, MakeRandomTga(256, 256, 7));

  RunResult result = Run([] {
    signal(SIGXFSZ, SIG_DFL);
    rlimit limit = {64 << 10, 64 << 10};
    setrlimit(RLIMIT_FSIZE, &limit);
  });

  EXPECT_EQ(result.signal, 0) << strsignal(result.signal);
  ExpectFailedRun(result, "EWriteError", "Stream write error");
  ExpectOlderResultAlone();
}

// `ulimit -t` sets both limits, and the hard one ends the process with
// SIGKILL, which no program can act on: only a file without a name is then
// gone with it. A soft limit alone sends SIGXCPU, which a named file is
// removed on.
TEST_P(ReplaceE2e, ACpuTimeLimitLeavesNothingBehind) {
  struct Case {
    const char* name;
    rlim_t hard_limit;
    int signal_number;
    bool named_too;
  };
  const Case cases[] = {
      {"ulimit -t 1", 1, SIGKILL, false},
      {"soft limit of 1 s", RLIM_INFINITY, SIGXCPU, true},
  };
  // Several seconds of work: a 4 GiB source, 3 GiB of output.
  WriteSparseTga(dir_ / kSourceName, 32768, 32768);
  for (const Case& c : cases) {
    if (GetParam().hide_descriptors && !c.named_too) continue;
    SCOPED_TRACE(c.name);
    const rlim_t hard_limit = c.hard_limit;

    RunResult result = Run([hard_limit] {
      rlimit limit = {1, hard_limit};
      setrlimit(RLIMIT_CPU, &limit);
    });

    EXPECT_EQ(result.signal, c.signal_number) << strsignal(result.signal);
    EXPECT_EQ(result.err, "");
    ExpectOlderResultAlone();
  }
}

// The new file takes the older one's permission bits, never its
// set-user-ID, set-group-ID or sticky bits; root replacing a user's file
// leaves it that user's.
TEST_P(ReplaceE2e, RootReplacingAUsersFileLeavesItThatUsersWithoutSpecialBits) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can make a file another user's";
  const std::string tga = MakeRandomTga(3, 2, 9);
  WriteFileBytes(dir_ / kSourceName, tga);
  for (mode_t mode : {04777, 02755, 06711, 01644, 0600, 0440}) {
    SCOPED_TRACE(std::to_string(mode));
    WriteFileBytes(dir_ / "tic.ici", kOlderResult);
    ASSERT_EQ(chown((dir_ / "tic.ici").c_str(), kNobody, kNogroup), 0);
    ASSERT_EQ(chmod((dir_ / "tic.ici").c_str(), mode), 0);

    RunResult result = Run();

    EXPECT_EQ(result.exit_status, 0) << result.err;
    struct stat status;
    ASSERT_EQ(stat((dir_ / "tic.ici").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, mode & 0777);
    EXPECT_EQ(status.st_uid, kNobody);
    EXPECT_EQ(status.st_gid, kNogroup);
    EXPECT_TRUE(ReadFileBytes(dir_ / "tic.ici") == ReferenceIci(tga));
  }
}

// A user who may write another's file in a folder open to all replaces it
// with a file of the user's own, which cannot be given away.
TEST_P(ReplaceE2e, AUserReplacingAnotherUsersFileOwnsTheNewOne) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run the program as user nobody";
  ProgramForNobody program(PELORIN_EXECUTABLE);
  ASSERT_EQ(chmod(dir_.path().c_str(), 0777), 0);
  const std::string tga = MakeRandomTga(3, 2, 9);
  WriteFileBytes(dir_ / kSourceName, tga);
  ASSERT_EQ(chmod((dir_ / kSourceName).c_str(), 0644), 0);
  ASSERT_EQ(chmod((dir_ / "tic.ici").c_str(), 04666), 0);  // root's

  RunResult result = RunProgram({program.path(), kSourceName}, Options(BecomeNobody));

  ASSERT_NE(result.exit_status, kCannotBecomeNobody);
  EXPECT_EQ(result.exit_status, 0) << result.err;
  struct stat status;
  ASSERT_EQ(stat((dir_ / "tic.ici").c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0666u);
  EXPECT_EQ(status.st_uid, kNobody);
  EXPECT_EQ(status.st_gid, kNogroup);
  EXPECT_TRUE(ReadFileBytes(dir_ / "tic.ici") == ReferenceIci(tga));
}

// Without an older tic.ici, the new one is made as any new file: 0666 less
// the umask, and the user's.
TEST_P(ReplaceE2e, ANewResultHasTheUsualRights) {
  const std::string tga = MakeRandomTga(3, 2, 9);
  WriteFileBytes(dir_ / kSourceName, tga);
  ASSERT_EQ(unlink((dir_ / "tic.ici").c_str()), 0);

  RunResult result = Run([] { umask(027); });

  EXPECT_EQ(result.exit_status, 0) << result.err;
  struct stat status;
  ASSERT_EQ(stat((dir_ / "tic.ici").c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0640u);
  EXPECT_EQ(status.st_uid, geteuid());
  EXPECT_TRUE(ReadFileBytes(dir_ / "tic.ici") == ReferenceIci(tga));
}

// A folder reached through a path so long that the temporary name would not
// fit after it, or not even "tic.ici" would; the source's own path still
// fits. Its contents are handled through /proc/self/fd/N/..., a short path.
class LongFolder {
 public:
  // Makes the folder `length` characters long under `base`.
  LongFolder(std::string base, size_t length) : path_(std::move(base)) {
    while (length - path_.size() > 202) Add(200);
    Add(length - path_.size() - 1);
    fd_ = open(path_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    via_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  // Empties the folder, whose files the temporary directory's removal could
  // not reach by their full paths.
  ~LongFolder() {
    for (const std::string& name : NamesIn(via_)) {
      if (unlinkat(fd_, name.c_str(), 0) != 0) unlinkat(fd_, name.c_str(), AT_REMOVEDIR);
    }
    close(fd_);
  }
  LongFolder(const LongFolder&) = delete;
  LongFolder& operator=(const LongFolder&) = delete;

  const std::string& path() const { return path_; }
  // `name` in the folder, by a short path.
  std::string operator/(const std::string& name) const { return via_ + "/" + name; }
  std::vector<std::string> Names() const { return NamesIn(via_); }

 private:
  void Add(size_t characters) {
    path_ += "/" + std::string(characters, 'd');
    mkdir(path_.c_str(), 0755);
  }

  std::string path_;
  int fd_ = -1;
  std::string via_;
};

TEST_P(ReplaceE2e, WorksInAFolderWhosePathComesCloseToPathMax) {
  const std::string source_name = "a.tga";
  const size_t lengths[] = {
      PATH_MAX - 1 - std::string("/tic.ici").size(),  // "tic.ici" just fits
      PATH_MAX - 1 - std::string("/a.tga").size(),    // only the source fits
  };
  const std::string tga = MakeRandomTga(7, 5, 3);
  for (size_t length : lengths) {
    SCOPED_TRACE(length);
    TempDir base;
    LongFolder folder(RealPath(base.path()), length);
    ASSERT_EQ(folder.path().size(), length);
    const std::string source = folder.path() + "/" + source_name;
    WriteFileBytes(folder / source_name, tga);
    WriteFileBytes(folder / "tic.ici", kOlderResult);

    RunResult result = RunProgram({PELORIN_EXECUTABLE, source}, Options());

    EXPECT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(result.out, ConversionOutput(source));
    EXPECT_TRUE(ReadFileBytes(folder / "tic.ici") == ReferenceIci(tga));
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{source_name, "tic.ici"}));

    // A failure there still names tic.ici by its absolute path.
    ASSERT_EQ(unlink((folder / "tic.ici").c_str()), 0);
    ASSERT_EQ(mkdir((folder / "tic.ici").c_str(), 0755), 0);
    result = RunProgram({PELORIN_EXECUTABLE, source}, Options());
    ExpectFailedRun(result, "EFCreateError",
                    "Cannot create file \"" + folder.path() + "/tic.ici\". Is a directory");
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{source_name, "tic.ici"}));
  }
}

// A named temporary file in such a folder is still removed when the run is
// interrupted.
TEST(ReplaceNamedE2e, AnInterruptedRunInAFolderWhosePathComesCloseToPathMaxLeavesNothing) {
  SkipUnlessPossible(kNamed);
  if (::testing::Test::IsSkipped()) return;
  TempDir base;
  LongFolder folder(RealPath(base.path()), PATH_MAX - 1 - std::string("/a.tga").size());
  WriteSparseTga(folder / "a.tga", 16384, 16384);
  WriteFileBytes(folder / "tic.ici", kOlderResult);
  ChildProcess child({PELORIN_EXECUTABLE, folder.path() + "/a.tga"},
                     OptionsFor(kNamed, base.path()));

  const std::string temporary = TemporaryFileName("tic.ici", child.pid(), 0);
  ASSERT_TRUE(WaitForPath(child, folder / temporary)) << "no " << temporary << " while it ran";
  ASSERT_EQ(kill(child.pid(), SIGTERM), 0);
  RunResult result = child.Finish("");

  EXPECT_EQ(result.signal, SIGTERM) << strsignal(result.signal);
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"a.tga", "tic.ici"}));
  EXPECT_EQ(ReadFileBytes(folder / "tic.ici"), kOlderResult);
}

// A run killed while it writes leaves the older tic.ici and nothing else, by
// any signal that ends a process: a file without a name goes with the
// process, a named one is removed by the program before it dies. SIGKILL
// cannot be acted on, so only the unnamed file survives it.
struct SignalCase {
  const char* name;
  int signal_number;
};
void PrintTo(const SignalCase& c, std::ostream* out) { *out << c.name; }

class KilledRunE2e : public ::testing::TestWithParam<std::tuple<Naming, SignalCase>> {
 protected:
  void SetUp() override { SkipUnlessPossible(std::get<0>(GetParam())); }

  TempDir dir_;
};

TEST_P(KilledRunE2e, LeavesTheOlderResultAndNothingElse) {
  const auto& [naming, signal_case] = GetParam();
  WriteSparseTga(dir_ / kSourceName, 16384, 16384);
  WriteFileBytes(dir_ / "tic.ici", kOlderResult);
  ChildProcess child({PELORIN_EXECUTABLE, kSourceName}, OptionsFor(naming, dir_.path()));

  // The output is what this naming makes: a temporary name beside tic.ici,
  // or no name at all. (The named one is looked for in the folder: a look
  // into the program's /proc/<pid>/fd from here, early on, can undo the
  // mount that hides it from the program.)
  if (naming.hide_descriptors) {
    const std::string temporary = TemporaryFileName("tic.ici", child.pid(), 0);
    ASSERT_TRUE(WaitForPath(child, dir_ / temporary)) << "no " << temporary << " while it ran";
  } else {
    const std::string output = WaitForFileOpenedIn(child, dir_.path(), {kSourceName, "tic.ici"});
    ASSERT_NE(output, "") << "the program ended before it opened its output";
    EXPECT_EQ(output.substr(output.size() - 10), " (deleted)") << output;
    EXPECT_EQ(dir_.Names(), (std::vector<std::string>{kSourceName, "tic.ici"}));
  }
  ASSERT_EQ(kill(child.pid(), signal_case.signal_number), 0);
  RunResult result = child.Finish("");

  EXPECT_EQ(result.signal, signal_case.signal_number) << strsignal(result.signal);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(dir_.Names(), (std::vector<std::string>{kSourceName, "tic.ici"}));
  EXPECT_EQ(ReadFileBytes(dir_ / "tic.ici"), kOlderResult);
}

const SignalCase kCatchableSignals[] = {
    {"Int", SIGINT},
    {"Term", SIGTERM},
    {"Hup", SIGHUP},
    {"Quit", SIGQUIT},
    {"Usr1", SIGUSR1},
    {"Usr2", SIGUSR2},
    {"Alrm", SIGALRM},
    {"Xcpu", SIGXCPU},
    {"Vtalrm", SIGVTALRM},
    {"Prof", SIGPROF},
    {"Pwr", SIGPWR},
    {"Io", SIGIO},
    {"Abrt", SIGABRT},
    {"Sys", SIGSYS},
    {"RealTimeFirst", SIGRTMIN},
    {"RealTimeLast", SIGRTMAX},
};

INSTANTIATE_TEST_SUITE_P(Signals, KilledRunE2e,
                         ::testing::Combine(::testing::Values(kUnnamed, kNamed),
                                            ::testing::ValuesIn(kCatchableSignals)),
                         CaseName());
INSTANTIATE_TEST_SUITE_P(Kill, KilledRunE2e,
                         ::testing::Combine(::testing::Values(kUnnamed),
                                            ::testing::Values(SignalCase{"Kill", SIGKILL})),
                         CaseName());

}  // namespace
}  // namespace pelorin::testing
