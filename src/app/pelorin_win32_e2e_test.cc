// pelorin.exe as a Windows user meets it: started with exact command lines
// through CreateProcessW (as Explorer and cmd.exe do), in a temporary
// directory, with its output, exit status and tic.ici checked byte for byte.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_path.h"
#include "testing/bytes.h"
#include "testing/case_name.h"
#include "testing/child_process.h"
#include "testing/console_texts.h"
#include "testing/failure_report_check.h"
#include "testing/file_bytes.h"
#include "testing/fill_in.h"
#include "testing/reference_ici.h"
#include "testing/temp_dir.h"
#include "testing/tga_fixture.h"
#include "testing/win32/api_path.h"
#include "testing/win32/launched_program.h"
#include "testing/win32/pelorin_exe.h"

namespace pelorin {
namespace {

using testing::ApiPath;
using testing::Bytes;
using testing::CaseName;
using testing::ConversionScreen;
using testing::FillIn;
using testing::IsProgramFailureReport;
using testing::JoinLines;
using testing::kFinished;
using testing::kPressEnter;
using testing::LaunchedProgram;
using testing::LaunchOptions;
using testing::MakeTga;
using testing::PathExists;
using testing::PelorinExePath;
using testing::ReadFileBytes;
using testing::RunCommandLine;
using testing::RunResult;
using testing::ScreenBeforeFailure;
using testing::TempDir;
using testing::WriteFileBytes;
using testing::WriteLargeSparseTga;

// Stored rows red green / blue white give blue white red green.
const std::string kSourceImage = MakeTga(2, 2,
                                         Bytes({0x00, 0x00, 0xFF, 0xFF, 0x00, 0xFF, 0x00, 0xFF,  //
                                                0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
const std::string kIciImage =
    Bytes({0x1F, 0x00, 0x1F, 0xFF, 0xFF, 0x1F, 0x00, 0xF8, 0x1F, 0xE0, 0x07, 0x1F});

// What standard output holds once the program has shown `lines`.
std::string Shown(const std::vector<std::string>& lines) { return JoinLines(lines, "\r\n"); }

void MakeDirectory(const std::string& path) {
  ASSERT_TRUE(CreateDirectoryW(ApiPath(path).c_str(), nullptr)) << path;
}

// The system's text for `code` as EFCreateError shows it, without the
// trailing full stop and line break.
std::string ReasonText(DWORD code) {
  std::string text = SystemErrorText(code);
  while (!text.empty() && std::string(" \t\r\n.").find(text.back()) != std::string::npos)
    text.pop_back();
  return text;
}

// Replaces {root} with the temporary directory and {drive} with its drive,
// e.g. "C:".
std::string Expand(const std::string& text, const std::string& root) {
  return FillIn(text, {{"{root}", root}, {"{drive}", root.substr(0, 2)}});
}

class PelorinExe : public ::testing::Test {
 protected:
  std::string In(const std::string& relative) const {
    return relative.empty() ? dir_.path() : dir_.path() + "\\" + relative;
  }
  RunResult Run(const std::string& command_line, const std::string& working = "",
                const std::string& input = "") {
    LaunchOptions options;
    options.working_directory = In(working);
    return RunCommandLine(PelorinExePath(), Expand(command_line, dir_.path()), input, options);
  }

  TempDir dir_;
};

// ---------------------------------------------------------------------------
// The usage screen

struct UsageCase {
  const char* name;
  const char* command_line;
};
void PrintTo(const UsageCase& c, std::ostream* os) { *os << c.name; }

const UsageCase kUsageCases[] = {
    {"NoArgument", "pelorin.exe"},
    {"TrailingBlanksAndTabs", "pelorin.exe  \t "},
    {"EmptyQuotes", "pelorin.exe \"\""},
    {"SeveralEmptyQuotes", "pelorin.exe \"\" \"\"\"\""},
    {"LoneQuote", "pelorin.exe \""},
    {"QuotedProgramName", "\"C:\\Program Files\\Pelorin\\pelorin.exe\""},
};

class UsageScreen : public PelorinExe, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(UsageScreen, ShowsUsageAndTouchesNoFile) {
  RunResult run = Run(GetParam().command_line);
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.out, Shown(testing::UsageScreen()));
  EXPECT_EQ(run.err, "");
  EXPECT_TRUE(dir_.Names().empty());
}

INSTANTIATE_TEST_SUITE_P(CommandLines, UsageScreen, ::testing::ValuesIn(kUsageCases), CaseName());

// ---------------------------------------------------------------------------
// Conversions: how the command line names the source, and where tic.ici goes

struct ConversionCase {
  const char* name;
  const char* directories;   // created first, ';'-separated, relative
  const char* source;        // the TGA file, relative to the temporary folder
  const char* working;       // the working directory, relative
  const char* command_line;  // {root} and {drive} are filled in
  const char* shown_path;    // what "Processing file: " must show
  const char* output;        // where tic.ici must appear, relative
};
void PrintTo(const ConversionCase& c, std::ostream* os) { *os << c.name; }

const ConversionCase kConversionCases[] = {
    {"PlainName", "", "x.tga", "", "pelorin.exe x.tga", "x.tga", "tic.ici"},
    {"QuotedBlanksGreekAndChinese", "my pics",
     "my pics\\\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac \u6f22\u5b57.tga", "",
     "pelorin.exe \"my pics\\\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac "
     "\u6f22\u5b57.tga\"",
     "my pics\\\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac \u6f22\u5b57.tga",
     "my pics\\tic.ici"},
    {"AccentedFolder", "caf\u00e9 \u00fcber", "caf\u00e9 \u00fcber\\logo.tga", "",
     "pelorin.exe \"caf\u00e9 \u00fcber\\logo.tga\"", "caf\u00e9 \u00fcber\\logo.tga",
     "caf\u00e9 \u00fcber\\tic.ici"},
    {"EmptyQuotesBeforeTheName", "", "x.tga", "", "pelorin.exe \"\" x.tga", "x.tga", "tic.ici"},
    {"QuotesInsideTheName", "", "my pic.tga", "", "pelorin.exe my\" \"pic.tga", "my pic.tga",
     "tic.ici"},
    {"TabsSeparate", "", "x.tga", "", "pelorin.exe\tx.tga\tother.tga", "x.tga", "tic.ici"},
    {"OnlyTheFirstArgument", "", "a.tga", "", "pelorin.exe a.tga b.tga c.tga", "a.tga", "tic.ici"},
    {"QuotedProgramName", "", "x.tga", "", "\"C:\\Program Files\\Pelorin\\pelorin.exe\" x.tga",
     "x.tga", "tic.ici"},
    {"ForwardSlashes", "sub;sub\\deeper", "sub\\deeper\\x.tga", "", "pelorin.exe sub/deeper/x.tga",
     "sub/deeper/x.tga", "sub\\deeper\\tic.ici"},
    {"MixedSlashes", "sub;sub\\deeper", "sub\\deeper\\x.tga", "", "pelorin.exe sub\\deeper/x.tga",
     "sub\\deeper/x.tga", "sub\\deeper\\tic.ici"},
    {"ParentFolder", "sub", "x.tga", "sub", "pelorin.exe ..\\x.tga", "..\\x.tga", "tic.ici"},
    {"DriveRelative", "sub", "sub\\x.tga", "sub", "pelorin.exe {drive}x.tga", "{drive}x.tga",
     "sub\\tic.ici"},
    {"Absolute", "sub", "sub\\x.tga", "", "pelorin.exe \"{root}\\sub\\x.tga\"",
     "{root}\\sub\\x.tga", "sub\\tic.ici"},
    {"BackslashBeforeQuote", "a b", "a b\\x.tga", "", "pelorin.exe \"a b\\\"x.tga", "a b\\x.tga",
     "a b\\tic.ici"},
};

class Conversion : public PelorinExe, public ::testing::WithParamInterface<ConversionCase> {};

TEST_P(Conversion, FindsTheSourceAndWritesTicIciBesideIt) {
  const ConversionCase& c = GetParam();
  std::string directories = c.directories;
  for (size_t start = 0; start < directories.size();) {
    size_t end = std::min(directories.find(';', start), directories.size());
    MakeDirectory(In(directories.substr(start, end - start)));
    start = end + 1;
  }
  WriteFileBytes(In(c.source), kSourceImage);

  RunResult run = Run(c.command_line, c.working);

  EXPECT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(run.out, Shown(ConversionScreen(Expand(c.shown_path, dir_.path()))));
  EXPECT_EQ(run.err, "");
  ASSERT_TRUE(PathExists(In(c.output)));
  EXPECT_EQ(ReadFileBytes(In(c.output)), kIciImage);
  EXPECT_EQ(ReadFileBytes(In(c.source)), kSourceImage);
}

INSTANTIATE_TEST_SUITE_P(CommandLines, Conversion, ::testing::ValuesIn(kConversionCases),
                         CaseName());

TEST_F(PelorinExe, ReplacesAnOlderTicIciAndLeavesNoOtherFile) {
  WriteFileBytes(In("x.tga"), kSourceImage);
  WriteFileBytes(In("tic.ici"), "older result, longer than the new one");
  RunResult run = Run("pelorin.exe x.tga");
  EXPECT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(ReadFileBytes(In("tic.ici")), kIciImage);
  EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"tic.ici", "x.tga"}));
}

TEST_F(PelorinExe, EmptyImageGivesAnEmptyTicIci) {
  WriteFileBytes(In("x.tga"), MakeTga(0, 7, ""));
  WriteFileBytes(In("tic.ici"), "older");
  RunResult run = Run("pelorin.exe x.tga");
  EXPECT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(ReadFileBytes(In("tic.ici")), "");
}

// TGA variants, as the program sees them on Windows: run-length encoded
// data written from the back of the file, and colour maps.
struct VariantFileCase {
  const char* name;
  std::string (*tga)();
  bool converts;
};
void PrintTo(const VariantFileCase& c, std::ostream* os) { *os << c.name; }

// Several bands of random pixels, so that bands are written at offsets.
std::string RunLengthTga() {
  testing::TgaFields fields = testing::VariantFields(10, 32, 700, 400);
  return testing::MakeTgaFile(
      fields, "", testing::RunLengthPackets(testing::RandomBytes(size_t{4} * 700 * 400, 3), 4));
}

std::string ColourMappedTga() {
  testing::TgaFields fields = testing::MappedFields(33, 17, 40, 16);
  fields.map_first = 3;
  std::string indices = testing::RandomBytes(size_t{33} * 17, 4);
  for (char& index : indices) index = static_cast<char>(3 + static_cast<uint8_t>(index) % 40);
  return testing::MakeTgaFile(fields, testing::RandomBytes(2 * 40, 5), indices);
}

const VariantFileCase kVariantFiles[] = {
    {"RunLength32", RunLengthTga, true},
    {"ColourMapped", ColourMappedTga, true},
    {"RunLengthCutShort", [] { return RunLengthTga().substr(0, 1000000); }, false},
};

class VariantFile : public PelorinExe, public ::testing::WithParamInterface<VariantFileCase> {};

TEST_P(VariantFile, ConvertsOrFailsLeavingNothingElse) {
  const std::string tga = GetParam().tga();
  WriteFileBytes(In("x.tga"), tga);
  WriteFileBytes(In("tic.ici"), "older");

  RunResult run = Run("pelorin.exe x.tga");

  if (GetParam().converts) {
    EXPECT_EQ(run.exit_status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::optional<std::string> expected = testing::ReferenceConversion(tga);
    ASSERT_TRUE(expected);
    EXPECT_TRUE(ReadFileBytes(In("tic.ici")) == *expected);
  } else {
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_TRUE(IsProgramFailureReport(run.err, "EInOutError", "Read beyond end of file"));
    EXPECT_EQ(ReadFileBytes(In("tic.ici")), "older");
  }
  EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"tic.ici", "x.tga"}));
}

