#include "testing/unprivileged_user.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include "testing/file_bytes.h"

namespace pelorin::testing {

ProgramForNobody::ProgramForNobody(const std::string& program) : path_(dir_ / "pelorin") {
  chmod(dir_.path().c_str(), 0755);
  WriteFileBytes(path_, ReadFileBytes(program));
  chmod(path_.c_str(), 0755);
}

void BecomeNobody() {
  if (setgroups(0, nullptr) != 0 || setgid(kNogroup) != 0 || setuid(kNobody) != 0)
    _exit(kCannotBecomeNobody);
}

}  // namespace pelorin::testing
