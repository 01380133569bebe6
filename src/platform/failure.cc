#include "platform/failure.h"

#include <cstdio>
#include <utility>

namespace pelorin {

// Each constructor is out of line and never inlined, so that its return
// address is the code that raised the failure.
#define PELORIN_RAISE_SITE __builtin_return_address(0)
#define PELORIN_NOINLINE __attribute__((noinline))

Failure::Failure(const char* class_name, std::string message, const void* raise_site)
    : class_name_(class_name), message_(std::move(message)), raise_site_(raise_site) {}

PELORIN_NOINLINE EInOutError::EInOutError(InOutCode code)
    : Failure("EInOutError", InOutErrorMessage(code), PELORIN_RAISE_SITE), code_(code.value()) {}

namespace {

// The operating system's texts end in a full stop or a line break on some
// systems; the message supplies its own punctuation.
std::string TrimReason(std::string reason) {
  while (!reason.empty()) {
    char last = reason.back();
    if (last != ' ' && last != '\t' && last != '\r' && last != '\n' && last != '.') break;
    reason.pop_back();
  }
  return reason;
}

}  // namespace

PELORIN_NOINLINE EFCreateError::EFCreateError(const std::string& absolute_path,
                                              const std::string& reason)
    : Failure("EFCreateError",
              "Cannot create file \"" + absolute_path + "\". " + TrimReason(reason),
              PELORIN_RAISE_SITE) {}

PELORIN_NOINLINE EWriteError::EWriteError()
    : Failure("EWriteError", "Stream write error", PELORIN_RAISE_SITE) {}

PELORIN_NOINLINE EOutOfMemory::EOutOfMemory()
    : Failure("EOutOfMemory", "Out of memory", PELORIN_RAISE_SITE) {}

std::string InOutErrorMessage(InOutCode code) {
  if (!code.named()) return "I/O error " + std::to_string(code.value());
  switch (code.value()) {
    case kFileNotFound:
      return "File not found";
    case kInvalidFilename:
      return "Invalid filename";
    case kTooManyOpenFiles:
      return "Too many open files";
    case kFileAccessDenied:
      return "File access denied";
    case kReadBeyondEndOfFile:
      return "Read beyond end of file";
    case kDiskFull:
      return "Disk full";
    case kInvalidNumericInput:
      return "Invalid numeric input";
    default:
      return "I/O error " + std::to_string(code.value());
  }
}

std::string FailureReport(const Failure& failure, const std::string& module_name,
                          unsigned long long code_location, const char* line_break) {
  char location[9];
  std::snprintf(location, sizeof location, "%08llX", code_location & 0xFFFFFFFFull);
  std::string message = failure.message();
  if (!message.empty() && message.back() != '.') message += '.';
  return std::string("Exception ") + failure.class_name() + " in module " + module_name + " at " +
         location + "." + line_break + message + line_break + line_break;
}

}  // namespace pelorin
