#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include "platform/console.h"
#include "platform/failure.h"
#include "platform/win32/console_window.h"
#include "platform/win32/line_wait.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_error.h"

namespace pelorin {

namespace {

// A process may be started without a standard stream: GetStdHandle() then
// gives NULL, or INVALID_HANDLE_VALUE, which also stands for the process
// itself to some calls.
bool IsMissing(HANDLE handle) { return handle == nullptr || handle == INVALID_HANDLE_VALUE; }

bool IsConsole(HANDLE handle) {
  DWORD mode;
  return !IsMissing(handle) && GetConsoleMode(handle, &mode) != 0;
}

// A console takes UTF-16 and shows every letter whatever its code page;
// a file or pipe gets UTF-8. Returns 0 or the Windows error; a missing
// stream fails as an invalid handle, since nothing would see the text.
DWORD WriteText(HANDLE handle, bool is_console, const std::string& text) {
  if (text.empty()) return 0;
  if (IsMissing(handle)) return ERROR_INVALID_HANDLE;
  if (is_console) {
    std::wstring wide = WideFromUtf8(text);
    size_t done = 0;
    while (done < wide.size()) {
      DWORD written = 0;
      DWORD piece = static_cast<DWORD>(std::min<size_t>(wide.size() - done, 1u << 14));
      if (!WriteConsoleW(handle, wide.data() + done, piece, &written, nullptr))
        return GetLastError();
      if (written == 0) return ERROR_WRITE_FAULT;
      done += written;
    }
    return 0;
  }
  size_t done = 0;
  while (done < text.size()) {
    DWORD written = 0;
    DWORD piece = static_cast<DWORD>(std::min<size_t>(text.size() - done, 1u << 30));
    if (!WriteFile(handle, text.data() + done, piece, &written, nullptr)) return GetLastError();
    if (written == 0) return ERROR_WRITE_FAULT;
    done += written;
  }
  return 0;
}

class Win32Console : public Console {
 public:
  Win32Console()
      : output_(GetStdHandle(STD_OUTPUT_HANDLE)),
        error_(GetStdHandle(STD_ERROR_HANDLE)),
        output_is_console_(IsConsole(output_)),
        error_is_console_(IsConsole(error_)),
        // Without standard output the first line fails at once, before any
        // file is touched, rather than the buffer at the end.
        write_each_line_(output_is_console_ || IsMissing(output_)) {}

  void WriteLine(const std::string& text) override {
    pending_ += text;
    pending_ += "\r\n";
    if (write_each_line_) Flush();
  }

  void Flush() override {
    std::string text;
    text.swap(pending_);
    if (DWORD error = WriteText(output_, output_is_console_, text))
      throw EInOutError(InOutCodeForWindowsError(error));
  }

  void WaitForEnter() override {
    Flush();
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    // A process started without standard input has nothing to wait for.
    if (IsMissing(input)) return;
    DWORD mode;
    if (GetConsoleMode(input, &mode))
      WaitOnConsole(input, (mode & ENABLE_LINE_INPUT) != 0);
    else
      WaitOnStream(input);
  }

  void WriteError(const std::string& text) override { WriteText(error_, error_is_console_, text); }

  bool WaitsAfterFailure() override {
    DWORD processes[2];
    ConsoleAttachment console;
    console.processes = GetConsoleProcessList(processes, 2);
    console.input_is_console = IsConsole(GetStdHandle(STD_INPUT_HANDLE));
    console.output_is_console = output_is_console_;
    console.error_is_console = error_is_console_;
    return FailureWaitsForEnter(console);
  }

  const char* LineBreak() const override { return "\r\n"; }

 private:
  // In line mode the console hands out a line only once Enter is pressed,
  // ending it with CR LF; otherwise Enter comes as a lone CR.
  static void WaitOnConsole(HANDLE input, bool line_mode) {
    const wchar_t end = line_mode ? L'\n' : L'\r';
    wchar_t typed[256];
    for (;;) {
      DWORD got = 0;
      if (!ReadConsoleW(input, typed, 256, &got, nullptr))
        throw EInOutError(InOutCodeForWindowsError(GetLastError()));
      if (got == 0 || std::wmemchr(typed, end, got) != nullptr) return;
    }
  }

  static void WaitOnStream(HANDLE input) {
    DWORD error = DiscardThroughLineFeed([input](char* into, DWORD size, DWORD& got) -> DWORD {
      return ReadFile(input, into, size, &got, nullptr) ? ERROR_SUCCESS : GetLastError();
    });
    if (error != ERROR_SUCCESS) throw EInOutError(InOutCodeForWindowsError(error));
  }

  HANDLE output_;
  HANDLE error_;
  bool output_is_console_;
  bool error_is_console_;
  bool write_each_line_;
  std::string pending_;
};

}  // namespace

std::unique_ptr<Console> OpenStandardConsole() { return std::make_unique<Win32Console>(); }

}  // namespace pelorin
