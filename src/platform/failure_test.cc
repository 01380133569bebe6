#include "platform/failure.h"

#include <gtest/gtest.h>

#include "testing/case_name.h"

namespace pelorin {
namespace {

using testing::CaseName;

struct InOutErrorCase {
  const char* name;
  InOutCode code;
  const char* message;
};
void PrintTo(const InOutErrorCase& c, std::ostream* os) { *os << c.name; }

const InOutErrorCase kInOutErrors[] = {
    {"FileNotFound", kFileNotFound, "File not found"},
    {"InvalidFilename", kInvalidFilename, "Invalid filename"},
    {"TooManyOpenFiles", kTooManyOpenFiles, "Too many open files"},
    {"FileAccessDenied", kFileAccessDenied, "File access denied"},
    {"ReadBeyondEndOfFile", kReadBeyondEndOfFile, "Read beyond end of file"},
    {"DiskFull", kDiskFull, "Disk full"},
    {"InvalidNumericInput", kInvalidNumericInput, "Invalid numeric input"},
    {"SystemCode32", InOutCode::System(32), "I/O error 32"},
    {"SystemCode1", InOutCode::System(1), "I/O error 1"},
    {"NegativeCode", InOutCode::System(-7), "I/O error -7"},
    // A system's code that happens to share a named code's number is still
    // only a number.
    {"SystemCode2", InOutCode::System(2), "I/O error 2"},
    {"SystemCode5", InOutCode::System(5), "I/O error 5"},
    {"SystemCode100", InOutCode::System(100), "I/O error 100"},
    {"SystemCode101", InOutCode::System(101), "I/O error 101"},
    {"SystemCode106", InOutCode::System(106), "I/O error 106"},
};

class InOutErrorMessageTest : public ::testing::TestWithParam<InOutErrorCase> {};

TEST_P(InOutErrorMessageTest, NamesTheKnownCodesAndNumbersTheRest) {
  EInOutError failure(GetParam().code);
  EXPECT_EQ(failure.message(), GetParam().message);
  EXPECT_EQ(failure.code(), GetParam().code.value());
  EXPECT_STREQ(failure.class_name(), "EInOutError");
}

INSTANTIATE_TEST_SUITE_P(Codes, InOutErrorMessageTest, ::testing::ValuesIn(kInOutErrors),
                         CaseName());

TEST(FailureReportTest, HasTheTemplateAFullStopAndAnEmptyLastLine) {
  EXPECT_EQ(FailureReport(EInOutError(kFileNotFound), "pelorin", 0x1a2b, "\n"),
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
  EInOutError first(kFileNotFound);
  EInOutError second(kFileNotFound);
  EXPECT_NE(first.raise_site(), nullptr);
  EXPECT_NE(first.raise_site(), second.raise_site());
}

}  // namespace
}  // namespace pelorin
