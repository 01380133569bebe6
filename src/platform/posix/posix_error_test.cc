#include "platform/posix/posix_error.h"

#include <errno.h>
#include <gtest/gtest.h>

#include "platform/failure.h"

namespace pelorin {
namespace {

TEST(InOutCodeForErrnoTest, MapsToTheCodesUsersKnow) {
  struct Case {
    int error;
    InOutCode code;
  } cases[] = {
      {ENOENT, kFileNotFound},
      {ENOTDIR, kInvalidFilename},
      {EMFILE, kTooManyOpenFiles},
      {ENFILE, kTooManyOpenFiles},
      {EACCES, kFileAccessDenied},
      {EPERM, kFileAccessDenied},
      {ENOSPC, kDiskFull},
      {EIO, InOutCode::System(EIO)},
      {EPIPE, InOutCode::System(EPIPE)},
      {ELOOP, InOutCode::System(ELOOP)},
      // Numbers that the program uses for its own conditions.
      {ENETDOWN, InOutCode::System(ENETDOWN)},
      {ENETUNREACH, InOutCode::System(ENETUNREACH)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    EXPECT_EQ(InOutCodeForErrno(c.error), c.code);
  }
}

TEST(AbsolutePathTextTest, JoinsAndResolvesDotsAsText) {
  struct Case {
    const char* current_directory;
    const char* path;
    const char* absolute;
  } cases[] = {
      {"/home/ann", "tic.ici", "/home/ann/tic.ici"},
      {"/home/ann", "./pics/tic.ici", "/home/ann/pics/tic.ici"},
      {"/home/ann", "../bob/tic.ici", "/home/bob/tic.ici"},
      {"/home/ann", "a/../../../../tic.ici", "/tic.ici"},
      {"/home/ann", "/srv//x/./tic.ici", "/srv/x/tic.ici"},
      {"/", "tic.ici", "/tic.ici"},
      {"/home/ann", "my pics/ελληνικά/tic.ici", "/home/ann/my pics/ελληνικά/tic.ici"},
      {"/home/ann", "...\\:/tic.ici", "/home/ann/...\\:/tic.ici"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(AbsolutePathText(c.current_directory, c.path), c.absolute);
  }
}

}  // namespace
}  // namespace pelorin
