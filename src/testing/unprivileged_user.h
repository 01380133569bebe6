// Test helper: the built program run as user nobody, for tests of rights
// and ownership, which mean little to root.
#ifndef PELORIN_TESTING_UNPRIVILEGED_USER_H_
#define PELORIN_TESTING_UNPRIVILEGED_USER_H_

#include <sys/types.h>

#include <string>

#include "testing/temp_dir.h"

namespace pelorin::testing {

// User and group "nobody".
constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;

// What a child exits with when it cannot become nobody.
constexpr int kCannotBecomeNobody = 125;

// A copy of a program in a directory that user nobody may enter, since the
// build tree may lie where only its owner can reach it. Needs root.
class ProgramForNobody {
 public:
  explicit ProgramForNobody(const std::string& program);
  const std::string& path() const { return path_; }

 private:
  TempDir dir_;
  std::string path_;
};

// For RunOptions::before_exec: the child gives up root and every group and
// becomes nobody, or exits with kCannotBecomeNobody.
void BecomeNobody();

}  // namespace pelorin::testing

#endif  // PELORIN_TESTING_UNPRIVILEGED_USER_H_