INSTANTIATE_TEST_SUITE_P(Files, VariantFile, ::testing::ValuesIn(kVariantFiles), CaseName());

struct DeepPathCase {
  const char* name;
  bool absolute;  // the source's absolute path, quoted; else the relative one
};
void PrintTo(const DeepPathCase& c, std::ostream* os) { *os << c.name; }

const DeepPathCase kDeepPathCases[] = {{"Relative", false}, {"QuotedAbsolute", true}};

class FoldersBeyondMaxPath : public PelorinExe,
                             public ::testing::WithParamInterface<DeepPathCase> {};

TEST_P(FoldersBeyondMaxPath, Convert) {
  std::string relative;
  for (int depth = 0; depth < 6; ++depth) {
    relative += (depth ? "\\" : "") + std::string(50, static_cast<char>('a' + depth));
    MakeDirectory(In(relative));
  }
  std::string source = relative + "\\\u03b5\u03b9\u03ba\u03cc\u03bd\u03b1.tga";
  ASSERT_GT(In(source).size(), static_cast<size_t>(MAX_PATH));
  WriteFileBytes(In(source), kSourceImage);

  RunResult run =
      Run(GetParam().absolute ? "pelorin.exe \"" + In(source) + "\"" : "pelorin.exe " + source);

  EXPECT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(ReadFileBytes(In(relative + "\\tic.ici")), kIciImage);
}

