#include "content/tools/modelconvert/TextureFinder.h"

#include <algorithm>
#include <cctype>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;

namespace {

// Only the last parts of a long name are tried: a name made of hundreds of
// parts would otherwise make for a great many folder scans.
constexpr std::size_t kMostParts = 16;

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool IsFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

// The entry of the folder with this name, as written or else in another
// letter case (the first of several in name order); empty when there is none.
fs::path Entry(const fs::path& folder, const std::string& name) {
    std::error_code error;
    const fs::path exact = folder / name;
    if (fs::exists(exact, error)) return exact;
    const std::string wanted = Lower(name);
    std::vector<fs::path> matches;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        if (Lower(entry->path().filename().string()) == wanted) matches.push_back(entry->path());
    }
    if (matches.empty()) return {};
    return *std::min_element(matches.begin(), matches.end());
}

}  // namespace

TextureFinder::TextureFinder(fs::path modelFolder) : folder(std::move(modelFolder)) {
    if (folder.empty()) folder = ".";
}

fs::path TextureFinder::Walk(const std::vector<std::string>& parts) const {
    fs::path at = folder;
    for (const std::string& part : parts) {
        if (part == "..") {
            at /= part;
            std::error_code error;
            if (!fs::is_directory(at, error)) return {};
        } else {
            at = Entry(at, part);
            if (at.empty()) return {};
        }
    }
    return IsFile(at) ? at : fs::path();
}

fs::path TextureFinder::Find(const std::string& name) const {
    std::string text = name;
    std::replace(text.begin(), text.end(), '\\', '/');
    const bool hasDrive =
        text.size() >= 2 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':';
    if (hasDrive) {
        text.erase(0, 2);
    } else if (text.size() > 1 && text[0] == '/' && text[1] != '/' && IsFile(text)) {
        return text;  // an absolute name that holds on this machine
    }

    std::vector<std::string> parts;
    std::size_t begin = 0;
    while (begin <= text.size()) {
        std::size_t end = text.find('/', begin);
        if (end == std::string::npos) end = text.size();
        const std::string part = text.substr(begin, end - begin);
        if (!part.empty() && part != ".") parts.push_back(part);
        begin = end + 1;
    }
    if (parts.size() > kMostParts) parts.erase(parts.begin(), parts.end() - kMostParts);

    for (std::size_t first = 0; first < parts.size(); ++first) {
        const fs::path found = Walk(std::vector<std::string>(
            parts.begin() + static_cast<std::ptrdiff_t>(first), parts.end()));
        if (!found.empty()) return found;
    }
    return {};
}
