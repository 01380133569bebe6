#include "platform/path.h"

namespace pelorin {

std::string_view PathSeparators() { return "/"; }

}  // namespace pelorin
