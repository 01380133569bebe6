#include "testing/tga_fixture.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

namespace pelorin::testing {

namespace {

void AppendLittle16(std::string& bytes, uint16_t value) {
  bytes += static_cast<char>(value & 0xFF);
  bytes += static_cast<char>(value >> 8);
}

}  // namespace

std::string MakeTga(uint16_t width, uint16_t height, const std::string& pixels) {
  TgaFields fields;
  fields.width = width;
  fields.height = height;
  return MakeTgaFile(fields, "", pixels);
}

std::string MakeRandomTga(uint16_t width, uint16_t height, uint32_t seed) {
  return MakeTga(width, height, RandomBytes(4ull * width * height, seed));
}

TgaFields VariantFields(uint8_t image_type, uint8_t depth, uint16_t width, uint16_t height) {
  TgaFields fields;
  fields.image_type = image_type;
  fields.depth = depth;
  fields.width = width;
  fields.height = height;
  return fields;
}

TgaFields MappedFields(uint16_t width, uint16_t height, uint16_t map_length, uint8_t entry_bits) {
  TgaFields fields = VariantFields(1, 8, width, height);
  fields.map_type = 1;
  fields.map_length = map_length;
  fields.entry_bits = entry_bits;
  return fields;
}

std::string MakeTgaFile(const TgaFields& fields, const std::string& colour_map,
                        const std::string& pixel_data) {
  std::string file;
  file += static_cast<char>(fields.id.size());
  file += static_cast<char>(fields.map_type);
  file += static_cast<char>(fields.image_type);
  AppendLittle16(file, fields.map_first);
  AppendLittle16(file, fields.map_length);
  file += static_cast<char>(fields.entry_bits);
  AppendLittle16(file, 0);  // x origin
  AppendLittle16(file, 0);  // y origin
  AppendLittle16(file, fields.width);
  AppendLittle16(file, fields.height);
  file += static_cast<char>(fields.depth);
  file += static_cast<char>(fields.descriptor);
  return file + fields.id + colour_map + pixel_data;
}

std::string RunLengthPackets(const std::string& stored, size_t pixel_bytes) {
  const size_t count = stored.size() / pixel_bytes;
  auto value = [&](size_t i) { return stored.substr(i * pixel_bytes, pixel_bytes); };
  std::string packets;
  size_t i = 0;
  while (i < count) {
    size_t run = 1;
    while (i + run < count && run < 128 && value(i + run) == value(i)) ++run;
    if (run > 1) {
      packets += static_cast<char>(0x80 | (run - 1));
      packets += value(i);
      i += run;
      continue;
    }
    size_t raw = 1;
    while (i + raw < count && raw < 128 &&
           !(i + raw + 1 < count && value(i + raw) == value(i + raw + 1)))
      ++raw;
    packets += static_cast<char>(raw - 1);
    packets += stored.substr(i * pixel_bytes, raw * pixel_bytes);
    i += raw;
  }
  return packets;
}

void WriteSparseTga(const std::string& path, uint16_t width, uint16_t height) {
  const std::string header = MakeTga(width, height, "");
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(header.data(), static_cast<std::streamsize>(header.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
  }
  std::filesystem::resize_file(path, header.size() + uint64_t{4} * width * height);
}

std::string RandomBytes(size_t count, uint32_t seed) {
  std::mt19937 random(seed);
  std::string bytes(count, '\0');
  for (char& byte : bytes) byte = static_cast<char>(random());
  return bytes;
}

}  // namespace pelorin::testing
