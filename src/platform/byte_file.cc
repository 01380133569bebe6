#include "platform/byte_file.h"

#include "platform/failure.h"

namespace pelorin {

// A sink that writes only in order has no way to honour an offset.
void ByteSink::WriteAt(uint64_t /*offset*/, const uint8_t* /*bytes*/, size_t /*count*/) {
  throw EWriteError();
}

}  // namespace pelorin
