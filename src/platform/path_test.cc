#include "platform/path.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "testing/case_name.h"

namespace pelorin {
namespace {

struct OutputPathCase {
  const char* name;
  const char* separators;
  const char* source;
  const char* output;
};
void PrintTo(const OutputPathCase& c, std::ostream* out) { *out << c.source; }

// Both platforms' separators, so that each rule is checked on any machine.
const OutputPathCase kOutputPathCases[] = {
    {"PosixPlainName", "/", "logo.tga", "tic.ici"},
    {"PosixRelative", "/", "pics/logo.tga", "pics/tic.ici"},
    {"PosixBlanks", "/", "/home/ann/my pics/logo.tga", "/home/ann/my pics/tic.ici"},
    {"PosixDotsKept", "/", "../up/./logo.tga", "../up/./tic.ici"},
    {"PosixDoubleSlashKept", "/", "a//b.tga", "a//tic.ici"},
    {"PosixRoot", "/", "/logo.tga", "/tic.ici"},
    {"PosixDirectoryOnly", "/", "dir/", "dir/tic.ici"},
    {"PosixBackslashIsALetter", "/", "C:\\pics\\logo.tga", "tic.ici"},
    {"PosixGreekAndChinese", "/", "ελληνικά/圖片.tga", "ελληνικά/tic.ici"},
    {"WindowsAbsolute", "\\/:", "C:\\pics\\logo.tga", "C:\\pics\\tic.ici"},
    {"WindowsDriveRelative", "\\/:", "C:logo.tga", "C:tic.ici"},
    {"WindowsParent", "\\/:", "..\\logo.tga", "..\\tic.ici"},
    {"WindowsForwardSlash", "\\/:", "pics/logo.tga", "pics/tic.ici"},
    {"WindowsPlainName", "\\/:", "logo.tga", "tic.ici"},
    {"WindowsLastOfMixed", "\\/:", "a\\b/c:d.tga", "a\\b/c:tic.ici"},
};

class OutputPathForTest : public ::testing::TestWithParam<OutputPathCase> {};

TEST_P(OutputPathForTest, KeepsTheDirectoryPartAsWritten) {
  const OutputPathCase& c = GetParam();
  EXPECT_EQ(OutputPathFor(c.source, c.separators), c.output);
  EXPECT_EQ(std::string(DirectoryPartOf(c.source, c.separators)) + "tic.ici", c.output);
}

INSTANTIATE_TEST_SUITE_P(Paths, OutputPathForTest, ::testing::ValuesIn(kOutputPathCases),
                         testing::CaseName());

TEST(PathSeparatorsTest, AreThisPlatformsAndIncludeTheSlash) {
  EXPECT_NE(PathSeparators().find('/'), std::string_view::npos);
  EXPECT_EQ(OutputPathFor("pics/logo.tga"), "pics/tic.ici");
}

}  // namespace
}  // namespace pelorin
