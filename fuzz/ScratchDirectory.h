// A directory of the fuzz target's own, for the files it hands to readers that
// take file names. Made once per process under TMPDIR (or /tmp) and removed
// when the process ends normally.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/TemporaryDirectory.h"

class ScratchDirectory {
public:
    // The directory, created on first use.
    static const std::filesystem::path& Path() {
        static const TemporaryDirectory scratch;
        if (!scratch.Exists()) Fail("cannot make a scratch directory");
        return scratch.Path();
    }

    // Writes the bytes to the named file inside the directory, replacing it;
    // returns its path. Aborts when it cannot: a target that fuzzes nothing
    // must not look like one that finds nothing.
    static std::string WriteFile(const std::string& name, const std::uint8_t* data,
                                 std::size_t size) {
        const std::string file = (Path() / name).string();
        std::FILE* out = std::fopen(file.c_str(), "wb");
        if (out == nullptr) Fail("cannot write " + file);
        if (size > 0 && std::fwrite(data, 1, size, out) != size) Fail("cannot write " + file);
        std::fclose(out);
        return file;
    }

    [[noreturn]] static void Fail(const std::string& problem) {
        std::fprintf(stderr, "fuzz target: %s\n", problem.c_str());
        std::abort();
    }
};

// Stops the run with a message when a property that must hold does not:
// libFuzzer keeps the input and reports it as a finding.
inline void Require(bool holds, const char* what) {
    if (!holds) ScratchDirectory::Fail(std::string("broken: ") + what);
}
