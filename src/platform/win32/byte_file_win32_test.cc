// The Win32 byte files where the program alone cannot reach them: reads
// past 4 GiB, names left behind, and a replacement abandoned or cut short
// by an interruption.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/byte_file.h"
#include "platform/failure.h"
#include "platform/temporary_name.h"
#include "platform/win32/console_interruption.h"
#include "platform/win32/wide_text.h"
#include "testing/file_bytes.h"
#include "testing/temp_dir.h"

namespace pelorin {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

TEST(Win32ByteSource, ReadsAtOffsetsBeyondFourGibibytes) {
  TempDir dir;
  std::string path = dir / "large.bin";
  const uint64_t far_offset = (5ull << 30) + 3;
  HANDLE file =
      CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(far_offset);
  SetFilePointerEx(file, at, nullptr, FILE_BEGIN);
  DWORD written = 0;
  WriteFile(file, "abcd", 4, &written, nullptr);
  CloseHandle(file);

  std::unique_ptr<ByteSource> source = OpenByteSource(path);
  EXPECT_EQ(source->Size(), far_offset + 4);
  uint8_t bytes[8] = {};
  // A read that runs over the end gives what is there, and no failure.
  ASSERT_EQ(source->ReadAt(far_offset + 1, bytes, 8), 3u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 3), "bcd");
  EXPECT_EQ(source->ReadAt(far_offset + 4, bytes, 8), 0u);
  EXPECT_EQ(source->ReadAt(far_offset - 2, bytes, 3), 3u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 3), std::string("\0\0a", 3));
}

TEST(Win32ByteSource, DeviceHasNoSize) { EXPECT_EQ(OpenByteSource("NUL")->Size(), 0u); }

class Win32ReplacementFileTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteFileBytes(target_, "old"); }

  TempDir dir_;
  std::string target_ = dir_ / "tic.ici";
};

TEST_F(Win32ReplacementFileTest, CommitReplacesTheTarget) {
  auto file = CreateReplacementFile(target_);
  file->WriteAt(0, reinterpret_cast<const uint8_t*>("new"), 3);
  EXPECT_EQ(ReadFileBytes(target_), "old");
  file->Commit();
  EXPECT_EQ(ReadFileBytes(target_), "new");
  file.reset();
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"tic.ici"});
}

TEST_F(Win32ReplacementFileTest, AbandonedReplacementLeavesNothingBehind) {
  {
    auto file = CreateReplacementFile(target_);
    file->WriteAt(0, reinterpret_cast<const uint8_t*>("new"), 3);
    EXPECT_EQ(dir_.Names().size(), 2u);
  }
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"tic.ici"});
  EXPECT_EQ(ReadFileBytes(target_), "old");
}

// A power cut, or a run of an older Pelorin that was killed, may have left
// a temporary file behind under this run's name: the next name is used.
TEST_F(Win32ReplacementFileTest, PassesOverNamesLeftBehind) {
  std::string left = TemporaryFileName("tic.ici", GetCurrentProcessId(), 0);
  WriteFileBytes(dir_ / left, "left behind");
  auto file = CreateReplacementFile(target_);
  file->WriteAt(0, reinterpret_cast<const uint8_t*>("new"), 3);
  file->Commit();
  file.reset();
  EXPECT_EQ(ReadFileBytes(target_), "new");
  EXPECT_EQ(ReadFileBytes(dir_ / left), "left behind");
  EXPECT_EQ(dir_.Names().size(), 2u);
}

TEST_F(Win32ReplacementFileTest, GivesUpWhenEveryNameIsTaken) {
  for (unsigned attempt = 0; attempt < kTemporaryNameAttempts; ++attempt)
    WriteFileBytes(dir_ / TemporaryFileName("tic.ici", GetCurrentProcessId(), attempt), "");
  EXPECT_THROW(CreateReplacementFile(target_), EFCreateError);
  EXPECT_EQ(dir_.Names().size(), kTemporaryNameAttempts + 1);
  EXPECT_EQ(ReadFileBytes(target_), "old");
}

// The console handler may strike just before the rename: the rename must
// then not happen, or it would move a half-written file over the old one.
// The file has no name for the handler to remove: the system removes it.
TEST_F(Win32ReplacementFileTest, InterruptionBeforeCommitWins) {
  auto file = CreateReplacementFile(target_);
  file->WriteAt(0, reinterpret_cast<const uint8_t*>("half"), 4);
  EXPECT_EQ(InterruptAllCleanups(), 0);
  EXPECT_THROW(file->Commit(), EFCreateError);
  file.reset();
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"tic.ici"});
  EXPECT_EQ(ReadFileBytes(target_), "old");
}

// After the rename the file is the user's result, which an interruption
// must not take away.
TEST_F(Win32ReplacementFileTest, InterruptionAfterCommitKeepsTheResult) {
  auto file = CreateReplacementFile(target_);
  file->WriteAt(0, reinterpret_cast<const uint8_t*>("new"), 3);
  file->Commit();
  EXPECT_EQ(InterruptAllCleanups(), 0);
  file.reset();
  EXPECT_EQ(ReadFileBytes(target_), "new");
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"tic.ici"});
}

}  // namespace
}  // namespace pelorin
