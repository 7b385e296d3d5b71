// Test support: captures what the process writes to its standard output.
#pragma once

#include <cstdio>
#include <string>
#include <unistd.h>

#include "platform/Win32.h"

// Points standard output at a temporary file for the life of the object.
class CapturedStandardOutput {
public:
    CapturedStandardOutput() {
        std::fflush(stdout);
        // The console writes to the standard output handle only when the process
        // already has a console; otherwise its AllocConsole opens a new one, which
        // takes over that handle. On Windows an earlier console's FreeConsole
        // leaves the process without one, so make sure of one first.
        AllocConsole();
        file = std::tmpfile();
        saved = dup(STDOUT_FILENO);
        // On Windows this also makes the temporary file the standard output handle.
        dup2(fileno(file), STDOUT_FILENO);
    }
    ~CapturedStandardOutput() {
        std::fflush(stdout);
        dup2(saved, STDOUT_FILENO);
        close(saved);
        std::fclose(file);
    }
    // Everything written to standard output so far. Line ends read as "\n"
    // also where text mode wrote them as "\r\n" (Windows).
    std::string Text() const {
        std::string text;
        std::rewind(file);
        char buffer[256];
        size_t count;
        while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, count);
        std::fseek(file, 0, SEEK_END);
        for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
            text.erase(at, 1);
        }
        return text;
    }

private:
    FILE* file;
    int saved;
};
