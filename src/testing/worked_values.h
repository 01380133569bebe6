// The ICI format's worked values: source pixels and the exact ICI bytes
// each must give. Every test of the encoding, from the kernels to the built
// program, checks against this one table.
#ifndef PELORIN_TESTING_WORKED_VALUES_H_
#define PELORIN_TESTING_WORKED_VALUES_H_

#include <string>

namespace pelorin::testing {

struct WorkedValue {
  const char* name;
  std::string bgra;  // the source pixel: blue, green, red, alpha
  std::string ici;   // its three ICI bytes
};

// Opaque red, green, blue and white, transparent black, a value just below
// one step in every channel, one step exactly, and 10 20 30 40.
extern const WorkedValue kWorkedValues[8];

// All the source pixels of the table as one row, and their ICI bytes.
std::string WorkedValuesBgra();
std::string WorkedValuesIci();

}  // namespace pelorin::testing

#endif  // PELORIN_TESTING_WORKED_VALUES_H_