INSTANTIATE_TEST_SUITE_P(CommandLines, FoldersBeyondMaxPath, ::testing::ValuesIn(kDeepPathCases),
                         CaseName());

TEST_F(PelorinExe, RedirectedOutputIsUtf8) {
  MakeDirectory(In("\u6f22\u5b57"));
  WriteFileBytes(In("\u6f22\u5b57\\\u03b1.tga"), kSourceImage);
  RunResult run = Run("pelorin.exe \u6f22\u5b57\\\u03b1.tga");
  EXPECT_EQ(run.out, Shown(ConversionScreen("\xE6\xBC\xA2\xE5\xAD\x97\\\xCE\xB1.tga")));
}

// ---------------------------------------------------------------------------
// Failures: the report, the status, and every file as it was

struct FailureCase {
  const char* name;
  // Prepares the temporary folder; may hold a file open during the run.
  void (*prepare)(const std::string& root, HANDLE& held_open);
  const char* command_line;
  const char* class_name;
  // Without its full stop; {root} is filled in, {denied} and {in use}
  // become the system's texts.
  const char* message;
};
void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

void WriteSource(const std::string& root) { WriteFileBytes(root + "\\x.tga", kSourceImage); }

void WriteOldResult(const std::string& root) { WriteFileBytes(root + "\\tic.ici", "old result"); }

