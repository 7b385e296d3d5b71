// The real program started on damaged copies of its data: it still runs, with an empty world,
// and its console says in one line what did not load, naming the file to mend.
#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/ProgramProcess.h"
#include "support/TemporaryDirectory.h"

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

struct DataFault {
    const char* name;
    size_t workingDirectoryLength;  // padded to this by a subdirectory; 0: as made
    std::vector<std::pair<std::string, std::string>> writes;  // file, text; no text: removed
    std::string line;                                         // the one console line, if any
};
void PrintTo(const DataFault& fault, std::ostream* stream) {
    *stream << fault.name;
}

class ProgramDataTest : public ::testing::TestWithParam<DataFault> {};

TEST_P(ProgramDataTest, RunsWithoutItAndSaysWhatDidNotLoad) {
    const DataFault& fault = GetParam();
    TemporaryDirectory directory;
    ASSERT_TRUE(directory.Exists());
    fs::path work = fs::canonical(directory.File(""));
    if (fault.workingDirectoryLength > 0) {
        work /= std::string(fault.workingDirectoryLength - work.string().size() - 1, 'x');
    }
    fs::create_directories(work);
    fs::copy(VELMORA_RUNTIME_DIR "/Levels", work / "Levels", fs::copy_options::recursive);
    fs::copy(VELMORA_RUNTIME_DIR "/Entities", work / "Entities", fs::copy_options::recursive);
    for (const auto& write : fault.writes) {
        fs::remove_all(work / write.first);
        fs::create_directories((work / write.first).parent_path());
        if (!write.second.empty())
            std::ofstream(work / write.first, std::ios::binary) << write.second;
    }

    ProgramProcess program(VELMORA_BINARY, work.string());
    ASSERT_TRUE(program.Started() && program.WaitForOutput("Combo \n", 20s)) << program.Errors();
    program.Signal(SIGTERM);
    EXPECT_EQ(program.WaitForExit(20s), 1) << program.Errors();

    const std::set<std::string> startUpLines = {"Graphics Initialized", "Timing Initialized",
                                                "Input Initialized", "Finished Intialization"};
    std::istringstream lines(program.Output());
    std::string line, others;
    while (std::getline(lines, line)) {
        if (line.rfind("Combo ", 0) != 0 && startUpLines.count(line) == 0) {
            others += line + (lines.eof() ? "" : "\n");
        }
    }
    std::string expected = fault.line;  // "@" is the working directory
    for (size_t at = expected.find('@'); at != std::string::npos; at = expected.find('@', at)) {
        expected.replace(at, 1, work.string());
    }
    EXPECT_EQ(others, expected);
}

const std::string kRobotFailed =
    "Level 01: the entity on line 1 of the level file @/Levels/01/01.txt, \"brakmoor\", did not "
    "load: ";
const DataFault kFaults[] = {
    {"NoDataDirectories",
     0,
     {{"Levels", ""}, {"Entities", ""}},
     "Level 01: cannot enter the level directory @/Levels/01: No such file or directory\n"},
    {"GarbageModel",
     0,
     {{"Entities/brakmoor/brakmoor.mdl", std::string(64, '\xff')}},
     kRobotFailed + "the model file @/Entities/brakmoor/brakmoor.mdl is refused: the material "
                    "count is negative (-1)\n"},
    {"TypeWithACapital",
     0,
     {{"Entities/brakmoor/brakmoor.txt", "Robot\nbrakmoor.mdl\n"}},
     kRobotFailed + "the entity description @/Entities/brakmoor/brakmoor.txt gives the type "
                    "\"Robot\", not \"robot\"\n"},
    {"LevelWithoutTheRobot",
     0,
     {{"Entities/spare/spare.txt", "robot\n../brakmoor/brakmoor.mdl"},
      {"Levels/01/01.txt", "spare"}},
     "Entity brakmoor not found: no entity \"brakmoor\" was loaded from the level file "
     "@/Levels/01/01.txt\n"},
    {"WorkingDirectoryTooLong",
     130,
     {},
     "Data directories not usable: the data directory @/Levels has an absolute path of 137 "
     "characters; "
     "at most 126 fit\n"},
    // Every listed entity loads; the empty name after the final line feed is nothing to mend.
    {"LevelEndingInALineFeed", 0, {{"Levels/01/01.txt", "brakmoor\n"}}, ""},
};
INSTANTIATE_TEST_SUITE_P(Faults, ProgramDataTest, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<DataFault>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
