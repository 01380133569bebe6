#include "platform/posix/posix_error.h"

#include <errno.h>
#include <gtest/gtest.h>

#include "platform/failure.h"
#include "testing/case_name.h"

namespace pelorin {
namespace {

using testing::CaseName;

struct ErrnoCase {
  const char* name;
  int error;
  InOutCode code;
};
void PrintTo(const ErrnoCase& c, std::ostream* os) { *os << c.name; }

const ErrnoCase kErrnoCases[] = {
    {"ENOENT", ENOENT, kFileNotFound},
    {"ENOTDIR", ENOTDIR, kInvalidFilename},
    {"EMFILE", EMFILE, kTooManyOpenFiles},
    {"ENFILE", ENFILE, kTooManyOpenFiles},
    {"EACCES", EACCES, kFileAccessDenied},
    {"EPERM", EPERM, kFileAccessDenied},
    {"ENOSPC", ENOSPC, kDiskFull},
    {"EIO", EIO, InOutCode::System(EIO)},
    {"EPIPE", EPIPE, InOutCode::System(EPIPE)},
    {"ELOOP", ELOOP, InOutCode::System(ELOOP)},
    // Numbers that the program uses for its own conditions.
    {"ENETDOWN", ENETDOWN, InOutCode::System(ENETDOWN)},
    {"ENETUNREACH", ENETUNREACH, InOutCode::System(ENETUNREACH)},
};

class InOutCodeForErrnoTest : public ::testing::TestWithParam<ErrnoCase> {};

TEST_P(InOutCodeForErrnoTest, MapsToTheCodesUsersKnow) {
  EXPECT_TRUE(InOutCodeForErrno(GetParam().error) == GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(Errors, InOutCodeForErrnoTest, ::testing::ValuesIn(kErrnoCases),
                         CaseName());

struct AbsolutePathCase {
  const char* name;
  const char* current_directory;
  const char* path;
  const char* absolute;
};
void PrintTo(const AbsolutePathCase& c, std::ostream* os) { *os << c.name; }

const AbsolutePathCase kAbsolutePathCases[] = {
    {"PlainName", "/home/ann", "tic.ici", "/home/ann/tic.ici"},
    {"DotFolder", "/home/ann", "./pics/tic.ici", "/home/ann/pics/tic.ici"},
    {"ParentFolder", "/home/ann", "../bob/tic.ici", "/home/bob/tic.ici"},
    {"ParentsPastTheRoot", "/home/ann", "a/../../../../tic.ici", "/tic.ici"},
    {"AbsoluteWithDoubleSlashAndDot", "/home/ann", "/srv//x/./tic.ici", "/srv/x/tic.ici"},
    {"InTheRoot", "/", "tic.ici", "/tic.ici"},
    {"BlankAndGreek", "/home/ann", "my pics/ελληνικά/tic.ici",
     "/home/ann/my pics/ελληνικά/tic.ici"},
    {"DotsBackslashAndColon", "/home/ann", "...\\:/tic.ici", "/home/ann/...\\:/tic.ici"},
};

class AbsolutePathTextTest : public ::testing::TestWithParam<AbsolutePathCase> {};

TEST_P(AbsolutePathTextTest, JoinsAndResolvesDotsAsText) {
  EXPECT_EQ(AbsolutePathText(GetParam().current_directory, GetParam().path), GetParam().absolute);
}

INSTANTIATE_TEST_SUITE_P(Paths, AbsolutePathTextTest, ::testing::ValuesIn(kAbsolutePathCases),
                         CaseName());

}  // namespace
}  // namespace pelorin
