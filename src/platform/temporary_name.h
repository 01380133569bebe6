// The one rule for naming the file that is written beside its target and
// takes the target's place once complete.
#ifndef PELORIN_PLATFORM_TEMPORARY_NAME_H_
#define PELORIN_PLATFORM_TEMPORARY_NAME_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace pelorin {

// The hidden name, in the target's own directory, under which the
// replacement for `target_name` (a bare file name such as "tic.ici") is
// written by process `process_id` at its `attempt`th try:
// ".tic.ici.4711-0.tmp". A name that a killed run left behind is passed over
// by trying the next attempt.
std::string TemporaryFileName(std::string_view target_name, uint64_t process_id, unsigned attempt);

// How many names a run tries before it gives up.
constexpr unsigned kTemporaryNameAttempts = 100;

}  // namespace pelorin

#endif  // PELORIN_PLATFORM_TEMPORARY_NAME_H_
