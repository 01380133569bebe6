#include "platform/path.h"

namespace pelorin {

// '/' too: the file API takes it, and users type it.
std::string_view PathSeparators() { return "\\/:"; }

}  // namespace pelorin
