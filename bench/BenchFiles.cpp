#include "bench/BenchFiles.h"

#include "tests/support/TemporaryDirectory.h"

namespace benchfiles {

std::string PathFor(const std::string& name) {
    static const TemporaryDirectory directory;
    return directory.File(name);
}

}  // namespace benchfiles
