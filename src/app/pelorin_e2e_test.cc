// The built program, run the way a user meets it: real files in a temporary
// directory, and what it leaves on stdout, stderr, in its exit status and in
// tic.ici.
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "testing/reference_ici.h"
#include "testing/temp_dir.h"

namespace pelorin::testing {
namespace {

const std::string kBanner =
    "Pelorin converter    {by Zarnoth}\n"
    "Visit https://pelorin.example.org - the best place for free stuff!\n"
    "Everything free: java, pics, melodies, firmwares, soft\n";
const std::string kPressEnter = "Press ENTER to continue...\n";

std::string UsageScreen() {
  return kBanner + "USAGE: pelorin.exe <filename>\n" +
         "Result file will be stored at the source directory with filename "
         "\"tic.ici\"\n" +
         kPressEnter;
}

// What stdout holds when a conversion of `shown_path` fails.
std::string OutputBeforeFailure(const std::string& shown_path) {
  return kBanner + "Processing file: " + shown_path + "\n";
}

std::string ConversionOutput(const std::string& shown_path) {
  return OutputBeforeFailure(shown_path) + "Finished!\n" + kPressEnter;
}

// The report the driver writes for a failure: the code location is the
// program's to choose, so only its form is checked.
void ExpectFailureReport(const std::string& err, const std::string& class_name,
                         const std::string& message) {
  const std::string head = "Exception " + class_name + " in module pelorin at ";
  const std::string tail = ".\n" + message + ".\n\n";
  ASSERT_EQ(err.size(), head.size() + 8 + tail.size()) << err;
  EXPECT_EQ(err.substr(0, head.size()), head) << err;
  EXPECT_TRUE(std::regex_match(err.substr(head.size(), 8), std::regex("[0-9A-F]{8}"))) << err;
  EXPECT_EQ(err.substr(head.size() + 8), tail) << err;
}

// The ICI image expected for a TGA written by another program, whose pixels
// that program decodes to `decoded` (top row first). Programs differ in the
// row order they store, whatever the header says; the stored order counts.
std::string ExpectedIciOfToolTga(const std::string& tga, const std::string& decoded, size_t width) {
  const std::string stored = tga.substr(18, decoded.size());
  EXPECT_TRUE(stored == decoded || stored == ReverseRows(decoded, width))
      << "the pixels are not stored plainly behind the header";
  return ReferenceIciPixels(ReverseRows(stored, width));
}

std::string RealPath(const std::string& path) {
  char* resolved = realpath(path.c_str(), nullptr);
  std::string result = resolved ? resolved : path;
  free(resolved);
  return result;
}

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int value : values) bytes += static_cast<char>(value);
  return bytes;
}

// Runs the built program in a fresh directory. The directory is named by its
// real path, so that the absolute paths the program prints can be predicted.
class PelorinE2eTest : public ::testing::Test {
 protected:
  PelorinE2eTest() : root_(RealPath(dir_.path())) {}

  std::string Path(const std::string& relative) const { return root_ + "/" + relative; }

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
    EXPECT_EQ(result.out, OutputBeforeFailure(args.front()));
    ExpectFailureReport(result.err, class_name, message);
  }

  TempDir dir_;
  std::string root_;
  std::string program_ = PELORIN_EXECUTABLE;
};

// ---------------------------------------------------------------- usage

TEST_F(PelorinE2eTest, WithoutAPathShowsTheUsageScreenAndTouchesNoFile) {
  const std::vector<std::vector<std::string>> command_lines = {{}, {""}, {"", ""}};
  for (const auto& args : command_lines) {
    SCOPED_TRACE(::testing::PrintToString(args));
    RunResult result = Pelorin(args);
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.out, UsageScreen());
    EXPECT_EQ(result.err, "");
    EXPECT_TRUE(dir_.Names().empty());
  }
}

// ---------------------------------------------------------------- conversion

