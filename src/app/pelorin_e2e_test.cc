// The built program, run the way a user meets it: real files in a temporary
// directory, and what it leaves on stdout, stderr, in its exit status and in
// tic.ici.
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "testing/blocked_call.h"
#include "testing/bytes.h"
#include "testing/case_name.h"
#include "testing/child_process.h"
#include "testing/console_texts.h"
#include "testing/failure_report_check.h"
#include "testing/file_bytes.h"
#include "testing/fill_in.h"
#include "testing/held_terminal.h"
#include "testing/reference_ici.h"
#include "testing/temp_dir.h"
#include "testing/tga_fixture.h"
#include "testing/unprivileged_user.h"
#include "testing/worked_values.h"

namespace pelorin::testing {
namespace {

// What standard output holds once the program has shown `lines`.
std::string Shown(const std::vector<std::string>& lines) { return JoinLines(lines, "\n"); }

std::string RealPath(const std::string& path) {
  char* resolved = realpath(path.c_str(), nullptr);
  std::string result = resolved ? resolved : path;
  free(resolved);
  return result;
}

// Runs the built program in a fresh directory. The directory is named by its
// real path, so that the absolute paths the program prints can be predicted.
class PelorinE2eTest : public ::testing::Test {
 protected:
  PelorinE2eTest() : root_(RealPath(dir_.path())) {}

  std::string Path(const std::string& relative) const { return root_ + "/" + relative; }
  // `text` with "{root}" filled in by the test directory.
  std::string WithRoot(const std::string& text) const { return FillIn(text, {{"{root}", root_}}); }

  // Runs in the test directory with one line of input, so that the final
  // wait ends as when a user presses Enter.
  RunOptions Options() const {
    RunOptions options;
    options.working_directory = root_;
    options.input = "\n";
    return options;
  }

  RunResult Pelorin(const std::vector<std::string>& args) { return Pelorin(args, Options()); }

  RunResult Pelorin(const std::vector<std::string>& args, const RunOptions& options) {
    std::vector<std::string> argv{program_};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv, options);
  }

  void MakeDirectory(const std::string& relative, mode_t mode = 0777) {
    ASSERT_EQ(mkdir(Path(relative).c_str(), mode), 0) << relative;
    chmod(Path(relative).c_str(), mode);  // past the umask
  }

  // Runs a conversion that must fail with `class_name` and `message`.
  void ExpectFailure(const std::vector<std::string>& args, const RunOptions& options,
                     const std::string& class_name, const std::string& message) {
    RunResult result = Pelorin(args, options);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.out, Shown(ScreenBeforeFailure(args.front())));
    EXPECT_TRUE(IsProgramFailureReport(result.err, class_name, message));
  }

  TempDir dir_;
  std::string root_;
  std::string program_ = PELORIN_EXECUTABLE;
};

// The same over a table of cases.
template <class Case>
class PelorinE2eCases : public PelorinE2eTest, public ::testing::WithParamInterface<Case> {};

// The arguments after the program's name.
struct CommandLineCase {
  const char* name;
  std::vector<std::string> args;
};
void PrintTo(const CommandLineCase& c, std::ostream* os) { *os << c.name; }

const CommandLineCase kUsageAndConversion[] = {{"Usage", {}}, {"Conversion", {"in.tga"}}};

// Whether an older tic.ici is there before the run.
struct OlderResultCase {
  const char* name;
  bool older_result;
};
void PrintTo(const OlderResultCase& c, std::ostream* os) { *os << c.name; }

const OlderResultCase kWithAndWithoutOlderResult[] = {{"WithoutAnOlderResult", false},
                                                      {"OverAnOlderResult", true}};

// ---------------------------------------------------------------- usage

const CommandLineCase kWithoutAPath[] = {
    {"NoArgument", {}},
    {"OneEmptyArgument", {""}},
    {"TwoEmptyArguments", {"", ""}},
};

using WithoutAPath = PelorinE2eCases<CommandLineCase>;

TEST_P(WithoutAPath, ShowsTheUsageScreenAndTouchesNoFile) {
  RunResult result = Pelorin(GetParam().args);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out, Shown(UsageScreen()));
  EXPECT_EQ(result.err, "");
  EXPECT_TRUE(dir_.Names().empty());
}

