#include "platform/failure.h"

#include <gtest/gtest.h>

namespace pelorin {
namespace {

TEST(InOutErrorMessageTest, NamesTheKnownCodesAndNumbersTheRest) {
  struct Case {
    InOutCode code;
    const char* message;
  } cases[] = {
      {kFileNotFound, "File not found"},
      {kInvalidFilename, "Invalid filename"},
      {kTooManyOpenFiles, "Too many open files"},
      {kFileAccessDenied, "File access denied"},
      {kReadBeyondEndOfFile, "Read beyond end of file"},
      {kDiskFull, "Disk full"},
      {kInvalidNumericInput, "Invalid numeric input"},
      {InOutCode::System(32), "I/O error 32"},
      {InOutCode::System(1), "I/O error 1"},
      {InOutCode::System(-7), "I/O error -7"},
      // A system's code that happens to share a named code's number is
      // still only a number.
      {InOutCode::System(2), "I/O error 2"},
      {InOutCode::System(5), "I/O error 5"},
      {InOutCode::System(100), "I/O error 100"},
      {InOutCode::System(101), "I/O error 101"},
      {InOutCode::System(106), "I/O error 106"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    EInOutError failure(c.code);
    EXPECT_EQ(failure.message(), c.message);
    EXPECT_EQ(failure.code(), c.code.value());
    EXPECT_STREQ(failure.class_name(), "EInOutError");
  }
}

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

TEST(EFCreateErrorTest, TrimsBlanksLineBreaksAndFullStopsFromTheReason) {
  struct Case {
    const char* reason;
    const char* tail;
  } cases[] = {
      {"Access is denied.  \r\n", ". Access is denied"},
      {"Is a directory", ". Is a directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reason);
    EXPECT_EQ(EFCreateError("C:\\tic.ici", c.reason).message(),
              std::string("Cannot create file \"C:\\tic.ici\"") + c.tail);
  }
}

TEST(FailureTest, RecordsWhereItWasRaised) {
  EInOutError first(kFileNotFound);
  EInOutError second(kFileNotFound);
  EXPECT_NE(first.raise_site(), nullptr);
  EXPECT_NE(first.raise_site(), second.raise_site());
}

}  // namespace
}  // namespace pelorin