HANDLE HoldOpen(const std::string& path, DWORD share) {
  return CreateFileW(ApiPath(path).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0,
                     nullptr);
}

const FailureCase kFailureCases[] = {
    {"MissingFile", [](const std::string& root, HANDLE&) { WriteOldResult(root); },
     "pelorin.exe x.tga", "EInOutError", "File not found"},
    {"MissingFolder", [](const std::string&, HANDLE&) {}, "pelorin.exe nowhere\\x.tga",
     "EInOutError", "Invalid filename"},
    {"FolderNamedAsSource",
     [](const std::string& root, HANDLE&) { MakeDirectory(root + "\\pics.tga"); },
     "pelorin.exe pics.tga", "EInOutError", "File access denied"},
    {"SourceLockedByAnotherProgram",
     [](const std::string& root, HANDLE& held) {
       WriteSource(root);
       WriteOldResult(root);
       held = HoldOpen(root + "\\x.tga", 0);
     },
     "pelorin.exe x.tga", "EInOutError", "I/O error 32"},
    {"ShortSource",
     [](const std::string& root, HANDLE&) {
       WriteFileBytes(root + "\\x.tga", kSourceImage.substr(0, kSourceImage.size() - 1));
       WriteOldResult(root);
     },
     "pelorin.exe x.tga", "EInOutError", "Read beyond end of file"},
    {"DeviceNamedAsSource", [](const std::string&, HANDLE&) {}, "pelorin.exe NUL", "EInOutError",
     "Read beyond end of file"},
    {"HeaderCutShort",
     [](const std::string& root, HANDLE&) {
       WriteFileBytes(root + "\\x.tga", kSourceImage.substr(0, 15));
       WriteOldResult(root);
     },
     "pelorin.exe x.tga", "EInOutError", "Read beyond end of file"},
    {"TicIciIsAFolder",
     [](const std::string& root, HANDLE&) {
       WriteSource(root);
       MakeDirectory(root + "\\tic.ici");
     },
     "pelorin.exe x.tga", "EFCreateError", "Cannot create file \"{root}\\tic.ici\". {denied}"},
    {"TicIciIsReadOnly",
     [](const std::string& root, HANDLE&) {
       WriteSource(root);
       WriteOldResult(root);
       SetFileAttributesW(WideFromUtf8(root + "\\tic.ici").c_str(), FILE_ATTRIBUTE_READONLY);
     },
     "pelorin.exe x.tga", "EFCreateError", "Cannot create file \"{root}\\tic.ici\". {denied}"},
    {"TicIciHeldOpenByAnotherProgram",
     [](const std::string& root, HANDLE& held) {
       WriteSource(root);
       WriteOldResult(root);
       held = HoldOpen(root + "\\tic.ici", FILE_SHARE_READ);
     },
     "pelorin.exe x.tga", "EFCreateError", "Cannot create file \"{root}\\tic.ici\". {in use}"},
    {"TicIciNamedByAForwardSlashPath",
     [](const std::string& root, HANDLE&) {
       MakeDirectory(root + "\\sub");
       WriteFileBytes(root + "\\sub\\x.tga", kSourceImage);
       MakeDirectory(root + "\\sub\\tic.ici");
     },
     "pelorin.exe sub/x.tga", "EFCreateError",
     "Cannot create file \"{root}\\sub\\tic.ici\". {denied}"},
};

