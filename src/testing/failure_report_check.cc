#include "testing/failure_report_check.h"

#include <algorithm>
#include <string_view>

namespace pelorin::testing {

namespace {

constexpr size_t kLocationDigits = 8;

// Not isxdigit(), which would also take lower case, and a locale.
bool IsUpperHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

bool AllUpperHexDigits(std::string_view text) {
  return std::all_of(text.begin(), text.end(), IsUpperHexDigit);
}

}  // namespace

::testing::AssertionResult IsFailureReport(const std::string& text, const std::string& module,
                                           const std::string& line_break,
                                           const std::string& class_name,
                                           const std::string& message) {
  const std::string head = "Exception " + class_name + " in module " + module + " at ";
  const std::string tail = "." + line_break + message + "." + line_break + line_break;
  if (text.size() == head.size() + kLocationDigits + tail.size() &&
      text.compare(0, head.size(), head) == 0 &&
      AllUpperHexDigits(std::string_view(text).substr(head.size(), kLocationDigits)) &&
      text.compare(head.size() + kLocationDigits, std::string::npos, tail) == 0)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "the report\n  " << ::testing::PrintToString(text) << "\nis not\n  "
         << ::testing::PrintToString(head + std::string(kLocationDigits, 'X') + tail)
         << "\nwhere X is an upper-case hex digit";
}

::testing::AssertionResult IsProgramFailureReport(const std::string& text,
                                                  const std::string& class_name,
                                                  const std::string& message) {
#ifdef _WIN32
  return IsFailureReport(text, "pelorin.exe", "\r\n", class_name, message);
#else
  return IsFailureReport(text, "pelorin", "\n", class_name, message);
#endif
}

}  // namespace pelorin::testing
