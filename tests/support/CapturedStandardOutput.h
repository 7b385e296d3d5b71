// Test support: captures what the process writes to its standard output.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <string>

// Points standard output at a temporary file for the life of the object.
class CapturedStandardOutput {
public:
    CapturedStandardOutput() {
        std::fflush(stdout);
        file = std::tmpfile();
        saved = dup(STDOUT_FILENO);
        dup2(fileno(file), STDOUT_FILENO);
    }
    ~CapturedStandardOutput() {
        std::fflush(stdout);
        dup2(saved, STDOUT_FILENO);
        close(saved);
        std::fclose(file);
    }
    // Everything written to standard output so far.
    std::string Text() const {
        std::string text;
        std::rewind(file);
        char buffer[256];
        size_t count;
        while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, count);
        std::fseek(file, 0, SEEK_END);
        return text;
    }

private:
    FILE* file;
    int saved;
};
