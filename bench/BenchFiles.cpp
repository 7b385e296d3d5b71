#include "bench/BenchFiles.h"

#include <stdlib.h>

#include <filesystem>

namespace benchfiles {
namespace {

class Directory {
public:
    Directory() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "velmora-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path = pattern;
    }
    ~Directory() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

}  // namespace

std::string PathFor(std::string const& name) {
    static Directory directory;
    return directory.path + "/" + name;
}

}  // namespace benchfiles