INSTANTIATE_TEST_SUITE_P(PelorinE2e, WithoutAPath, ::testing::ValuesIn(kWithoutAPath), CaseName());

// ---------------------------------------------------------------- conversion

TEST_F(PelorinE2eTest, ConvertsTheWorkedValuesWithExactOutput) {
  // All of them as one row, so that the order of rows does not matter.
  const auto width = static_cast<uint16_t>(std::size(kWorkedValues));
  WriteFileBytes(Path("values.tga"), MakeTga(width, 1, WorkedValuesBgra()));

  RunResult result = Pelorin({"values.tga"});

  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out, Shown(ConversionScreen("values.tga")));
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(ReadFileBytes(Path("tic.ici")), WorkedValuesIci());
  EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"tic.ici", "values.tga"}));
}

TEST_F(PelorinE2eTest, WritesTheLastStoredRowFirst) {
  const std::string p0 = Bytes({0x00, 0x00, 0xFF, 0xFF});  // red
  const std::string p1 = Bytes({0x00, 0xFF, 0x00, 0xFF});  // green
  const std::string p2 = Bytes({0xFF, 0x00, 0x00, 0xFF});  // blue
  const std::string p3 = Bytes({0xFF, 0xFF, 0xFF, 0x00});  // transparent white
  WriteFileBytes(Path("square.tga"), MakeTga(2, 2, p0 + p1 + p2 + p3));

  RunResult result = Pelorin({"square.tga"});

  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(ReadFileBytes(Path("tic.ici")),
            Bytes({0x1F, 0x00, 0x1F, 0xFF, 0xFF, 0x00, 0x00, 0xF8, 0x1F, 0xE0, 0x07, 0x1F}));
}

const CommandLineCase kSeveralArguments[] = {
    {"TwoSources", {"first.tga", "second.tga"}},
    {"ThenAMissingOneAndMore", {"first.tga", "missing.tga", "x"}},
    {"AfterAnEmptyOne", {"", "first.tga", "second.tga"}},
};

using SeveralArguments = PelorinE2eCases<CommandLineCase>;

TEST_P(SeveralArguments, OnlyTheFirstNonEmptyOneCounts) {
  WriteFileBytes(Path("first.tga"), MakeTga(1, 1, Bytes({0x10, 0x20, 0x30, 0x40})));
  WriteFileBytes(Path("second.tga"), MakeTga(1, 1, Bytes({0xFF, 0xFF, 0xFF, 0xFF})));
  RunResult result = Pelorin(GetParam().args);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out, Shown(ConversionScreen("first.tga")));
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(ReadFileBytes(Path("tic.ici")), Bytes({0x02, 0x31, 0x08}));
}

INSTANTIATE_TEST_SUITE_P(PelorinE2e, SeveralArguments, ::testing::ValuesIn(kSeveralArguments),
                         CaseName());

struct RandomImageCase {
  const char* name;
  uint16_t width, height;
  uint8_t id_length;    // an ID field of this many bytes comes before the pixels
  std::string trailer;  // after the last pixel, ignored
  uint32_t seed;
};
void PrintTo(const RandomImageCase& c, std::ostream* os) { *os << c.name; }

const RandomImageCase kRandomImages[] = {
    {"OnePixel", 1, 1, 0, "", 1},
    {"ThreeByFive", 3, 5, 0, "", 2},
    {"WideWithATrailer", 257, 3, 0, "TRUEVISION-XFILE.", 3},
    {"SeveralMegabytes", 1000, 700, 0, "", 4},  // more than one read and write
    {"WithAnIdField", 17, 9, 200, "", 5},
};

using RandomImage = PelorinE2eCases<RandomImageCase>;

TEST_P(RandomImage, ConvertsAsAPlainEncoderDoes) {
  const RandomImageCase& c = GetParam();
  std::string tga = MakeRandomTga(c.width, c.height, c.seed);
  tga[0] = static_cast<char>(c.id_length);
  tga.insert(18, std::string(c.id_length, 'i'));
  tga += c.trailer;
  WriteFileBytes(Path("random.tga"), tga);
  // An older, longer result is replaced entirely.
  WriteFileBytes(Path("tic.ici"), std::string(3 * 1000 * 700 + 5, 'o'));

  RunResult result = Pelorin({"random.tga"});

  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_TRUE(ReadFileBytes(Path("tic.ici")) == ReferenceIci(tga));
  EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"random.tga", "tic.ici"}));
}