class Failure : public PelorinExe, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(Failure, ReportsOnceAndLeavesEveryFileAsItWas) {
  const FailureCase& c = GetParam();
  HANDLE held_open = INVALID_HANDLE_VALUE;
  c.prepare(dir_.path(), held_open);
  std::vector<std::string> names_before = dir_.Names();
  std::string old_result;
  DWORD attributes = GetFileAttributesW(WideFromUtf8(In("tic.ici")).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    old_result = ReadFileBytes(In("tic.ici"));

  RunResult run = Run(c.command_line);
  if (held_open != INVALID_HANDLE_VALUE) CloseHandle(held_open);

  EXPECT_EQ(run.exit_status, 1);
  std::string shown = Expand(c.command_line, dir_.path()).substr(sizeof "pelorin.exe");
  EXPECT_EQ(run.out, Shown(ScreenBeforeFailure(shown)));
  std::string message =
      FillIn(Expand(c.message, dir_.path()), {{"{denied}", ReasonText(ERROR_ACCESS_DENIED)},
                                              {"{in use}", ReasonText(ERROR_SHARING_VIOLATION)}});
  EXPECT_TRUE(IsProgramFailureReport(run.err, c.class_name, message));
  EXPECT_EQ(dir_.Names(), names_before);
  if (!old_result.empty()) {
    EXPECT_EQ(ReadFileBytes(In("tic.ici")), old_result);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Failure, ::testing::ValuesIn(kFailureCases), CaseName());

TEST_F(PelorinExe, OutputComesBeforeTheReportOnOneStream) {
  LaunchOptions options;
  options.working_directory = dir_.path();
  options.merge_error_into_output = true;
  RunResult run = RunCommandLine(PelorinExePath(), "pelorin.exe x.tga", "", options);
  EXPECT_EQ(run.exit_status, 1);
  const std::string before = Shown(ScreenBeforeFailure("x.tga"));
  ASSERT_EQ(run.out.substr(0, before.size()), before) << run.out;
  EXPECT_TRUE(
      IsProgramFailureReport(run.out.substr(before.size()), "EInOutError", "File not found"));
}

// ---------------------------------------------------------------------------
// Interruption

// Delivers a console control event to `program` as the system does: a new
// thread in it that starts in CtrlRoutine and calls its handlers. This
// needs no console shared with the test, which a test run from a pipe (or
// under Wine) does not have.
bool SendControlEvent(const LaunchedProgram& program, DWORD event) {
  HMODULE kernelbase = GetModuleHandleW(L"kernelbase.dll");
  FARPROC routine = kernelbase ? GetProcAddress(kernelbase, "CtrlRoutine") : nullptr;
  if (routine == nullptr) return false;
  HANDLE thread =
      CreateRemoteThread(program.process(), nullptr, 0,
                         reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void*>(routine)),
                         reinterpret_cast<void*>(static_cast<uintptr_t>(event)), 0, nullptr);
  if (thread == nullptr) return false;
  CloseHandle(thread);
  return true;
}

struct InterruptionCase {
  const char* name;
  DWORD event;
};
void PrintTo(const InterruptionCase& c, std::ostream* os) { *os << c.name; }

const InterruptionCase kInterruptionCases[] = {
    {"CtrlBreak", CTRL_BREAK_EVENT},
    {"ConsoleClosed", CTRL_CLOSE_EVENT},
};

class Interruption : public PelorinExe, public ::testing::WithParamInterface<InterruptionCase> {};

TEST_P(Interruption, RemovesTheTemporaryFileAndKeepsTheOldResult) {
  WriteLargeSparseTga(In("big.tga"));
  WriteOldResult(dir_.path());
  LaunchOptions options;
  options.working_directory = dir_.path();
  LaunchedProgram pelorin(PelorinExePath(), "pelorin.exe big.tga", options);

  bool temporary_seen = false;
  for (int wait = 0; wait < 800 && !temporary_seen; ++wait) {
    for (const std::string& name : dir_.Names())
      temporary_seen |= name != "big.tga" && name != "tic.ici";
    if (!temporary_seen) Sleep(25);
  }
  ASSERT_TRUE(temporary_seen) << pelorin.OutputSoFar();
  if (!SendControlEvent(pelorin, GetParam().event))
    GTEST_SKIP() << "this system gives no way to send a console event";
  ASSERT_TRUE(pelorin.EndsWithin(30000)) << pelorin.OutputSoFar();
  RunResult run = pelorin.Finish();

  EXPECT_EQ(static_cast<DWORD>(run.exit_status), static_cast<DWORD>(STATUS_CONTROL_C_EXIT));
  EXPECT_EQ(run.out.find(kFinished), std::string::npos) << run.out;
  EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"big.tga", "tic.ici"}));
  EXPECT_EQ(ReadFileBytes(In("tic.ici")), "old result");
}

