// pelorin.exe when the run goes wrong around the conversion rather than in
// it: a standard output nobody can write, a run killed halfway, an older
// tic.ici with attributes of its own, a caller that never ends a line. The
// built program runs in a temporary folder, and the test checks its status,
// its report, the older tic.ici's bytes and the folder's listing.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/case_name.h"
#include "testing/child_process.h"
#include "testing/console_texts.h"
#include "testing/failure_report_check.h"
#include "testing/file_bytes.h"
#include "testing/reference_ici.h"
#include "testing/temp_dir.h"
#include "testing/tga_fixture.h"
#include "testing/win32/api_path.h"
#include "testing/win32/launched_program.h"
#include "testing/win32/pelorin_exe.h"

namespace pelorin {
namespace {

using testing::ApiPath;
using testing::CaseName;
using testing::IsProgramFailureReport;
using testing::kPressEnter;
using testing::LaunchedProgram;
using testing::LaunchOptions;
using testing::MakeRandomTga;
using testing::PelorinExePath;
using testing::ReadFileBytes;
using testing::ReferenceIci;
using testing::RunCommandLine;
using testing::RunResult;
using testing::TempDir;
using testing::WriteFileBytes;
using testing::WriteLargeSparseTga;

const std::string kSource = MakeRandomTga(5, 3, 7);
const char kOldResult[] = "older result, kept by every failure";

class PelorinExeReliability : public ::testing::Test {
 protected:
  std::string In(const std::string& name) const { return dir_.path() + "\\" + name; }
  LaunchOptions InFolder() const {
    LaunchOptions options;
    options.working_directory = dir_.path();
    return options;
  }

  TempDir dir_;
};

// ---------------------------------------------------------------------------
// A standard output that cannot be written: the run fails before tic.ici is
// replaced, not after.

// The error a write to a pipe gives once its reader has gone.
DWORD PipeWithoutReaderError() {
  HANDLE read_end = nullptr, write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, nullptr, 0)) return 0;
  CloseHandle(read_end);
  DWORD written = 0;
  DWORD error = WriteFile(write_end, "x", 1, &written, nullptr) ? 0 : GetLastError();
  CloseHandle(write_end);
  return error;
}

struct UnwritableOutputCase {
  const char* name;
  LaunchOptions::Output output;
  DWORD creation_flags;
};
void PrintTo(const UnwritableOutputCase& c, std::ostream* os) { *os << c.name; }

const UnwritableOutputCase kUnwritableOutputCases[] = {
    {"NoHandle", LaunchOptions::Output::kNullHandle, 0},
    {"InvalidHandle", LaunchOptions::Output::kInvalidHandle, 0},
    {"PipeWithoutReader", LaunchOptions::Output::kPipeWithoutReader, 0},
    // Started by a program that gives it no console and no output.
    {"DetachedWithoutOutput", LaunchOptions::Output::kNullHandle, DETACHED_PROCESS},
};

class UnwritableOutput : public PelorinExeReliability,
                         public ::testing::WithParamInterface<UnwritableOutputCase> {};

TEST_P(UnwritableOutput, FailsAndKeepsTheOlderTicIci) {
  WriteFileBytes(In("x.tga"), kSource);
  WriteFileBytes(In("tic.ici"), kOldResult);
  LaunchOptions options = InFolder();
  options.output = GetParam().output;
  options.creation_flags = GetParam().creation_flags;

  RunResult run = RunCommandLine(PelorinExePath(), "pelorin.exe x.tga", "", options);

  DWORD code = GetParam().output == LaunchOptions::Output::kPipeWithoutReader
                   ? PipeWithoutReaderError()
                   : ERROR_INVALID_HANDLE;
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_TRUE(IsProgramFailureReport(run.err, "EInOutError", "I/O error " + std::to_string(code)));
  EXPECT_EQ(ReadFileBytes(In("tic.ici")), kOldResult);
  EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"tic.ici", "x.tga"}));
}

INSTANTIATE_TEST_SUITE_P(Outputs, UnwritableOutput, ::testing::ValuesIn(kUnwritableOutputCases),
                         CaseName());

// ---------------------------------------------------------------------------
// A run killed halfway (Task Manager's End task, taskkill /f, a parent that
// gives up): TerminateProcess, which no handler sees.

TEST_F(PelorinExeReliability, KilledRunLeavesNoTemporaryFile) {
  WriteLargeSparseTga(In("big.tga"));
  WriteFileBytes(In("tic.ici"), kOldResult);
  LaunchedProgram pelorin(PelorinExePath(), "pelorin.exe big.tga", InFolder());

  bool temporary_seen = false;
  for (int wait = 0; wait < 800 && !temporary_seen; ++wait) {
    temporary_seen = dir_.Names().size() > 2;
    if (!temporary_seen) Sleep(25);
  }
  ASSERT_TRUE(temporary_seen) << pelorin.OutputSoFar();
  ASSERT_TRUE(TerminateProcess(pelorin.process(), 9));
  ASSERT_TRUE(pelorin.EndsWithin(30000));

  EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"big.tga", "tic.ici"}));
  EXPECT_EQ(ReadFileBytes(In("tic.ici")), kOldResult);
}

// ---------------------------------------------------------------------------
// An older tic.ici that its owner hid or marked as a system file stays so.

struct AttributesCase {
  const char* name;
  DWORD attributes;
};
void PrintTo(const AttributesCase& c, std::ostream* os) { *os << c.name; }

const AttributesCase kAttributesCases[] = {
    {"Plain", 0},
    {"Hidden", FILE_ATTRIBUTE_HIDDEN},
    {"System", FILE_ATTRIBUTE_SYSTEM},
    {"HiddenAndSystem", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
};

class OlderTicIciAttributes : public PelorinExeReliability,
                              public ::testing::WithParamInterface<AttributesCase> {};

TEST_P(OlderTicIciAttributes, AreKeptByTheNewOne) {
  const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  WriteFileBytes(In("x.tga"), kSource);
  WriteFileBytes(In("tic.ici"), kOldResult);
  ASSERT_TRUE(SetFileAttributesW(ApiPath(In("tic.ici")).c_str(), GetParam().attributes
                                                                     ? GetParam().attributes
                                                                     : FILE_ATTRIBUTE_NORMAL));
  ASSERT_EQ(GetFileAttributesW(ApiPath(In("tic.ici")).c_str()) & kept, GetParam().attributes);

  RunResult run = RunCommandLine(PelorinExePath(), "pelorin.exe x.tga", "", InFolder());

  EXPECT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(ReadFileBytes(In("tic.ici")), ReferenceIci(kSource));
  EXPECT_EQ(GetFileAttributesW(ApiPath(In("tic.ici")).c_str()) & kept, GetParam().attributes);
  EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"tic.ici", "x.tga"}));
}

INSTANTIATE_TEST_SUITE_P(Attributes, OlderTicIciAttributes, ::testing::ValuesIn(kAttributesCases),
                         CaseName());

// ---------------------------------------------------------------------------
// After a failure

// A caller that keeps the input open must not find the program waiting on
// it after a failure: only a console window of its own gets the wait.
TEST_F(PelorinExeReliability, FailureWithRedirectedStreamsEndsWithoutWaiting) {
  LaunchedProgram pelorin(PelorinExePath(), "pelorin.exe missing.tga", InFolder());
  ASSERT_TRUE(pelorin.EndsWithin(20000));
  RunResult run = pelorin.Finish();
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(run.out.find(kPressEnter), std::string::npos) << run.out;
  EXPECT_TRUE(IsProgramFailureReport(run.err, "EInOutError", "File not found"));
}

}  // namespace
}  // namespace pelorin