INSTANTIATE_TEST_SUITE_P(PelorinE2e, RandomImage, ::testing::ValuesIn(kRandomImages), CaseName());

TEST_F(PelorinE2eTest, ConvertsTheShippedSample) {
  const std::string sample = std::string(PELORIN_SAMPLE_DIR) + "/sunrise.tga";
  if (!PathExists(sample)) GTEST_SKIP() << "no sample image at " << sample;
  const std::string tga = ReadFileBytes(sample);
  WriteFileBytes(Path("sunrise.tga"), tga);

  RunResult result = Pelorin({"sunrise.tga"});

  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out, Shown(ConversionScreen("sunrise.tga")));
  EXPECT_EQ(result.err, "");
  EXPECT_TRUE(ReadFileBytes(Path("tic.ici")) == ReferenceIci(tga));
}

// A source made by a test; a function, so that a large one is made only
// when its test runs.
using MakeSource = std::string (*)();

struct SourceCase {
  const char* name;
  MakeSource tga;
};
void PrintTo(const SourceCase& c, std::ostream* os) { *os << c.name; }

const SourceCase kImagesWithoutPixels[] = {
    {"Size0x0In16Bytes", [] { return MakeTga(0, 0, "").substr(0, 16); }},
    {"Size0x0FullHeader", [] { return MakeTga(0, 0, ""); }},
    {"Size0x7In16Bytes", [] { return MakeTga(0, 7, "").substr(0, 16); }},
    {"Size9x0WithDataBehind", [] { return MakeTga(9, 0, std::string(40, 'x')); }},
    {"Size65535x0", [] { return MakeTga(65535, 0, "").substr(0, 16); }},
    {"RunLengthSize0x9", [] { return MakeTgaFile(VariantFields(10, 32, 0, 9), "", ""); }},
    {"MappedSize9x0WithoutItsMap", [] { return MakeTgaFile(MappedFields(9, 0, 256), "", ""); }},
};

using ImageWithoutPixels = PelorinE2eCases<std::tuple<SourceCase, OlderResultCase>>;

TEST_P(ImageWithoutPixels, GivesAnEmptyResult) {
  const auto& [source, before] = GetParam();
  if (before.older_result) WriteFileBytes(Path("tic.ici"), "an older result");
  WriteFileBytes(Path("empty.tga"), source.tga());

  RunResult result = Pelorin({"empty.tga"});

  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out, Shown(ConversionScreen("empty.tga")));
  EXPECT_EQ(result.err, "");
  ASSERT_TRUE(PathExists(Path("tic.ici")));
  EXPECT_EQ(ReadFileBytes(Path("tic.ici")), "");
  EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"empty.tga", "tic.ici"}));
}

INSTANTIATE_TEST_SUITE_P(PelorinE2e, ImageWithoutPixels,
                         ::testing::Combine(::testing::ValuesIn(kImagesWithoutPixels),
                                            ::testing::ValuesIn(kWithAndWithoutOlderResult)),
                         CaseName());

std::string LargeImageOneByteShort() {
  return MakeTga(1000, 700, std::string(4 * 1000 * 700 - 1, 'p'));
}

// Several bands' worth of run-length encoded pixels, whose packets end
// early: the first bands are written, then the conversion fails.
std::string RunLengthImageCutShort() {
  const std::string packets = RunLengthPackets(RandomBytes(size_t{4} * 600 * 600, 8), 4);
  return MakeTgaFile(VariantFields(10, 32, 600, 600), "", packets.substr(0, packets.size() - 700));
}

// Several bands' worth of colour indices, one of which, in the first stored
// row (the last band written), picks no entry of the map.
std::string IndexOutsideTheColourMap() {
  std::string indices(size_t{2000} * 600, '\x05');
  indices[1234] = 9;
  TgaFields fields = MappedFields(2000, 600, 4);
  fields.map_first = 5;
  return MakeTgaFile(fields, std::string(size_t{4} * 3, 'm'), indices);
}

