// The POSIX replacement file where the built program cannot easily be made
// to fail: a target that turns into a directory while the file is written.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/byte_file.h"
#include "platform/failure.h"
#include "testing/file_bytes.h"
#include "testing/temp_dir.h"

namespace pelorin {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

TEST(ReplacementFileTest, ACommitThatCannotTakeTheTargetsPlaceLeavesNoName) {
  TempDir dir;
  std::unique_ptr<ReplacementFile> file = CreateReplacementFile(dir / "tic.ici");
  const uint8_t bytes[] = {1, 2, 3};
  file->WriteAt(0, bytes, sizeof bytes);
  ASSERT_EQ(mkdir((dir / "tic.ici").c_str(), 0755), 0);
  WriteFileBytes(dir / "tic.ici/inside", "keeps the directory from being replaced");

  try {
    file->Commit();
    ADD_FAILURE() << "replaced a directory";
  } catch (const EFCreateError& failure) {
    EXPECT_EQ(failure.message().find("Cannot create file \"" + dir / "tic.ici\". "), 0u)
        << failure.message();
  }
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"tic.ici"});
  file.reset();
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"tic.ici"});
}

TEST(ReplacementFileTest, AbandonedLeavesTheTargetAsItWas) {
  TempDir dir;
  WriteFileBytes(dir / "tic.ici", "older");
  {
    std::unique_ptr<ReplacementFile> file = CreateReplacementFile(dir / "tic.ici");
    const uint8_t bytes[] = {1, 2, 3};
    file->WriteAt(0, bytes, sizeof bytes);
  }
  EXPECT_EQ(ReadFileBytes(dir / "tic.ici"), "older");
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"tic.ici"});
}

}  // namespace
}  // namespace pelorin
