// robotsource: writes the source of the robot Brakmoor, brakmoor.obj and
// brakmoor.mtl, into a directory. The committed copies live in
// content/brakmoor/; the model file is made from them with modelconvert
// (the build target brakmoor_model does both steps).
//
//   robotsource DIRECTORY
//
// Exit codes: 0 written, 1 a file could not be written, 2 wrong arguments.
#include <fstream>
#include <iostream>
#include <string>

#include "content/tools/robotsource/RobotSource.h"

namespace {

bool WriteText(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::out | std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (file.fail()) {
        std::cerr << "robotsource: cannot write '" << path << "'\n";
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: robotsource DIRECTORY\n"
                  << "  writes brakmoor.obj and brakmoor.mtl into DIRECTORY\n";
        return 2;
    }
    const std::string directory = argv[1];
    const RobotSource source = MakeRobotSource();
    if (!WriteText(directory + "/brakmoor.obj", source.obj)) return 1;
    if (!WriteText(directory + "/brakmoor.mtl", source.mtl)) return 1;
    return 0;
}
