#include "platform/byte_file.h"

#include "platform/failure.h"

namespace pelorin {

// A sink that writes only in order has no way to honour an offset.
void ByteSink::WriteAt(uint64_t, const uint8_t*, size_t) { throw EWriteError(); }

}  // namespace pelorin
