// Stored TGA pixels widened to 8-bit blue, green, red and alpha, the form
// the ICI encoder takes. The rules are stated in tga_format.h.
#ifndef PELORIN_IMAGE_TGA_PIXELS_H_
#define PELORIN_IMAGE_TGA_PIXELS_H_

#include <cstddef>
#include <cstdint>

#include "image/ici_encode.h"
#include "image/tga_format.h"

namespace pelorin {

// A colour map as the 8-bit indices of a colour-mapped file see it: the
// widened entry for every index 0 to 255 that picks one.
struct ColourTable {
  uint8_t bgra[256][4];
  bool present[256];
};

// The indices 0 to 255 that pick an entry of `map`, counted from its first
// entry: the entries of a colour table, the rest of the map being out of
// an 8-bit index's reach.
uint32_t ReachableEntries(const TgaColourMap& map);

// The table for `map`, whose first ReachableEntries(map) entries are stored
// at `entries`.
ColourTable MakeColourTable(const TgaColourMap& map, const uint8_t* entries);

// Widens `count` pixels of `kind` from `stored` into `bgra` (4 bytes each).
// `table` is needed for kIndex8, and an index that picks no entry raises
// EInOutError "Read beyond end of file". (24-bit pixels have encoders of
// their own, which widen in registers; this is the plain way.)
void WidenToBgra(TgaPixelKind kind, const uint8_t* stored, size_t count, uint8_t* bgra,
                 const ColourTable* table);

}  // namespace pelorin

#endif  // PELORIN_IMAGE_TGA_PIXELS_H_
