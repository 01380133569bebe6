// Test helper: the one check of the report Pelorin writes when it fails,
// for the driver's tests and the built program's alike.
#ifndef PELORIN_TESTING_FAILURE_REPORT_CHECK_H_
#define PELORIN_TESTING_FAILURE_REPORT_CHECK_H_

#include <gtest/gtest.h>

#include <string>

namespace pelorin::testing {

// Whether `text` is exactly the report of a `class_name` failure with
// `message` (given without its full stop) from the program `module`, whose
// lines end with `line_break`:
//   "Exception <class> in module <module> at <location>." line break,
//   message "." line break, line break, and nothing more.
// The location is the program's to choose, so only its form is checked:
// eight upper-case hex digits.
::testing::AssertionResult IsFailureReport(const std::string& text, const std::string& module,
                                           const std::string& line_break,
                                           const std::string& class_name,
                                           const std::string& message);

// The same for the built program: "pelorin" with "\n" on POSIX systems,
// "pelorin.exe" with "\r\n" on Windows.
::testing::AssertionResult IsProgramFailureReport(const std::string& text,
                                                  const std::string& class_name,
                                                  const std::string& message);

}  // namespace pelorin::testing

#endif  // PELORIN_TESTING_FAILURE_REPORT_CHECK_H_
