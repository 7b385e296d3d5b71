// The program's diagnostic output: a standard output stream whose buffer is
// switched between the null device (until opened, and again after closing)
// and the console. While open, every insertion is flushed at once.
#pragma once

#include <cstdio>
#include <ostream>
#include <streambuf>

#include "platform/Win32.h"

// An unbuffered stream buffer over a runtime file stream. It does not close
// the file: its owner does. Without a file, writes fail.
class FileStreamBuffer : public std::streambuf {
public:
    explicit FileStreamBuffer(FILE* file = nullptr) : file(file) {}
    void SetFile(FILE* newFile) { file = newFile; }

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

private:
    FILE* file;
};

class LogConsole : public std::ostream {
public:
    LogConsole();
    ~LogConsole() override;
    LogConsole(const LogConsole&) = delete;
    LogConsole& operator=(const LogConsole&) = delete;

    // Gives the process a console and sends the stream there; does nothing
    // when already open.
    void Open();
    // Frees the console and sends the stream back to the null device; does
    // nothing when closed.
    void Close();

    HANDLE consoleHandle;
    FileStreamBuffer* consoleBuffer;
    FileStreamBuffer nullBuffer;
    FILE* nullFile;
    FILE* consoleFile;
};
