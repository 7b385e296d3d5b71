#include "bench/BenchFiles.h"

#include "tests/support/TemporaryDirectory.h"

namespace benchfiles {

std::string PathFor(std::string const& name) {
    static TemporaryDirectory const directory;
    return directory.File(name);
}

}  // namespace benchfiles
