#include "platform/temporary_name.h"

#include <gtest/gtest.h>

namespace pelorin {
namespace {

TEST(TemporaryFileNameTest, IsHiddenAndNamesTargetProcessAndAttempt) {
  EXPECT_EQ(TemporaryFileName("tic.ici", 4711, 0), ".tic.ici.4711-0.tmp");
  EXPECT_EQ(TemporaryFileName("tic.ici", 18446744073709551615ull, 99),
            ".tic.ici.18446744073709551615-99.tmp");
  EXPECT_NE(TemporaryFileName("tic.ici", 1, 0), TemporaryFileName("tic.ici", 1, 1));
  EXPECT_NE(TemporaryFileName("tic.ici", 1, 0), TemporaryFileName("tic.ici", 2, 0));
}

}  // namespace
}  // namespace pelorin
