// The Windows side of InterruptCleanup: what the console handler does to
// the cleanups alive when it strikes, short of ending the process.
#include "platform/interrupt_cleanup.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/console_interruption.h"
#include "testing/file_bytes.h"
#include "testing/temp_dir.h"

namespace pelorin {
namespace {

using testing::PathExists;
using testing::TempDir;
using testing::WriteFileBytes;

class InterruptCleanupTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteFileBytes(file_, "half"); }

  TempDir dir_;
  std::string file_ = dir_ / ".tic.ici.1-0.tmp";
};

TEST_F(InterruptCleanupTest, InterruptionRemovesTheNamedFileAndRefusesLaterSteps) {
  InterruptCleanup cleanup(file_);
  EXPECT_EQ(InterruptAllCleanups(), 1);
  EXPECT_FALSE(PathExists(file_));
  bool ran = false;
  EXPECT_FALSE(cleanup.RunUninterrupted([&] { ran = true; }));
  EXPECT_FALSE(ran);
}

// A file the system removes by itself has no name to give: an interruption
// removes nothing, and still no step runs after it.
TEST_F(InterruptCleanupTest, InterruptionRefusesTheStepsOfANamelessFile) {
  InterruptCleanup cleanup("");
  EXPECT_EQ(InterruptAllCleanups(), 0);
  EXPECT_TRUE(PathExists(file_));
  bool ran = false;
  EXPECT_FALSE(cleanup.RunUninterrupted([&] { ran = true; }));
  EXPECT_FALSE(ran);
}

// Once a step has run, the name is the target's: an interruption must not
// take it away. Nor may it touch a file whose cleanup has ended.
TEST_F(InterruptCleanupTest, InterruptionLeavesAFileAfterItsStepOrItsCleanup) {
  {
    InterruptCleanup cleanup(file_);
    bool ran = false;
    EXPECT_TRUE(cleanup.RunUninterrupted([&] { ran = true; }));
    EXPECT_TRUE(ran);
    EXPECT_EQ(InterruptAllCleanups(), 0);
  }
  { InterruptCleanup ended(file_); }
  EXPECT_EQ(InterruptAllCleanups(), 0);
  EXPECT_TRUE(PathExists(file_));
}

TEST_F(InterruptCleanupTest, AnExceptionFromAStepPassesThroughAndFreesTheHandler) {
  InterruptCleanup cleanup(file_);
  EXPECT_THROW(cleanup.RunUninterrupted([] { throw std::runtime_error("step failed"); }),
               std::runtime_error);
  // The handler is not locked out, and the file is still the cleanup's.
  EXPECT_EQ(InterruptAllCleanups(), 1);
  EXPECT_FALSE(PathExists(file_));
}

// The console handler runs on a thread of its own and may strike while the
// program is inside a step (clearing the deletion mark, renaming): it must
// wait until the step is over, or the process would end between the two
// and leave the file behind, named and unmarked.
TEST_F(InterruptCleanupTest, AnInterruptionDuringAStepWaitsForItsEnd) {
  InterruptCleanup cleanup("");
  std::mutex order_lock;
  std::vector<std::string> order;
  auto note = [&](const char* what) {
    std::lock_guard<std::mutex> hold(order_lock);
    order.emplace_back(what);
  };
  std::promise<void> handler_started;
  std::thread handler;
  EXPECT_TRUE(cleanup.RunUninterrupted([&] {
    handler = std::thread([&] {
      handler_started.set_value();
      InterruptAllCleanups();
      note("interrupted");
    });
    handler_started.get_future().wait();
    // Time for an interruption that did not wait to show itself.
    Sleep(200);
    note("step done");
  }));
  handler.join();
  EXPECT_EQ(order, (std::vector<std::string>{"step done", "interrupted"}));
  EXPECT_FALSE(cleanup.RunUninterrupted([] {}));
}

}  // namespace
}  // namespace pelorin
