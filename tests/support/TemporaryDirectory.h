// Test support: a directory of its own under the system's temporary
// directory, removed with everything in it when the object goes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>
#include <vector>

class TemporaryDirectory {
public:
    TemporaryDirectory() {
        std::random_device random;
        std::error_code error;
        for (int attempt = 0; attempt < 100 && path.empty(); ++attempt) {
            const std::filesystem::path candidate = std::filesystem::temp_directory_path() /
                                                    ("velmora-test-" + std::to_string(random()));
            if (std::filesystem::create_directory(candidate, error)) path = candidate;
        }
    }
    ~TemporaryDirectory() {
        std::error_code error;
        if (!path.empty()) std::filesystem::remove_all(path, error);
    }
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    bool Exists() const { return !path.empty(); }
    const std::filesystem::path& Path() const { return path; }
    std::string File(const std::string& name) const { return (path / name).string(); }
    // Writes the bytes to a file in the directory; returns its path.
    std::string Write(const std::string& name, const std::uint8_t* data, std::size_t size) const {
        std::ofstream(File(name), std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        return File(name);
    }
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        return Write(name, bytes.data(), bytes.size());
    }

private:
    std::filesystem::path path;
};
