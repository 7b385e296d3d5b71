// modelview: shows a model file in a window of its own, drawn as the program draws it.
//
//   modelview MODEL
//
// Arrow keys or a drag with the left mouse button turn the model, the wheel or + and - bring it
// nearer or farther, R reads the file again, Escape closes the window.
//
// Exit codes: 0 the window was closed, 1 the model could not be shown, 2 wrong arguments.
#include <iostream>
#include <string>

#include "content/tools/modelview/ModelViewer.h"

namespace {

constexpr int kUsage = 2;

int Usage(const std::string& problem) {
    std::cerr << "modelview: " << problem << "\n"
              << "usage: modelview MODEL\n"
              << "  arrow keys or a left-button drag turn it, the wheel or + and - zoom,\n"
              << "  R reads the file again, Escape closes the window\n";
    return kUsage;
}

}  // namespace

int main(int argc, char** argv) {
    std::string path;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            Usage("shows a model file in a window");
            return ModelViewer::kClosed;
        }
        if (argument.size() > 1 && argument[0] == '-') {
            return Usage("unknown option '" + argument + "'");
        }
        if (!path.empty()) return Usage("expected one model file");
        path = argument;
    }
    if (path.empty()) return Usage("expected one model file");

    ModelViewer viewer;
    return viewer.Run(path.c_str());
}