const SourceCase kShortSources[] = {
    {"EmptyFile", [] { return std::string(); }},
    {"HeaderCutInsideTheSize", [] { return MakeTga(0, 0, "").substr(0, 15); }},
    {"HeaderAloneFor1x1", [] { return MakeTga(1, 1, ""); }},
    {"Size2x2OneByteShort", [] { return MakeTga(2, 2, std::string(15, 'p')); }},
    {"ClassicHeaderOver24BitPixels",
     [] { return MakeTga(4, 4, std::string(size_t{3} * 16, 'p')); }},
    {"TrueColour24OneByteShort",
     [] { return MakeTgaFile(VariantFields(2, 24, 4, 4), "", std::string(3 * 16 - 1, 'p')); }},
    {"RunLengthImageCutShort", RunLengthImageCutShort},
    {"IndexOutsideTheColourMap", IndexOutsideTheColourMap},
    {"ColourMapCutShort",
     [] { return MakeTgaFile(MappedFields(1, 1, 256), std::string(3 * 256 - 1, 'm'), ""); }},
    {"Size65535x65535Over20Bytes", [] { return MakeTga(65535, 65535, "ab"); }},
    {"LargeImageOneByteShort", LargeImageOneByteShort},
};

using ShortSource = PelorinE2eCases<SourceCase>;

TEST_P(ShortSource, FailsAndKeepsTheOlderResult) {
  const std::string older = "an older result\n\x01\x02";
  WriteFileBytes(Path("short.tga"), GetParam().tga());
  WriteFileBytes(Path("tic.ici"), older);

  ExpectFailure({"short.tga"}, Options(), "EInOutError", "Read beyond end of file");

  EXPECT_EQ(ReadFileBytes(Path("tic.ici")), older);
  EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"short.tga", "tic.ici"}));
}

INSTANTIATE_TEST_SUITE_P(PelorinE2e, ShortSource, ::testing::ValuesIn(kShortSources), CaseName());

TEST_F(PelorinE2eTest, AShortSourceWithoutAnOlderResultMakesNone) {
  WriteFileBytes(Path("short.tga"), LargeImageOneByteShort());
  ExpectFailure({"short.tga"}, Options(), "EInOutError", "Read beyond end of file");
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"short.tga"});
}

// A named pipe holds no bytes to position in; with nobody writing to it the
// program must not wait for a writer.
TEST_F(PelorinE2eTest, ANamedPipeAsTheSourceFailsAtOnce) {
  ASSERT_EQ(mkfifo(Path("pipe.tga").c_str(), 0644), 0);
  ExpectFailure({"pipe.tga"}, Options(), "EInOutError", "Read beyond end of file");
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"pipe.tga"});
}

// ---------------------------------------------------------------- failures

struct UnopenableCase {
  const char* name;
  const char* argument;  // "{root}" stands for the test directory
  const char* message;
};
void PrintTo(const UnopenableCase& c, std::ostream* os) { *os << c.name; }

const UnopenableCase kUnopenableSources[] = {
    {"Missing", "missing.tga", "File not found"},
    {"MissingByAbsolutePath", "{root}/missing.tga", "File not found"},
    {"MissingInAFolder", "folder.tga/missing.tga", "File not found"},
    {"InAMissingFolder", "no such folder/x.tga", "Invalid filename"},
    {"InMissingFoldersByAbsolutePath", "{root}/nowhere/deeper/x.tga", "Invalid filename"},
    {"UnderAPlainFile", "plain.tga/x.tga", "Invalid filename"},  // a file used as a directory
    {"AFolder", "folder.tga", "File access denied"},
    {"AFolderWithASlash", "folder.tga/", "File access denied"},
    {"TheCurrentFolder", ".", "File access denied"},
};

using UnopenableSource = PelorinE2eCases<UnopenableCase>;

TEST_P(UnopenableSource, IsReported) {
  WriteFileBytes(Path("plain.tga"), MakeTga(1, 1, "abcd"));
  MakeDirectory("folder.tga");

  ExpectFailure({WithRoot(GetParam().argument)}, Options(), "EInOutError", GetParam().message);

  EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"folder.tga", "plain.tga"}));
  EXPECT_FALSE(PathExists(Path("folder.tga/tic.ici")));
}

INSTANTIATE_TEST_SUITE_P(PelorinE2e, UnopenableSource, ::testing::ValuesIn(kUnopenableSources),
                         CaseName());

