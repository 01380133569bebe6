#include "testing/win32/launched_program.h"

#include <stdexcept>
#include <vector>

#include "platform/win32/wide_text.h"

namespace pelorin::testing {

namespace {

// A pipe whose `child_end` the child inherits and whose other end stays
// with the test alone, so that closing it really ends the child's input.
void MakePipe(HANDLE& read_end, HANDLE& write_end, bool child_reads) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  if (!CreatePipe(&read_end, &write_end, &inherit, 0))
    throw std::runtime_error("CreatePipe failed");
  SetHandleInformation(child_reads ? write_end : read_end, HANDLE_FLAG_INHERIT, 0);
}

void ReadAll(HANDLE pipe, std::string* into, CRITICAL_SECTION* lock) {
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    EnterCriticalSection(lock);
    into->append(buffer, got);
    LeaveCriticalSection(lock);
  }
}

}  // namespace

LaunchedProgram::LaunchedProgram(const std::string& program, const std::string& command_line,
                                 const LaunchOptions& options) {
  InitializeCriticalSection(&output_lock_);
  HANDLE child_input = nullptr, child_output = nullptr, child_error = nullptr;
  if (options.input_file.empty()) {
    MakePipe(child_input, input_, true);
  } else {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    child_input = CreateFileW(WideFromUtf8(options.input_file).c_str(), GENERIC_READ,
                              FILE_SHARE_READ, &inherit, OPEN_EXISTING, 0, nullptr);
    if (child_input == INVALID_HANDLE_VALUE)
      throw std::runtime_error("cannot open " + options.input_file);
  }
  switch (options.output) {
    case LaunchOptions::Output::kPipe:
      MakePipe(output_, child_output, false);
      break;
    case LaunchOptions::Output::kPipeWithoutReader: {
      HANDLE read_end = nullptr;
      MakePipe(read_end, child_output, false);
      CloseHandle(read_end);
      break;
    }
    case LaunchOptions::Output::kNullHandle:
      child_output = nullptr;
      break;
    case LaunchOptions::Output::kInvalidHandle:
      child_output = INVALID_HANDLE_VALUE;
      break;
  }
  if (options.merge_error_into_output) {
    DuplicateHandle(GetCurrentProcess(), child_output, GetCurrentProcess(), &child_error, 0, TRUE,
                    DUPLICATE_SAME_ACCESS);
  } else {
    MakePipe(error_, child_error, false);
  }

  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = child_input;
  startup.hStdOutput = child_output;
  startup.hStdError = child_error;
  PROCESS_INFORMATION started = {};
  std::wstring wide_program = WideFromUtf8(program);
  std::wstring line = WideFromUtf8(command_line);
  std::vector<wchar_t> writable_line(line.begin(), line.end());
  writable_line.push_back(L'\0');
  std::wstring directory = WideFromUtf8(options.working_directory);
  DWORD flags = CREATE_UNICODE_ENVIRONMENT | options.creation_flags;
  BOOL ok =
      CreateProcessW(wide_program.c_str(), writable_line.data(), nullptr, nullptr, TRUE, flags,
                     nullptr, directory.empty() ? nullptr : directory.c_str(), &startup, &started);
  DWORD error = GetLastError();
  CloseHandle(child_input);
  if (child_output != nullptr && child_output != INVALID_HANDLE_VALUE) CloseHandle(child_output);
  CloseHandle(child_error);
  if (!ok)
    throw std::runtime_error("CreateProcessW failed for " + program + ", error " +
                             std::to_string(error));
  CloseHandle(started.hThread);
  process_ = started.hProcess;
  process_id_ = started.dwProcessId;
  if (output_) output_reader_ = std::thread(ReadAll, output_, &out_, &output_lock_);
  if (error_) error_reader_ = std::thread(ReadAll, error_, &err_, &output_lock_);
}

LaunchedProgram::~LaunchedProgram() {
  if (process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_, 255);
  }
  if (process_) WaitForSingleObject(process_, INFINITE);
  CloseInput();
  if (output_reader_.joinable()) output_reader_.join();
  if (error_reader_.joinable()) error_reader_.join();
  if (output_) CloseHandle(output_);
  if (error_) CloseHandle(error_);
  if (process_) CloseHandle(process_);
  DeleteCriticalSection(&output_lock_);
}

void LaunchedProgram::WriteInput(const std::string& bytes) {
  DWORD written = 0;
  if (!input_ ||
      !WriteFile(input_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size())
    throw std::runtime_error("cannot write the program's input");
}

void LaunchedProgram::CloseInput() {
  if (input_) CloseHandle(input_);
  input_ = nullptr;
}

bool LaunchedProgram::EndsWithin(unsigned milliseconds) {
  return WaitForSingleObject(process_, milliseconds) == WAIT_OBJECT_0;
}

std::string LaunchedProgram::OutputSoFar() {
  EnterCriticalSection(&output_lock_);
  std::string copy = out_;
  LeaveCriticalSection(&output_lock_);
  return copy;
}

RunResult LaunchedProgram::Finish() {
  CloseInput();
  // A hung program fails its test instead of stalling the suite.
  if (WaitForSingleObject(process_, 60000) != WAIT_OBJECT_0) {
    TerminateProcess(process_, 255);
    WaitForSingleObject(process_, INFINITE);
  }
  if (output_reader_.joinable()) output_reader_.join();
  if (error_reader_.joinable()) error_reader_.join();
  DWORD status = 0;
  GetExitCodeProcess(process_, &status);
  RunResult result;
  result.exit_status = static_cast<int>(status);
  result.out = out_;
  result.err = err_;
  return result;
}

RunResult RunCommandLine(const std::string& program, const std::string& command_line,
                         const std::string& input, const LaunchOptions& options) {
  LaunchedProgram launched(program, command_line, options);
  if (!input.empty() && options.input_file.empty()) launched.WriteInput(input);
  return launched.Finish();
}

}  // namespace pelorin::testing
