#include "image/tga_pixels.h"

#include <algorithm>

#include "platform/failure.h"

namespace pelorin {

namespace {

uint8_t WidenFive(unsigned channel) { return static_cast<uint8_t>(channel << 3 | channel >> 2); }

void WidenRgb15(const uint8_t* stored, size_t count, uint8_t* bgra) {
  for (size_t i = 0; i < count; ++i, stored += 2, bgra += 4) {
    unsigned word = stored[0] | stored[1] << 8;
    bgra[0] = WidenFive(word & 0x1F);
    bgra[1] = WidenFive(word >> 5 & 0x1F);
    bgra[2] = WidenFive(word >> 10 & 0x1F);
    bgra[3] = 0xFF;
  }
}

void WidenGrey8(const uint8_t* stored, size_t count, uint8_t* bgra) {
  for (size_t i = 0; i < count; ++i, bgra += 4) {
    bgra[0] = bgra[1] = bgra[2] = stored[i];
    bgra[3] = 0xFF;
  }
}

void WidenGreyAlpha16(const uint8_t* stored, size_t count, uint8_t* bgra) {
  for (size_t i = 0; i < count; ++i, stored += 2, bgra += 4) {
    bgra[0] = bgra[1] = bgra[2] = stored[0];
    bgra[3] = stored[1];
  }
}

void LookUpIndices(const ColourTable& table, const uint8_t* stored, size_t count, uint8_t* bgra) {
  for (size_t i = 0; i < count; ++i, bgra += 4) {
    const uint8_t index = stored[i];
    if (!table.present[index]) throw EInOutError(kReadBeyondEndOfFile);
    std::copy_n(table.bgra[index], 4, bgra);
  }
}

}  // namespace

uint32_t ReachableEntries(const TgaColourMap& map) {
  if (map.first_index > 255) return 0;
  return std::min<uint32_t>(map.length, 256u - map.first_index);
}

ColourTable MakeColourTable(const TgaColourMap& map, const uint8_t* entries) {
  ColourTable table = {};
  const uint32_t reachable = ReachableEntries(map);
  if (reachable == 0) return table;
  // Entries widen by the same rules as pixels of their size; the table's
  // rows lie back to back, so they widen in one go.
  WidenToBgra(map.entry_kind, entries, reachable, table.bgra[map.first_index], nullptr);
  std::fill_n(table.present + map.first_index, reachable, true);
  return table;
}

void WidenToBgra(TgaPixelKind kind, const uint8_t* stored, size_t count, uint8_t* bgra,
                 const ColourTable* table) {
  switch (kind) {
    case TgaPixelKind::kBgra32:
      std::copy_n(stored, 4 * count, bgra);
      break;
    case TgaPixelKind::kBgr24:
      WidenBgrPortable(stored, count, bgra);
      break;
    case TgaPixelKind::kRgb15:
      WidenRgb15(stored, count, bgra);
      break;
    case TgaPixelKind::kGrey8:
      WidenGrey8(stored, count, bgra);
      break;
    case TgaPixelKind::kGreyAlpha16:
      WidenGreyAlpha16(stored, count, bgra);
      break;
    case TgaPixelKind::kIndex8:
      LookUpIndices(*table, stored, count, bgra);
      break;
  }
}

}  // namespace pelorin