// tic.ici is a directory, so the result cannot be stored; the message names
// the absolute path, joined with the working directory and with "." and ".."
// taken away as text.
struct OutputDirectoryCase {
  const char* name;
  const char* working_directory;  // relative to the test directory
  const char* argument;           // "{root}" stands for the test directory
  const char* named_output;       // relative to the test directory
};
void PrintTo(const OutputDirectoryCase& c, std::ostream* os) { *os << c.name; }

const OutputDirectoryCase kOutputDirectories[] = {
    {"PlainName", "", "in.tga", "tic.ici"},
    {"DotSlash", "", "./in.tga", "tic.ici"},
    {"InASubfolder", "", "sub/in.tga", "sub/tic.ici"},
    {"ThroughASubfolderAndBack", "", "sub/../in.tga", "tic.ici"},
    {"DotsAndParentsWithin", "", "sub/./deeper/../../sub/in.tga", "sub/tic.ici"},
    {"ParentOfTheWorkingDirectory", "sub", "../in.tga", "tic.ici"},
    {"TwoParentsUp", "sub/deeper", "../../in.tga", "tic.ici"},
    {"DoubledSlashes", "sub", ".//..//in.tga", "tic.ici"},
    {"AbsoluteWithParents", "sub", "{root}/sub/deeper/../../in.tga", "tic.ici"},
    // Links are not followed: "link/.." is "sub" to the system, the test
    // directory as text.
    {"ParentOfALink", "", "link/../in.tga", "tic.ici"},
};

using OutputDirectory = PelorinE2eCases<OutputDirectoryCase>;

TEST_P(OutputDirectory, NamesItsAbsolutePath) {
  const OutputDirectoryCase& c = GetParam();
  MakeDirectory("sub");
  MakeDirectory("sub/deeper");
  MakeDirectory("tic.ici");
  MakeDirectory("sub/tic.ici");
  WriteFileBytes(Path("in.tga"), MakeTga(1, 1, "abcd"));
  WriteFileBytes(Path("sub/in.tga"), MakeTga(1, 1, "abcd"));
  ASSERT_EQ(symlink("sub/deeper", Path("link").c_str()), 0);
  RunOptions options = Options();
  options.working_directory = Path(c.working_directory);

  ExpectFailure({WithRoot(c.argument)}, options, "EFCreateError",
                "Cannot create file \"" + Path(c.named_output) + "\". Is a directory");

  EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"in.tga", "link", "sub", "tic.ici"}));
}

INSTANTIATE_TEST_SUITE_P(PelorinE2e, OutputDirectory, ::testing::ValuesIn(kOutputDirectories),
                         CaseName());

// The write fails when the file grows past the size limit; the previous
// result must survive and the temporary file must go.
using WriteFailingMidway = PelorinE2eCases<OlderResultCase>;

TEST_P(WriteFailingMidway, KeepsTheOlderResult) {
  const bool older_result = GetParam().older_result;
  RunOptions options = Options();
  options.before_exec = [] {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
  };
  WriteFileBytes(Path("big.tga"), MakeRandomTga(200, 100, 3));  // 60000 bytes of result
  const std::string older = "the older result";
  if (older_result) WriteFileBytes(Path("tic.ici"), older);

  ExpectFailure({"big.tga"}, options, "EWriteError", "Stream write error");

  if (older_result) {
    EXPECT_EQ(ReadFileBytes(Path("tic.ici")), older);
    EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"big.tga", "tic.ici"}));
  } else {
    EXPECT_EQ(dir_.Names(), std::vector<std::string>{"big.tga"});
  }
}

INSTANTIATE_TEST_SUITE_P(PelorinE2e, WriteFailingMidway,
                         ::testing::ValuesIn(kWithAndWithoutOlderResult), CaseName());

using FullStandardOutput = PelorinE2eCases<CommandLineCase>;

TEST_P(FullStandardOutput, IsReported) {
  WriteFileBytes(Path("in.tga"), MakeTga(1, 1, "abcd"));
  RunOptions options = Options();
  options.before_exec = [] {
    int full = open("/dev/full", O_WRONLY);
    if (full < 0) _exit(125);
    dup2(full, STDOUT_FILENO);
    close(full);
  };
  RunResult result = Pelorin(GetParam().args, options);
  if (result.exit_status == 125) GTEST_SKIP() << "/dev/full cannot be opened";
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_TRUE(IsProgramFailureReport(result.err, "EInOutError", "Disk full"));
}