INSTANTIATE_TEST_SUITE_P(Events, Interruption, ::testing::ValuesIn(kInterruptionCases), CaseName());

// ---------------------------------------------------------------------------
// The wait for Enter

TEST_F(PelorinExe, WaitsOnAPipeUntilALineFeedArrives) {
  LaunchOptions options;
  options.working_directory = dir_.path();
  LaunchedProgram pelorin(PelorinExePath(), "pelorin.exe", options);
  EXPECT_FALSE(pelorin.EndsWithin(1500));
  EXPECT_NE(pelorin.OutputSoFar().find(kPressEnter + std::string("\r\n")), std::string::npos);
  pelorin.WriteInput("typed, then a carriage return\r");
  EXPECT_FALSE(pelorin.EndsWithin(300));
  pelorin.WriteInput("\n");
  EXPECT_TRUE(pelorin.EndsWithin(20000));
  EXPECT_EQ(pelorin.Finish().exit_status, 0);
}

struct InputCase {
  const char* name;
  const char* file_name;      // standard input comes from this file
  const char* file_contents;  // nullptr: a device, not a file to write
};
void PrintTo(const InputCase& c, std::ostream* os) { *os << c.name; }

const InputCase kInputCases[] = {
    {"FileWithALine", "enter.txt", "\r\nmore lines\r\n"},
    {"EmptyFile", "empty.txt", ""},
    {"FileWithoutLineBreak", "partial.txt", "no line break"},
    {"NulDevice", "NUL", nullptr},
};

class InputSource : public PelorinExe, public ::testing::WithParamInterface<InputCase> {};

TEST_P(InputSource, EndsTheWait) {
  LaunchOptions options;
  options.working_directory = dir_.path();
  options.input_file = GetParam().file_name;
  if (GetParam().file_contents) {
    options.input_file = In(GetParam().file_name);
    WriteFileBytes(options.input_file, GetParam().file_contents);
  }
  LaunchedProgram pelorin(PelorinExePath(), "pelorin.exe", options);
  EXPECT_TRUE(pelorin.EndsWithin(20000));
  RunResult run = pelorin.Finish();
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.err, "");
}

INSTANTIATE_TEST_SUITE_P(Inputs, InputSource, ::testing::ValuesIn(kInputCases), CaseName());

}  // namespace
}  // namespace pelorin