TEST_F(PelorinE2eTest, ConvertsTheWorkedValuesWithExactOutput) {
  // The pixels as one row: opaque red, green, blue, white, transparent black,
  // values just below and at the quantisation steps.
  const std::string pixels =
      Bytes({0x00, 0x00, 0xFF, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0xFF, 0x00, 0x00,
             0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x07, 0x03,
             0x07, 0x07, 0x08, 0x04, 0x08, 0x08, 0x10, 0x20, 0x30, 0x40});
  WriteFileBytes(Path("values.tga"), MakeTga(8, 1, pixels));

  RunResult result = Pelorin({"values.tga"});

  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out, ConversionOutput("values.tga"));
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(ReadFileBytes(Path("tic.ici")),
            Bytes({0x00, 0xF8, 0x1F, 0xE0, 0x07, 0x1F, 0x1F, 0x00, 0x1F, 0xFF, 0xFF, 0x1F,
                   0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x21, 0x08, 0x01, 0x02, 0x31, 0x08}));
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

TEST_F(PelorinE2eTest, UsesOnlyTheFirstNonEmptyArgument) {
  WriteFileBytes(Path("first.tga"), MakeTga(1, 1, Bytes({0x10, 0x20, 0x30, 0x40})));
  WriteFileBytes(Path("second.tga"), MakeTga(1, 1, Bytes({0xFF, 0xFF, 0xFF, 0xFF})));
  const std::vector<std::vector<std::string>> command_lines = {{"first.tga", "second.tga"},
                                                               {"first.tga", "missing.tga", "x"},
                                                               {"", "first.tga", "second.tga"}};
  for (const auto& args : command_lines) {
    SCOPED_TRACE(::testing::PrintToString(args));
    unlink(Path("tic.ici").c_str());
    RunResult result = Pelorin(args);
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.out, ConversionOutput("first.tga"));
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(ReadFileBytes(Path("tic.ici")), Bytes({0x02, 0x31, 0x08}));
  }
}

TEST_F(PelorinE2eTest, MatchesAPlainEncoderOnRandomImages) {
  struct Case {
    uint16_t width, height;
    uint8_t id_length;    // an ID field of this many bytes comes before the pixels
    std::string trailer;  // after the last pixel, ignored
  };
  const Case cases[] = {
      {1, 1, 0, ""},      {3, 5, 0, ""}, {257, 3, 0, "TRUEVISION-XFILE."},
      {1000, 700, 0, ""},  // several megabytes: more than one read and write
      {17, 9, 200, ""},
  };
  uint32_t seed = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    std::string tga = MakeRandomTga(c.width, c.height, seed++);
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
}

// Files written by other programs: their raw pixels, decoded by the same
// program, give the expected result independently of how the TGA is laid out.
TEST_F(PelorinE2eTest, ConvertsAnImageMagickTga) {
  const std::string convert = FindProgram("convert");
  if (convert.empty()) GTEST_SKIP() << "ImageMagick's convert is not installed";

  // Random pixels, alpha included, handed to ImageMagick as raw BGRA.
  const uint16_t width = 61, height = 37;
  std::string raw(size_t{4} * width * height, '\0');
  std::mt19937 random(7);
  for (char& byte : raw) byte = static_cast<char>(random());
  WriteFileBytes(Path("raw.bgra"), raw);
  RunResult made =
      RunProgram({convert, "-size", std::to_string(width) + "x" + std::to_string(height), "-depth",
                  "8", "bgra:" + Path("raw.bgra"), "-compress", "none", Path("magick.tga")});
  ASSERT_EQ(made.exit_status, 0) << made.err;
  const std::string tga = ReadFileBytes(Path("magick.tga"));
  ASSERT_GE(tga.size(), 18u + raw.size());
  ASSERT_EQ(tga[2], 2) << "ImageMagick wrote a compressed TGA";
  ASSERT_EQ(tga[16], 32) << "ImageMagick did not write 32-bit pixels";
  // ImageMagick reads its file back as the pixels it was given.
  RunResult decoded = RunProgram({convert, Path("magick.tga"), "-depth", "8", "bgra:-"});
  ASSERT_EQ(decoded.exit_status, 0) << decoded.err;
  ASSERT_TRUE(decoded.out == raw);

  RunResult result = Pelorin({"magick.tga"});

  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out, ConversionOutput("magick.tga"));
  EXPECT_EQ(result.err, "");
  EXPECT_TRUE(ReadFileBytes(Path("tic.ici")) == ExpectedIciOfToolTga(tga, raw, width));
}

