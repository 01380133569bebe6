// The report check is what every failure test leans on, so it must take a
// real report and refuse every near miss.
#include "testing/failure_report_check.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/failure.h"
#include "testing/case_name.h"

namespace pelorin::testing {
namespace {

const char kReport[] = "Exception EInOutError in module p at 0000ABCD.\nDisk full.\n\n";

TEST(IsFailureReportTest, TakesTheReportsTheDriverWrites) {
  EXPECT_TRUE(IsFailureReport(FailureReport(EInOutError(kFileNotFound), "pelorin", 0x1a2b, "\n"),
                              "pelorin", "\n", "EInOutError", "File not found"));
  EXPECT_TRUE(IsFailureReport(FailureReport(EWriteError(), "pelorin.exe", 0xDEADBEEF, "\r\n"),
                              "pelorin.exe", "\r\n", "EWriteError", "Stream write error"));
  // The text every near miss below departs from.
  EXPECT_TRUE(IsFailureReport(kReport, "p", "\n", "EInOutError", "Disk full"));
}

struct NearMiss {
  const char* name;
  const char* text;  // kReport with one fault
};
void PrintTo(const NearMiss& c, std::ostream* os) { *os << c.name; }

const NearMiss kNearMisses[] = {
    {"LowerCaseLocation", "Exception EInOutError in module p at 0000ABcd.\nDisk full.\n\n"},
    {"SevenDigits", "Exception EInOutError in module p at 000ABCD.\nDisk full.\n\n"},
    {"NineDigits", "Exception EInOutError in module p at 00000ABCD.\nDisk full.\n\n"},
    {"NotHex", "Exception EInOutError in module p at 0000ABCG.\nDisk full.\n\n"},
    {"OtherModule", "Exception EInOutError in module q at 0000ABCD.\nDisk full.\n\n"},
    {"OtherClass", "Exception EWriteError in module p at 0000ABCD.\nDisk full.\n\n"},
    {"OtherMessage", "Exception EInOutError in module p at 0000ABCD.\nDisk fall.\n\n"},
    {"NoFullStopAfterTheLocation", "Exception EInOutError in module p at 0000ABCD\nDisk full.\n\n"},
    {"NoFullStopAfterTheMessage", "Exception EInOutError in module p at 0000ABCD.\nDisk full\n\n"},
    {"OtherLineBreak", "Exception EInOutError in module p at 0000ABCD.\r\nDisk full.\r\n\r\n"},
    {"NoEmptyLastLine", "Exception EInOutError in module p at 0000ABCD.\nDisk full.\n"},
    {"MoreAfterTheReport", "Exception EInOutError in module p at 0000ABCD.\nDisk full.\n\nx"},
    {"MoreBeforeTheReport", "xException EInOutError in module p at 0000ABCD.\nDisk full.\n\n"},
    {"Empty", ""},
};

class IsFailureReportNearMissTest : public ::testing::TestWithParam<NearMiss> {};

TEST_P(IsFailureReportNearMissTest, IsRefused) {
  EXPECT_FALSE(IsFailureReport(GetParam().text, "p", "\n", "EInOutError", "Disk full"));
}

INSTANTIATE_TEST_SUITE_P(Texts, IsFailureReportNearMissTest, ::testing::ValuesIn(kNearMisses),
                         CaseName());

}  // namespace
}  // namespace pelorin::testing
