// Test helper: parameterized cases named by their `name` member, so that
// each case shows by name in the test's own name and can run alone
// (--gtest_filter='*/ItsName').
#ifndef PELORIN_TESTING_CASE_NAME_H_
#define PELORIN_TESTING_CASE_NAME_H_

#include <gtest/gtest.h>

#include <string>

namespace pelorin::testing {

// The name generator of INSTANTIATE_TEST_SUITE_P for cases with a `name`.
struct CaseName {
  template <class Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
    return info.param.name;
  }
};

}  // namespace pelorin::testing

#endif  // PELORIN_TESTING_CASE_NAME_H_