TEST_F(PelorinE2eTest, ConvertsAnFfmpegTga) {
  const std::string ffmpeg = FindProgram("ffmpeg");
  if (ffmpeg.empty()) GTEST_SKIP() << "ffmpeg is not installed";

  const uint16_t width = 48, height = 30;
  RunResult made =
      RunProgram({ffmpeg, "-v", "error", "-nostdin", "-f", "lavfi", "-i",
                  "testsrc2=rate=1:size=" + std::to_string(width) + "x" + std::to_string(height),
                  "-frames:v", "1", "-pix_fmt", "bgra", "-rle", "0", "-y", Path("ffmpeg.tga")});
  ASSERT_EQ(made.exit_status, 0) << made.err;
  RunResult decoded = RunProgram({ffmpeg, "-v", "error", "-nostdin", "-i", Path("ffmpeg.tga"), "-f",
                                  "rawvideo", "-pix_fmt", "bgra", "-"});
  ASSERT_EQ(decoded.exit_status, 0) << decoded.err;
  ASSERT_EQ(decoded.out.size(), 4u * width * height);
  const std::string tga = ReadFileBytes(Path("ffmpeg.tga"));
  ASSERT_EQ(tga[0], 0) << "ffmpeg wrote an ID field";
  ASSERT_EQ(tga[16], 32) << "ffmpeg did not write 32-bit pixels";

  RunResult result = Pelorin({"ffmpeg.tga"});

  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out, ConversionOutput("ffmpeg.tga"));
  EXPECT_EQ(result.err, "");
  // ffmpeg marks its rows top-down, which is not consulted, and appends a
  // footer, which is ignored.
  EXPECT_TRUE(ReadFileBytes(Path("tic.ici")) == ExpectedIciOfToolTga(tga, decoded.out, width));
}

TEST_F(PelorinE2eTest, ConvertsTheShippedSample) {
  const std::string sample = std::string(PELORIN_SAMPLE_DIR) + "/sunrise.tga";
  if (!PathExists(sample)) GTEST_SKIP() << "no sample image at " << sample;
  const std::string tga = ReadFileBytes(sample);
  WriteFileBytes(Path("sunrise.tga"), tga);

  RunResult result = Pelorin({"sunrise.tga"});

  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out, ConversionOutput("sunrise.tga"));
  EXPECT_EQ(result.err, "");
  EXPECT_TRUE(ReadFileBytes(Path("tic.ici")) == ReferenceIci(tga));
}

TEST_F(PelorinE2eTest, AnImageWithoutPixelsGivesAnEmptyResult) {
  struct Case {
    const char* name;
    std::string tga;
  };
  const Case cases[] = {
      {"0x0, 16 bytes", MakeTga(0, 0, "").substr(0, 16)},
      {"0x0, full header", MakeTga(0, 0, "")},
      {"0x7, 16 bytes", MakeTga(0, 7, "").substr(0, 16)},
      {"9x0 with data behind", MakeTga(9, 0, std::string(40, 'x'))},
      {"65535x0", MakeTga(65535, 0, "").substr(0, 16)},
  };
  for (const Case& c : cases) {
    for (bool older_result : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (older_result ? ", older tic.ici" : ""));
      unlink(Path("tic.ici").c_str());
      if (older_result) WriteFileBytes(Path("tic.ici"), "an older result");
      WriteFileBytes(Path("empty.tga"), c.tga);

      RunResult result = Pelorin({"empty.tga"});

      EXPECT_EQ(result.exit_status, 0);
      EXPECT_EQ(result.out, ConversionOutput("empty.tga"));
      EXPECT_EQ(result.err, "");
      ASSERT_TRUE(PathExists(Path("tic.ici")));
      EXPECT_EQ(ReadFileBytes(Path("tic.ici")), "");
      EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"empty.tga", "tic.ici"}));
    }
  }
}

