// Test support: runs a content tool as a process of its own and collects its
// exit code, standard output and standard error.
#pragma once

#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "tests/support/TemporaryDirectory.h"

extern char** environ;

struct ToolRun {
    int exitCode = -1;  // -1 when the tool could not be started or did not exit
    std::string output;
    std::string errors;
};

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

inline ToolRun RunTool(const std::string& tool, const std::vector<std::string>& arguments) {
    ToolRun run;
    TemporaryDirectory capture;
    const std::string outputPath = capture.File("stdout");
    const std::string errorPath = capture.File("stderr");

    std::vector<std::string> words = {tool};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return run;

    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    run.output = ReadWholeFile(outputPath);
    run.errors = ReadWholeFile(errorPath);
    return run;
}
