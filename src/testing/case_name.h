// Test helper: parameterized cases named by their `name` member, so that
// each case shows by name in the test's own name and can run alone
// (--gtest_filter='*/ItsName').
#ifndef PELORIN_TESTING_CASE_NAME_H_
#define PELORIN_TESTING_CASE_NAME_H_

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace pelorin::testing {

// The name generator of INSTANTIATE_TEST_SUITE_P for cases with a `name`,
// and for ::testing::Combine() of such cases, whose names it joins.
struct CaseName {
  template <class Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
    return info.param.name;
  }

  template <class... Cases>
  std::string operator()(const ::testing::TestParamInfo<std::tuple<Cases...>>& info) const {
    return std::apply([](const Cases&... cases) { return (std::string(cases.name) + ...); },
                      info.param);
  }
};

}  // namespace pelorin::testing

#endif  // PELORIN_TESTING_CASE_NAME_H_