TEST_F(PelorinE2eTest, AShortSourceFailsAndKeepsTheOlderResult) {
  struct Case {
    const char* name;
    std::string tga;
  };
  const Case cases[] = {
      {"empty file", ""},
      {"header cut inside the size", MakeTga(0, 0, "").substr(0, 15)},
      {"header alone for 1x1", MakeTga(1, 1, "")},
      {"2x2 one byte short", MakeTga(2, 2, std::string(15, 'p'))},
      {"24-bit pixels", MakeTga(4, 4, std::string(size_t{3} * 16, 'p'))},
      {"65535x65535 over 20 bytes", MakeTga(65535, 65535, "ab")},
      {"large image one byte short", MakeTga(1000, 700, std::string(4 * 1000 * 700 - 1, 'p'))},
  };
  const std::string older = "an older result\n\x01\x02";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFileBytes(Path("short.tga"), c.tga);
    WriteFileBytes(Path("tic.ici"), older);

    ExpectFailure({"short.tga"}, Options(), "EInOutError", "Read beyond end of file");

    EXPECT_EQ(ReadFileBytes(Path("tic.ici")), older);
    EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"short.tga", "tic.ici"}));
  }
  // Without an older result none is made.
  unlink(Path("tic.ici").c_str());
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

TEST_F(PelorinE2eTest, ASourceThatCannotBeOpenedIsReported) {
  WriteFileBytes(Path("plain.tga"), MakeTga(1, 1, "abcd"));
  MakeDirectory("folder.tga");
  struct Case {
    std::string argument;
    const char* message;
  };
  const Case cases[] = {
      {"missing.tga", "File not found"},
      {Path("missing.tga"), "File not found"},
      {"folder.tga/missing.tga", "File not found"},
      {"no such folder/x.tga", "Invalid filename"},
      {Path("nowhere/deeper/x.tga"), "Invalid filename"},
      {"plain.tga/x.tga", "Invalid filename"},  // a file used as a directory
      {"folder.tga", "File access denied"},
      {"folder.tga/", "File access denied"},
      {".", "File access denied"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argument);
    ExpectFailure({c.argument}, Options(), "EInOutError", c.message);
    EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"folder.tga", "plain.tga"}));
    EXPECT_FALSE(PathExists(Path("folder.tga/tic.ici")));
  }
}

// tic.ici is a directory, so the result cannot be stored; the message names
// the absolute path, joined with the working directory and with "." and ".."
// taken away as text.
TEST_F(PelorinE2eTest, AnOutputThatIsADirectoryNamesItsAbsolutePath) {
  MakeDirectory("sub");
  MakeDirectory("sub/deeper");
  MakeDirectory("tic.ici");
  MakeDirectory("sub/tic.ici");
  WriteFileBytes(Path("in.tga"), MakeTga(1, 1, "abcd"));
  WriteFileBytes(Path("sub/in.tga"), MakeTga(1, 1, "abcd"));
  // Links are not followed: "link/.." is "sub" to the system, the test
  // directory as text.
  ASSERT_EQ(symlink("sub/deeper", Path("link").c_str()), 0);
  struct Case {
    std::string working_directory;  // relative to the test directory
    std::string argument;
    std::string named_output;  // relative to the test directory
  };
  const Case cases[] = {
      {"", "in.tga", "tic.ici"},
      {"", "./in.tga", "tic.ici"},
      {"", "sub/in.tga", "sub/tic.ici"},
      {"", "sub/../in.tga", "tic.ici"},
      {"", "sub/./deeper/../../sub/in.tga", "sub/tic.ici"},
      {"sub", "../in.tga", "tic.ici"},
      {"sub/deeper", "../../in.tga", "tic.ici"},
      {"sub", ".//..//in.tga", "tic.ici"},
      {"sub", Path("sub/deeper/../../in.tga"), "tic.ici"},
      {"", "link/../in.tga", "tic.ici"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.working_directory + " $ pelorin " + c.argument);
    RunOptions options = Options();
    options.working_directory = Path(c.working_directory);
    ExpectFailure({c.argument}, options, "EFCreateError",
                  "Cannot create file \"" + Path(c.named_output) + "\". Is a directory");
    EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"in.tga", "link", "sub", "tic.ici"}));
  }
}

