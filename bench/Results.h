// The figures the benchmarks measure, kept by name so that the closing table can set them side
// by side. A benchmark that runs several times records a figure once per run; the table uses
// the median.
#pragma once

#include <string>

namespace results {

void Record(const std::string& name, double value);
// The median of the values recorded under name; false when there are none.
bool Median(const std::string& name, double& value);

}  // namespace results
