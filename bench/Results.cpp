#include "bench/Results.h"

#include <algorithm>
#include <map>
#include <vector>

namespace results {
namespace {

std::map<std::string, std::vector<double>>& Figures() {
    static std::map<std::string, std::vector<double>> figures;
    return figures;
}

}  // namespace

void Record(const std::string& name, double value) {
    Figures()[name].push_back(value);
}

bool Median(const std::string& name, double& value) {
    const auto found = Figures().find(name);
    if (found == Figures().end() || found->second.empty()) return false;
    std::vector<double> values = found->second;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    value = values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
    return true;
}

}  // namespace results