// The write fails when the file grows past the size limit; the previous
// result must survive and the temporary file must go.
TEST_F(PelorinE2eTest, AWriteThatFailsMidwayKeepsTheOlderResult) {
  RunOptions options = Options();
  options.before_exec = [] {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
  };
  WriteFileBytes(Path("big.tga"), MakeRandomTga(200, 100, 3));  // 60000 bytes of result
  for (bool older_result : {true, false}) {
    SCOPED_TRACE(older_result ? "older tic.ici" : "no tic.ici before");
    const std::string older = "the older result";
    if (older_result) WriteFileBytes(Path("tic.ici"), older);

    ExpectFailure({"big.tga"}, options, "EWriteError", "Stream write error");

    if (older_result) {
      EXPECT_EQ(ReadFileBytes(Path("tic.ici")), older);
      EXPECT_EQ(dir_.Names(), (std::vector<std::string>{"big.tga", "tic.ici"}));
      unlink(Path("tic.ici").c_str());
    } else {
      EXPECT_EQ(dir_.Names(), std::vector<std::string>{"big.tga"});
    }
  }
}

TEST_F(PelorinE2eTest, AFullStandardOutputIsReported) {
  WriteFileBytes(Path("in.tga"), MakeTga(1, 1, "abcd"));
  RunOptions options = Options();
  options.before_exec = [] {
    int full = open("/dev/full", O_WRONLY);
    if (full < 0) _exit(125);
    dup2(full, STDOUT_FILENO);
    close(full);
  };
  const std::vector<std::vector<std::string>> command_lines = {{}, {"in.tga"}};
  for (const auto& args : command_lines) {
    SCOPED_TRACE(::testing::PrintToString(args));
    RunResult result = Pelorin(args, options);
    if (result.exit_status == 125) GTEST_SKIP() << "/dev/full cannot be opened";
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.out, "");
    ExpectFailureReport(result.err, "EInOutError", "Disk full");
  }
}

// True when `pid` is blocked writing to its standard output.
bool IsBlockedWritingOutput(pid_t pid) {
  std::ifstream calls("/proc/" + std::to_string(pid) + "/syscall");
  long number = -1;
  std::string first_argument;
  calls >> number >> first_argument;
  return number == SYS_write && first_argument == "0x1";
}

