// Where the benchmarks keep the files they generate: one private directory per run, removed
// when the process ends.
#pragma once

#include <string>

namespace benchfiles {

// A path for name inside the run's directory.
std::string PathFor(const std::string& name);

}  // namespace benchfiles