INSTANTIATE_TEST_SUITE_P(PelorinE2e, FullStandardOutput, ::testing::ValuesIn(kUsageAndConversion),
                         CaseName());

// The limit on open files cannot be set before the program starts: loading
// its libraries needs a descriptor too. So its output goes to a held
// terminal: the program then blocks on its first line, after loading and
// before opening the source, and the limit is lowered while it waits there.
TEST_F(PelorinE2eTest, TooManyOpenFilesIsReported) {
  WriteFileBytes(Path("in.tga"), MakeTga(1, 1, "abcd"));
  HeldTerminal terminal;
  if (!terminal.available()) GTEST_SKIP() << "no pseudo-terminal";

  RunOptions options = Options();
  options.before_exec = terminal.AsStandardOutput();
  ChildProcess child({program_, "in.tga"}, options);
  const bool blocked =
      WaitUntilBlockedIn(child, SYS_write, STDOUT_FILENO, std::chrono::seconds(10));
  bool limited = false;
  if (blocked) {
    rlimit limit{3, 3};  // standard input, output and error
    limited = prlimit(child.pid(), RLIMIT_NOFILE, &limit, nullptr) == 0;
  }
  terminal.Release();
  RunResult result = child.Finish("\n");
  const std::string shown = terminal.Shown();
  if (!limited) GTEST_SKIP() << "could not catch the program before it opened the source";

  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(shown, Shown(ScreenBeforeFailure("in.tga")));
  EXPECT_TRUE(IsProgramFailureReport(result.err, "EInOutError", "Too many open files"));
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"in.tga"});
}

TEST_F(PelorinE2eTest, StandardOutputComesBeforeTheReportOnOnePipe) {
  RunOptions options = Options();
  options.merge_error_into_output = true;

  RunResult result = Pelorin({"missing.tga"}, options);

  EXPECT_EQ(result.exit_status, 1);
  const std::string before = Shown(ScreenBeforeFailure("missing.tga"));
  ASSERT_EQ(result.out.substr(0, before.size()), before) << result.out;
  EXPECT_TRUE(
      IsProgramFailureReport(result.out.substr(before.size()), "EInOutError", "File not found"));
}

// ---------------------------------------------------------------- paths

struct SourcePathCase {
  const char* name;
  const char* working_directory;  // relative to the test directory
  const char* source;             // relative to the test directory
  const char* argument;           // as typed; empty: the absolute path
};
void PrintTo(const SourcePathCase& c, std::ostream* os) { *os << c.name; }

const SourcePathCase kSourcePaths[] = {
    {"Blanks", "", "with blanks/my picture.tga", "with blanks/my picture.tga"},
    {"LeadingAndTrailingBlanks", "", " leading and trailing .tga", " leading and trailing .tga"},
    {"Greek", "", "Ελληνικά/εικόνα.tga", "Ελληνικά/εικόνα.tga"},
    {"ChineseWorkingDirectory", "中文目录", "中文目录/图片 一.tga", "图片 一.tga"},
    // Ordinary letters here.
    {"BackslashAndColon", "", "back\\slash/c:olon.tga", "back\\slash/c:olon.tga"},
    {"BackslashInTheName", "", "a\\b.tga", "a\\b.tga"},
    {"TwoParentsUp", "one/two", "three/in.tga", "../../three/in.tga"},
    {"ParentWithin", "one", "one/two/../in.tga", "two/../in.tga"},
    {"AbsoluteGreekAndChinese", "one/two", "three/Ελληνικά καὶ 中文.tga", ""},
    {"Absolute", "", "one/two/in.tga", ""},
};

using SourcePath = PelorinE2eCases<SourcePathCase>;