// The limit on open files cannot be set before the program starts: loading
// its libraries needs a descriptor too. So its output goes to a terminal
// whose output is suspended: the program then blocks on its first line,
// after loading and before opening the source, and the limit is lowered
// while it waits there.
TEST_F(PelorinE2eTest, TooManyOpenFilesIsReported) {
  WriteFileBytes(Path("in.tga"), MakeTga(1, 1, "abcd"));
  int terminal = posix_openpt(O_RDWR | O_NOCTTY);
  if (terminal < 0 || grantpt(terminal) != 0 || unlockpt(terminal) != 0)
    GTEST_SKIP() << "no pseudo-terminal";
  int output = open(ptsname(terminal), O_RDWR | O_NOCTTY);
  ASSERT_GE(output, 0);
  termios settings;
  ASSERT_EQ(tcgetattr(output, &settings), 0);
  settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);  // lines as written
  ASSERT_EQ(tcsetattr(output, TCSANOW, &settings), 0);
  ASSERT_EQ(tcflow(output, TCOOFF), 0);

  RunOptions options = Options();
  options.before_exec = [terminal, output] {
    dup2(output, STDOUT_FILENO);
    close(output);
    close(terminal);
  };
  ChildProcess child({program_, "in.tga"}, options);
  bool blocked = false;
  for (int tries = 0; tries < 1000 && !blocked && !child.HasExited(); ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    blocked = IsBlockedWritingOutput(child.pid());
  }
  bool limited = false;
  if (blocked) {
    rlimit limit{3, 3};  // standard input, output and error
    limited = prlimit(child.pid(), RLIMIT_NOFILE, &limit, nullptr) == 0;
  }
  tcflow(output, TCOON);
  RunResult result = child.Finish("\n");
  fcntl(terminal, F_SETFL, O_NONBLOCK);
  std::string shown;
  char buffer[4096];
  for (ssize_t got; (got = read(terminal, buffer, sizeof buffer)) > 0;)
    shown.append(buffer, static_cast<size_t>(got));
  close(output);
  close(terminal);
  if (!limited) GTEST_SKIP() << "could not catch the program before it opened the source";

  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(shown, OutputBeforeFailure("in.tga"));
  ExpectFailureReport(result.err, "EInOutError", "Too many open files");
  EXPECT_EQ(dir_.Names(), std::vector<std::string>{"in.tga"});
}

TEST_F(PelorinE2eTest, StandardOutputComesBeforeTheReportOnOnePipe) {
  RunOptions options = Options();
  options.merge_error_into_output = true;

  RunResult result = Pelorin({"missing.tga"}, options);

  EXPECT_EQ(result.exit_status, 1);
  const std::string before = OutputBeforeFailure("missing.tga");
  ASSERT_EQ(result.out.substr(0, before.size()), before) << result.out;
  ExpectFailureReport(result.out.substr(before.size()), "EInOutError", "File not found");
}

// ---------------------------------------------------------------- paths

