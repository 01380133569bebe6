// The console dialogue of one run: the usage screen or a conversion, the
// wait for Enter, and the one place where failures are reported.
#ifndef PELORIN_APP_DRIVER_H_
#define PELORIN_APP_DRIVER_H_

#include <optional>
#include <string>

#include "platform/console.h"

namespace pelorin {

// Runs Pelorin for `source_path`, or shows the usage screen when there is
// none, and returns the exit status: 0 when done, 1 after a failure, which
// has then been reported on the console's error stream.
int RunPelorin(const std::optional<std::string>& source_path, Console& console);

}  // namespace pelorin

#endif  // PELORIN_APP_DRIVER_H_
