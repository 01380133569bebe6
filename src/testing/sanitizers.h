// Whether the tests were built with AddressSanitizer, whose runtime
// reserves far more address space than a small RLIMIT_AS allows: tests that
// set one skip under it.
#ifndef PELORIN_TESTING_SANITIZERS_H_
#define PELORIN_TESTING_SANITIZERS_H_

#if defined(__SANITIZE_ADDRESS__)
#define PELORIN_UNDER_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PELORIN_UNDER_ADDRESS_SANITIZER 1
#endif
#endif

#endif  // PELORIN_TESTING_SANITIZERS_H_
