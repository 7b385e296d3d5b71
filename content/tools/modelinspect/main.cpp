// modelinspect: prints what a model file holds, read through the program's
// own loader, or why the program refuses it.
//
//   modelinspect [--full] MODEL
//
// Exit codes: 0 the program loads the file, 1 it refuses it, 2 wrong arguments.
#include <iostream>
#include <string>

#include "content/tools/modelinspect/ModelInspector.h"
#include "render/Model.h"

namespace {

constexpr int kLoads = 0;
constexpr int kRefused = 1;
constexpr int kUsage = 2;

int Usage(const std::string& problem) {
    std::cerr << "modelinspect: " << problem << "\n"
              << "usage: modelinspect [--full] MODEL\n"
              << "  --full  also lists every vertex, normal and face\n";
    return kUsage;
}

}  // namespace

int main(int argc, char** argv) {
    InspectOptions options;
    std::string path;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--full") {
            options.full = true;
        } else if (argument == "--help" || argument == "-h") {
            Usage("prints what a model file holds");
            return kLoads;
        } else if (argument.size() > 1 && argument[0] == '-') {
            return Usage("unknown option '" + argument + "'");
        } else if (path.empty()) {
            path = argument;
        } else {
            return Usage("expected one model file");
        }
    }
    if (path.empty()) return Usage("expected one model file");

    Model model;
    if (!model.Load(path.c_str())) {
        std::cerr << "modelinspect: '" << path
                  << "' is not a model file the program loads: " << model.FailureReason() << "\n";
        return kRefused;
    }
    std::cout << "model " << path << "\n";
    DescribeModel(model, std::cout, options);
    return kLoads;
}
