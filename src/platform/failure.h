// Failures: the one way an error leaves the place where it happened.
//
// Every error in Pelorin is raised as one of the classes below and travels,
// unhandled, up to the driver, which reports it once and ends the run with
// status 1. Nothing in between catches, retries or cleans up, except that
// destructors release files (and remove an unfinished output file).
//
// The class names appear verbatim in the report, so they keep the names
// users and their scripts already know: EInOutError, EFCreateError,
// EWriteError and EOutOfMemory.
#ifndef PELORIN_PLATFORM_FAILURE_H_
#define PELORIN_PLATFORM_FAILURE_H_

#include <string>

namespace pelorin {

class Failure {
 public:
  virtual ~Failure() = default;

  const char* class_name() const { return class_name_; }
  const std::string& message() const { return message_; }
  // The code address at which the failure was raised.
  const void* raise_site() const { return raise_site_; }

 protected:
  Failure(const char* class_name, std::string message, const void* raise_site);

 private:
  const char* class_name_;
  std::string message_;
  const void* raise_site_;
};

// The I/O failures that have a name of their own. 2 to 5 are what the
// operating system reports for them (each platform maps its own errors onto
// these); 100, 101 and 106 are the program's own conditions.
enum NamedInOutCode : int {
  kFileNotFound = 2,
  kInvalidFilename = 3,
  kTooManyOpenFiles = 4,
  kFileAccessDenied = 5,
  kReadBeyondEndOfFile = 100,
  kDiskFull = 101,
  kInvalidNumericInput = 106,
};

// The code of an I/O failure: a named one, or any other operating-system
// error, whose message is "I/O error <code>" whatever its number. An errno
// or Windows error that happens to be 100 is thus never taken for "Read
// beyond end of file".
class InOutCode {
 public:
  constexpr InOutCode(NamedInOutCode code) : value_(code), named_(true) {}  // NOLINT: implicit
  static constexpr InOutCode System(int code) { return {code, false}; }

  constexpr int value() const { return value_; }
  constexpr bool named() const { return named_; }

 private:
  constexpr InOutCode(int value, bool named) : value_(value), named_(named) {}

  int value_;
  bool named_;
};

constexpr bool operator==(InOutCode a, InOutCode b) {
  return a.value() == b.value() && a.named() == b.named();
}

// A file or console operation failed.
class EInOutError : public Failure {
 public:
  explicit EInOutError(InOutCode code);
  int code() const { return code_; }

 private:
  int code_;
};

// The output file could not be created. `reason` is the operating system's
// text for the error.
class EFCreateError : public Failure {
 public:
  EFCreateError(const std::string& absolute_path, const std::string& reason);
};

// The output data could not be written in full.
class EWriteError : public Failure {
 public:
  EWriteError();
};

class EOutOfMemory : public Failure {
 public:
  EOutOfMemory();
};

// The message of an I/O failure with this code, e.g. "File not found".
std::string InOutErrorMessage(InOutCode code);

// The report the driver writes to standard error, lines ended by
// `line_break`: "Exception <class> in module <module> at <location>.",
// the message with a full stop, and an empty line.
std::string FailureReport(const Failure& failure, const std::string& module_name,
                          unsigned long long code_location, const char* line_break);

}  // namespace pelorin

#endif  // PELORIN_PLATFORM_FAILURE_H_
