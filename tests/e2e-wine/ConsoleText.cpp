// consoletext PROGRAM.EXE: prints the text in the console of the running
// process PROGRAM.EXE, one line per screen buffer row from the top down to the
// cursor, without the blanks that fill each row. The end-to-end tests under
// Wine read the program's own console with it.
#include <cstdio>
#include <cstring>
#include <string>
#include <windows.h>
// After the Windows declarations, which it needs.
#include <tlhelp32.h>

namespace {

DWORD FindProcess(const char* exeName) {
    DWORD found = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        if (_stricmp(entry.szExeFile, exeName) == 0) found = entry.th32ProcessID;
    }
    CloseHandle(snapshot);
    return found;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: consoletext PROGRAM.EXE\n");
        return 2;
    }
    // Our own standard output, kept before this process joins the other console.
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD process = FindProcess(argv[1]);
    if (process == 0) {
        std::fprintf(stderr, "consoletext: no process %s\n", argv[1]);
        return 1;
    }
    FreeConsole();
    if (!AttachConsole(process)) {
        std::fprintf(stderr, "consoletext: cannot attach to the console of %s (error %lu)\n",
                     argv[1], GetLastError());
        return 1;
    }
    HANDLE console =
        CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (console == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(console, &info)) {
        std::fprintf(stderr, "consoletext: cannot read the console of %s\n", argv[1]);
        return 1;
    }
    std::string text;
    for (SHORT row = 0; row <= info.dwCursorPosition.Y; ++row) {
        std::string line(static_cast<size_t>(info.dwSize.X), ' ');
        DWORD read = 0;
        ReadConsoleOutputCharacterA(console, &line[0], static_cast<DWORD>(line.size()),
                                    COORD{0, row}, &read);
        line.resize(read);
        line.erase(line.find_last_not_of(' ') + 1);
        text += line + "\n";
    }
    DWORD written = 0;
    return WriteFile(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ? 0
                                                                                              : 1;
}