TEST_P(SourcePath, TheResultIsStoredBesideTheSource) {
  const SourcePathCase& c = GetParam();
  for (const char* sub :
       {"/one", "/one/two", "/three", "/with blanks", "/Ελληνικά", "/中文目录", "/back\\slash"})
    mkdir((root_ + sub).c_str(), 0777);
  const std::string source = Path(c.source);
  const std::string tga = MakeRandomTga(5, 3, 11);
  WriteFileBytes(source, tga);
  const std::string typed = c.argument;
  const std::string argument = typed.empty() ? source : typed;
  RunOptions options = Options();
  options.working_directory = Path(c.working_directory);

  RunResult result = Pelorin({argument}, options);

  EXPECT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(result.out, Shown(ConversionScreen(argument)));
  EXPECT_EQ(result.err, "");
  const std::string output = source.substr(0, source.rfind('/') + 1) + "tic.ici";
  ASSERT_TRUE(PathExists(output));
  EXPECT_TRUE(ReadFileBytes(output) == ReferenceIci(tga));
  // Nothing lands in the working directory unless the source is there.
  const std::string in_working_directory = RealPath(options.working_directory) + "/tic.ici";
  if (RealPath(output) != in_working_directory) {
    EXPECT_FALSE(PathExists(in_working_directory));
  }
}

INSTANTIATE_TEST_SUITE_P(PelorinE2e, SourcePath, ::testing::ValuesIn(kSourcePaths), CaseName());

// ---------------------------------------------------------------- waiting

using WaitForALine = PelorinE2eCases<CommandLineCase>;

TEST_P(WaitForALine, ComesBeforeTheEnd) {
  const std::vector<std::string>& args = GetParam().args;
  WriteFileBytes(Path("in.tga"), MakeTga(1, 1, Bytes({0x10, 0x20, 0x30, 0x40})));
  if (!CanSeeSystemCalls()) GTEST_SKIP() << "this system does not show a process's system call";
  std::vector<std::string> argv{program_};
  argv.insert(argv.end(), args.begin(), args.end());
  ChildProcess child(argv, Options());

  // Blocked reading its input, which nobody has written yet: the wait.
  ASSERT_TRUE(WaitUntilBlockedIn(child, SYS_read, STDIN_FILENO, std::chrono::seconds(30)))
      << (child.HasExited() ? "ended without waiting for Enter" : "never read its input");
  EXPECT_FALSE(child.HasExited());
  if (!args.empty()) {
    // The result is in place while the program waits.
    EXPECT_EQ(ReadFileBytes(Path("tic.ici")), Bytes({0x02, 0x31, 0x08}));
    EXPECT_FALSE(child.HasExited());
  }
  RunResult result = child.Finish("\n");

  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out, args.empty() ? Shown(UsageScreen()) : Shown(ConversionScreen("in.tga")));
}

INSTANTIATE_TEST_SUITE_P(PelorinE2e, WaitForALine, ::testing::ValuesIn(kUsageAndConversion),
                         CaseName());

struct InputCase {
  const char* name;
  std::string input;
  std::function<void()> before_exec;
};
void PrintTo(const InputCase& c, std::ostream* os) { *os << c.name; }

const InputCase kInputs[] = {
    {"LineFeed", "\n", nullptr},
    {"CarriageReturnAndLineFeed", "abc\r\n", nullptr},
    {"MoreLinesThanOne", "first\nsecond\n", nullptr},
    {"TextWithoutALineBreak", "abc", nullptr},
    {"EmptyInput", "", nullptr},
    {"DevNull", "",
     [] {
       int null = open("/dev/null", O_RDONLY);
       dup2(null, STDIN_FILENO);
       close(null);
     }},
    {"ClosedInput", "", [] { close(STDIN_FILENO); }},
};

using Input = PelorinE2eCases<InputCase>;

TEST_P(Input, EndsTheRunAtItsFirstLineOrItsEnd) {
  WriteFileBytes(Path("in.tga"), MakeTga(1, 1, "abcd"));
  RunOptions options = Options();
  options.input = GetParam().input;
  options.before_exec = GetParam().before_exec;

  RunResult usage = Pelorin({}, options);
  EXPECT_EQ(usage.exit_status, 0);
  EXPECT_EQ(usage.out, Shown(UsageScreen()));
  EXPECT_EQ(usage.err, "");

  RunResult conversion = Pelorin({"in.tga"}, options);
  EXPECT_EQ(conversion.exit_status, 0);
  EXPECT_EQ(conversion.out, Shown(ConversionScreen("in.tga")));
  EXPECT_EQ(conversion.err, "");
}

INSTANTIATE_TEST_SUITE_P(PelorinE2e, Input, ::testing::ValuesIn(kInputs), CaseName());

