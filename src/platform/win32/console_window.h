// Whether the console window is Pelorin's own.
//
// A file dropped onto pelorin.exe in Explorer starts it in a console window
// made for it alone, which closes the moment the program ends: a failure
// report there would be gone before anyone could read it. Started from
// cmd.exe, PowerShell or a script, the window stays with its shell; started
// with redirected streams, the caller reads what it gets.
#ifndef PELORIN_PLATFORM_WIN32_CONSOLE_WINDOW_H_
#define PELORIN_PLATFORM_WIN32_CONSOLE_WINDOW_H_

namespace pelorin {

struct ConsoleAttachment {
  // How many processes share the console, as GetConsoleProcessList()
  // counts them (this one included); 0 without a console.
  unsigned long processes = 0;
  // Whether each standard stream is the console itself.
  bool input_is_console = false;
  bool output_is_console = false;
  bool error_is_console = false;
};

// Whether a failure report is to be followed by the wait for Enter: only
// when the console belongs to this process alone and all three standard
// streams are in it.
bool FailureWaitsForEnter(const ConsoleAttachment& console);

}  // namespace pelorin

#endif  // PELORIN_PLATFORM_WIN32_CONSOLE_WINDOW_H_
