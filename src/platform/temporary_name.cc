#include "platform/temporary_name.h"

namespace pelorin {

std::string TemporaryFileName(std::string_view target_name, uint64_t process_id, unsigned attempt) {
  std::string name = ".";
  name.append(target_name);
  name += '.';
  name += std::to_string(process_id);
  name += '-';
  name += std::to_string(attempt);
  name += ".tmp";
  return name;
}

}  // namespace pelorin