// ---------------------------------------------------------------- rights

// Access rights mean nothing to root, so these run as an unprivileged user:
// "nobody" when the tests run as root, else the user running them. The
// program is copied to where that user may run it.
class PelorinE2eAccessTest : public PelorinE2eTest {
 protected:
  void SetUp() override {
    if (geteuid() == 0) {
      program_for_nobody_ = std::make_unique<ProgramForNobody>(program_);
      program_ = program_for_nobody_->path();
      chmod(root_.c_str(), 0777);
      unprivileged_ = BecomeNobody;
    }
    WriteFileBytes(Path("in.tga"), MakeTga(1, 1, Bytes({0x10, 0x20, 0x30, 0x40})));
    chmod(Path("in.tga").c_str(), 0644);
    RunResult probe = Pelorin({}, Options());
    if (probe.exit_status != 0)
      GTEST_SKIP() << "cannot run the program as an unprivileged user: " << probe.err;
    // A user who passes over rights anyway cannot show these faults.
    const std::string probe_file = Path("probe");
    WriteFileBytes(probe_file, "");
    chmod(probe_file.c_str(), 0);
    RunOptions options = Options();
    RunResult denied = RunProgram({"/bin/cat", probe_file}, options);
    unlink(probe_file.c_str());
    if (denied.exit_status == 0) GTEST_SKIP() << "this user is not held back by file rights";
  }

  RunOptions Options() const {
    RunOptions options = PelorinE2eTest::Options();
    options.before_exec = unprivileged_;
    return options;
  }

  std::unique_ptr<ProgramForNobody> program_for_nobody_;
  std::function<void()> unprivileged_;
};

TEST_F(PelorinE2eAccessTest, AnUnreadableSourceIsAccessDenied) {
  chmod(Path("in.tga").c_str(), 0);
  ExpectFailure({"in.tga"}, Options(), "EInOutError", "File access denied");
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"in.tga"});
}

TEST_F(PelorinE2eAccessTest, AReadOnlySourceConverts) {
  chmod(Path("in.tga").c_str(), 0444);
  RunResult result = Pelorin({"in.tga"}, Options());
  EXPECT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(ReadFileBytes(Path("tic.ici")), Bytes({0x02, 0x31, 0x08}));
}

class UnwritableDirectory : public PelorinE2eAccessTest,
                            public ::testing::WithParamInterface<OlderResultCase> {};

TEST_P(UnwritableDirectory, CannotTakeTheResult) {
  const bool older_result = GetParam().older_result;  // writable, when there
  const std::string older = "the older result";
  chmod(root_.c_str(), 0777);
  if (older_result) {
    WriteFileBytes(Path("tic.ici"), older);
    chmod(Path("tic.ici").c_str(), 0666);
  }
  chmod(root_.c_str(), 0555);

  ExpectFailure({"in.tga"}, Options(), "EFCreateError",
                "Cannot create file \"" + Path("tic.ici") + "\". Permission denied");

  if (older_result) {
    EXPECT_EQ(ReadFileBytes(Path("tic.ici")), older);
    EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"in.tga", "tic.ici"}));
  } else {
    EXPECT_EQ(dir_.Names(), std::vector<std::string>{"in.tga"});
  }
  chmod(root_.c_str(), 0777);
}

INSTANTIATE_TEST_SUITE_P(PelorinE2eAccess, UnwritableDirectory,
                         ::testing::ValuesIn(kWithAndWithoutOlderResult), CaseName());

// The directory lets the user replace the file, but the file itself may not
// be written by that user: replacing it anyway would overrule its rights.
TEST_F(PelorinE2eAccessTest, AnOlderResultThisUserMayNotWriteIsKept) {
  const std::string older = "somebody else's result";
  WriteFileBytes(Path("tic.ici"), older);
  chmod(Path("tic.ici").c_str(), geteuid() == 0 ? 0644 : 0444);

  ExpectFailure({"in.tga"}, Options(), "EFCreateError",
                "Cannot create file \"" + Path("tic.ici") + "\". Permission denied");

  EXPECT_EQ(ReadFileBytes(Path("tic.ici")), older);
  EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"in.tga", "tic.ici"}));
}

}  // namespace
}  // namespace pelorin::testing
