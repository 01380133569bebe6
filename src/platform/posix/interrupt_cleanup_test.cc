// The POSIX interruption cleanup, in a child process that the signal ends
// (GoogleTest's death tests fork it): what the signal leaves behind is
// checked from here.
#include "platform/interrupt_cleanup.h"

#include <signal.h>
#include <stdio.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/case_name.h"
#include "testing/file_bytes.h"
#include "testing/temp_dir.h"

namespace pelorin {
namespace {

using testing::PathExists;
using testing::TempDir;
using testing::WriteFileBytes;

// The action `signal_number` has now.
void (*ActionOf(int signal_number))(int) {
  struct sigaction action;
  sigaction(signal_number, nullptr, &action);
  return action.sa_handler;
}

struct SignalCase {
  const char* name;
  int signal_number;
};
void PrintTo(const SignalCase& c, std::ostream* out) { *out << c.name; }

class InterruptCleanupSignalTest : public ::testing::TestWithParam<SignalCase> {
 protected:
  void SetUp() override { WriteFileBytes(temporary_, "unfinished"); }

  TempDir dir_;
  const std::string temporary_ = dir_ / ".tic.ici.1-0.tmp";
};

// Every signal whose default action ends the process, not only the ones a
// terminal sends.
TEST_P(InterruptCleanupSignalTest, RemovesTheFileThenEndsTheProcessByTheSignal) {
  const int signal_number = GetParam().signal_number;
  EXPECT_EXIT(
      {
        InterruptCleanup cleanup(temporary_);
        raise(signal_number);
        _exit(0);
      },
      ::testing::KilledBySignal(signal_number), "");
  EXPECT_FALSE(PathExists(temporary_));
}

// `nohup` and a shell's background jobs ignore some signals on purpose.
TEST_P(InterruptCleanupSignalTest, ASignalThatWasIgnoredStaysIgnored) {
  const int signal_number = GetParam().signal_number;
  EXPECT_EXIT(
      {
        signal(signal_number, SIG_IGN);
        InterruptCleanup cleanup(temporary_);
        raise(signal_number);
        _exit(ActionOf(signal_number) == SIG_IGN ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_TRUE(PathExists(temporary_));
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptCleanupSignalTest,
                         ::testing::Values(SignalCase{"Int", SIGINT}, SignalCase{"Term", SIGTERM},
                                           SignalCase{"Hup", SIGHUP}, SignalCase{"Usr1", SIGUSR1},
                                           SignalCase{"Alrm", SIGALRM}, SignalCase{"Xcpu", SIGXCPU},
                                           SignalCase{"Pwr", SIGPWR}, SignalCase{"Abrt", SIGABRT},
                                           SignalCase{"RealTimeFirst", SIGRTMIN},
                                           SignalCase{"RealTimeLast", SIGRTMAX}),
                         testing::CaseName());

// A signal that arrives during the step takes effect after it, and then
// finds nothing of its own to remove: the file was put in place.
TEST(InterruptCleanupTest, ASignalDuringTheStepWaitsForIt) {
  TempDir dir;
  const std::string temporary = dir / ".tic.ici.1-0.tmp";
  const std::string target = dir / "tic.ici";
  WriteFileBytes(temporary, "complete");
  EXPECT_EXIT(
      {
        InterruptCleanup cleanup(temporary);
        cleanup.RunUninterrupted([&] {
          raise(SIGTERM);
          if (rename(temporary.c_str(), target.c_str()) != 0) _exit(1);
        });
        _exit(0);
      },
      ::testing::KilledBySignal(SIGTERM), "");
  EXPECT_EQ(testing::ReadFileBytes(target), "complete");
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"tic.ici"});
}

// After the step the name is no longer the cleanup's: a file made under it
// again stays when the process is interrupted.
TEST(InterruptCleanupTest, TheStepEndsTheWatch) {
  TempDir dir;
  const std::string temporary = dir / ".tic.ici.1-0.tmp";
  WriteFileBytes(temporary, "first");
  EXPECT_EXIT(
      {
        InterruptCleanup cleanup(temporary);
        cleanup.RunUninterrupted([&] { unlink(temporary.c_str()); });
        WriteFileBytes(temporary, "someone else's");
        raise(SIGTERM);
        _exit(0);
      },
      ::testing::KilledBySignal(SIGTERM), "");
  EXPECT_TRUE(PathExists(temporary));
}

// A file without a name needs no handler, but its step is still never
// interrupted halfway.
TEST(InterruptCleanupTest, AFileWithoutANameStillHasAnUninterruptedStep) {
  TempDir dir;
  const std::string done = dir / "done";
  EXPECT_EXIT(
      {
        InterruptCleanup cleanup("");
        if (ActionOf(SIGTERM) != SIG_DFL) _exit(1);
        cleanup.RunUninterrupted([&] {
          raise(SIGTERM);
          WriteFileBytes(done, "");
        });
        _exit(0);
      },
      ::testing::KilledBySignal(SIGTERM), "");
  EXPECT_TRUE(PathExists(done));
}

// A file size limit fails the write, which is reported, instead of ending
// the process; everything is as before once the last cleanup goes.
TEST(InterruptCleanupTest, IgnoresTheFileSizeSignalAndTakesOverSignalsOnlyWhileItLives) {
  TempDir dir;
  ASSERT_EQ(ActionOf(SIGXFSZ), SIG_DFL);
  ASSERT_EQ(ActionOf(SIGUSR1), SIG_DFL);
  {
    InterruptCleanup unnamed("");
    EXPECT_EQ(ActionOf(SIGXFSZ), SIG_IGN);
    EXPECT_EQ(ActionOf(SIGUSR1), SIG_DFL);
    {
      InterruptCleanup named(dir / ".tic.ici.1-0.tmp");
      EXPECT_EQ(ActionOf(SIGXFSZ), SIG_IGN);
      EXPECT_NE(ActionOf(SIGUSR1), SIG_DFL);
    }
    EXPECT_EQ(ActionOf(SIGXFSZ), SIG_IGN);
    EXPECT_EQ(ActionOf(SIGUSR1), SIG_DFL);
  }
  EXPECT_EQ(ActionOf(SIGXFSZ), SIG_DFL);
  EXPECT_EQ(ActionOf(SIGUSR1), SIG_DFL);
}

}  // namespace
}  // namespace pelorin
