// Test helpers for running the built pelorin.exe on Windows.
#ifndef PELORIN_TESTING_WIN32_PELORIN_EXE_H_
#define PELORIN_TESTING_WIN32_PELORIN_EXE_H_

#include <string>

namespace pelorin::testing {

// The path of pelorin.exe, which is built beside the test program.
std::string PelorinExePath();

// Writes at `path` a TGA of 16384 by 16384 pixels whose pixels are a hole
// in the file: quick to make, and large enough that a conversion of it is
// still running when a test interrupts or kills it.
void WriteLargeSparseTga(const std::string& path);

}  // namespace pelorin::testing

#endif  // PELORIN_TESTING_WIN32_PELORIN_EXE_H_
