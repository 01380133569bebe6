#include "platform/failure.h"

#include <gtest/gtest.h>

#include "testing/case_name.h"

namespace pelorin {
namespace {

using testing::CaseName;

struct InOutErrorCase {
  const char* name;
  int code;
  const char* message;
};
void PrintTo(const InOutErrorCase& c, std::ostream* os) { *os << c.name; }

const InOutErrorCase kInOutErrors[] = {
    {"FileNotFound", 2, "File not found"},
    {"InvalidFilename", 3, "Invalid filename"},
    {"TooManyOpenFiles", 4, "Too many open files"},
    {"FileAccessDenied", 5, "File access denied"},
    {"ReadBeyondEndOfFile", 100, "Read beyond end of file"},
    {"DiskFull", 101, "Disk full"},
    {"InvalidNumericInput", 106, "Invalid numeric input"},
    {"SystemCode32", 32, "I/O error 32"},
    {"SystemCode1", 1, "I/O error 1"},
    {"NegativeCode", -7, "I/O error -7"},
};

class InOutErrorMessageTest : public ::testing::TestWithParam<InOutErrorCase> {};

TEST_P(InOutErrorMessageTest, NamesTheKnownCodesAndNumbersTheRest) {
  EInOutError failure(GetParam().code);
  EXPECT_EQ(failure.message(), GetParam().message);
  EXPECT_EQ(failure.code(), GetParam().code);
  EXPECT_STREQ(failure.class_name(), "EInOutError");
}

INSTANTIATE_TEST_SUITE_P(Codes, InOutErrorMessageTest, ::testing::ValuesIn(kInOutErrors),
                         CaseName());

TEST(FailureReportTest, HasTheTemplateAFullStopAndAnEmptyLastLine) {
  EXPECT_EQ(FailureReport(EInOutError(2), "pelorin", 0x1a2b, "\n"),
            "Exception EInOutError in module pelorin at 00001A2B.\n"
            "File not found.\n"
            "\n");
  EXPECT_EQ(FailureReport(EWriteError(), "pelorin.exe", 0xDEADBEEF, "\r\n"),
            "Exception EWriteError in module pelorin.exe at DEADBEEF.\r\n"
            "Stream write error.\r\n"
            "\r\n");
  EXPECT_EQ(FailureReport(EOutOfMemory(), "p", 0, "\n"),
            "Exception EOutOfMemory in module p at 00000000.\nOut of memory.\n\n");
}

TEST(FailureReportTest, KeepsAFullStopTheMessageAlreadyHas) {
  // The system's text is trimmed, so the only full stop is the report's.
  EFCreateError failure("/home/ann/tic.ici", "Permission denied.\n");
  EXPECT_STREQ(failure.class_name(), "EFCreateError");
  EXPECT_EQ(failure.message(), "Cannot create file \"/home/ann/tic.ici\". Permission denied");
  EXPECT_EQ(FailureReport(failure, "pelorin", 1, "\n"),
            "Exception EFCreateError in module pelorin at 00000001.\n"
            "Cannot create file \"/home/ann/tic.ici\". Permission denied.\n\n");
}

struct ReasonCase {
  const char* name;
  const char* reason;
  const char* tail;
};
void PrintTo(const ReasonCase& c, std::ostream* os) { *os << c.name; }

const ReasonCase kReasons[] = {
    {"FullStopBlanksAndLineBreak", "Access is denied.  \r\n", ". Access is denied"},
    {"NothingToTrim", "Is a directory", ". Is a directory"},
};

class EFCreateErrorTest : public ::testing::TestWithParam<ReasonCase> {};

TEST_P(EFCreateErrorTest, TrimsBlanksLineBreaksAndFullStopsFromTheReason) {
  EXPECT_EQ(EFCreateError("C:\\tic.ici", GetParam().reason).message(),
            std::string("Cannot create file \"C:\\tic.ici\"") + GetParam().tail);
}

INSTANTIATE_TEST_SUITE_P(Reasons, EFCreateErrorTest, ::testing::ValuesIn(kReasons), CaseName());

TEST(FailureTest, RecordsWhereItWasRaised) {
  EInOutError first(2);
  EInOutError second(2);
  EXPECT_NE(first.raise_site(), nullptr);
  EXPECT_NE(first.raise_site(), second.raise_site());
}

}  // namespace
}  // namespace pelorin
