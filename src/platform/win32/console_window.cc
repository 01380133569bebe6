#include "platform/win32/console_window.h"

namespace pelorin {

bool FailureWaitsForEnter(const ConsoleAttachment& console) {
  return console.processes == 1 && console.input_is_console && console.output_is_console &&
         console.error_is_console;
}

}  // namespace pelorin