TEST_F(PelorinE2eTest, StoresTheResultBesideTheSourceForAnyPath) {
  struct Case {
    std::string working_directory;  // relative to the test directory
    std::string source;             // relative to the test directory
    std::string argument;           // as typed; empty: the absolute path
  };
  const Case cases[] = {
      {"", "with blanks/my picture.tga", "with blanks/my picture.tga"},
      {"", " leading and trailing .tga", " leading and trailing .tga"},
      {"", "Ελληνικά/εικόνα.tga", "Ελληνικά/εικόνα.tga"},
      {"中文目录", "中文目录/图片 一.tga", "图片 一.tga"},
      {"", "back\\slash/c:olon.tga", "back\\slash/c:olon.tga"},  // ordinary letters here
      {"", "a\\b.tga", "a\\b.tga"},
      {"one/two", "three/in.tga", "../../three/in.tga"},
      {"one", "one/two/../in.tga", "two/../in.tga"},
      {"one/two", "three/Ελληνικά καὶ 中文.tga", ""},
      {"", "one/two/in.tga", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.working_directory + " $ pelorin " + c.argument);
    TempDir dir;
    const std::string root = RealPath(dir.path());
    for (const char* sub :
         {"/one", "/one/two", "/three", "/with blanks", "/Ελληνικά", "/中文目录", "/back\\slash"})
      mkdir((root + sub).c_str(), 0777);
    const std::string source = root + "/" + c.source;
    const std::string tga = MakeRandomTga(5, 3, 11);
    WriteFileBytes(source, tga);
    const std::string argument = c.argument.empty() ? source : c.argument;
    RunOptions options = Options();
    options.working_directory = root + "/" + c.working_directory;

    RunResult result = Pelorin({argument}, options);

    EXPECT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(result.out, ConversionOutput(argument));
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
}

// ---------------------------------------------------------------- waiting

TEST_F(PelorinE2eTest, WaitsForALineBeforeItEnds) {
  WriteFileBytes(Path("in.tga"), MakeTga(1, 1, Bytes({0x10, 0x20, 0x30, 0x40})));
  const std::vector<std::vector<std::string>> command_lines = {{}, {"in.tga"}};
  for (const auto& args : command_lines) {
    SCOPED_TRACE(::testing::PrintToString(args));
    std::vector<std::string> argv{program_};
    argv.insert(argv.end(), args.begin(), args.end());
    ChildProcess child(argv, Options());

    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(child.HasExited()) << "ended without waiting for Enter";
    if (!args.empty()) {
      // The result is in place while the program waits.
      for (int tries = 0; tries < 1000 && !PathExists(Path("tic.ici")); ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      EXPECT_EQ(ReadFileBytes(Path("tic.ici")), Bytes({0x02, 0x31, 0x08}));
      EXPECT_FALSE(child.HasExited());
    }
    RunResult result = child.Finish("\n");

    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.out, args.empty() ? UsageScreen() : ConversionOutput("in.tga"));
  }
}

TEST_F(PelorinE2eTest, EndsAtTheFirstLineOrAtTheEndOfInput) {
  struct Case {
    const char* name;
    std::string input;
    std::function<void()> before_exec;
  };
  const Case cases[] = {
      {"line feed", "\n", nullptr},
      {"carriage return and line feed", "abc\r\n", nullptr},
      {"more lines than one", "first\nsecond\n", nullptr},
      {"text without a line break", "abc", nullptr},
      {"empty input", "", nullptr},
      {"/dev/null", "",
       [] {
         int null = open("/dev/null", O_RDONLY);
         dup2(null, STDIN_FILENO);
         close(null);
       }},
      {"closed input", "", [] { close(STDIN_FILENO); }},
  };
  WriteFileBytes(Path("in.tga"), MakeTga(1, 1, "abcd"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RunOptions options = Options();
    options.input = c.input;
    options.before_exec = c.before_exec;

    RunResult usage = Pelorin({}, options);
    EXPECT_EQ(usage.exit_status, 0);
    EXPECT_EQ(usage.out, UsageScreen());
    EXPECT_EQ(usage.err, "");

    RunResult conversion = Pelorin({"in.tga"}, options);
    EXPECT_EQ(conversion.exit_status, 0);
    EXPECT_EQ(conversion.out, ConversionOutput("in.tga"));
    EXPECT_EQ(conversion.err, "");
  }
}

// ---------------------------------------------------------------- rights

constexpr uid_t kNobody = 65534;

// Access rights mean nothing to root, so these run as an unprivileged user:
// "nobody" when the tests run as root, else the user running them. The
// program is copied to where that user may run it.
class PelorinE2eAccessTest : public PelorinE2eTest {
 protected:
  void SetUp() override {
    if (geteuid() == 0) {
      chmod(program_dir_.path().c_str(), 0755);
      const std::string copy = program_dir_ / "pelorin";
      WriteFileBytes(copy, ReadFileBytes(program_));
      chmod(copy.c_str(), 0755);
      program_ = copy;
      chmod(root_.c_str(), 0777);
      unprivileged_ = [] {
        if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(125);
      };
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

  TempDir program_dir_;
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

TEST_F(PelorinE2eAccessTest, AnUnwritableDirectoryCannotTakeTheResult) {
  for (bool older_result : {false, true}) {
    SCOPED_TRACE(older_result ? "a writable older tic.ici" : "no tic.ici before");
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
  }
  chmod(root_.c_str(), 0777);
}

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
