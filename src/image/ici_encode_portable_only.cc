// The encoder paths on an architecture without vector implementations.
#include "image/ici_encode.h"

namespace pelorin {

EncoderPathList AllEncoderPaths() {
  static const EncoderPath kPaths[] = {
      {"portable", EncodePixelsPortable, EncodeBgrPortable, [] { return true; }},
  };
  return EncoderPathList{kPaths, sizeof kPaths / sizeof kPaths[0]};
}

}  // namespace pelorin
