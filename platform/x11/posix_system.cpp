// Linux platform layer: the system services that need no X server.
//
// Provides:
//   [X] QueryPerformanceFrequency, QueryPerformanceCounter (monotonic clock, ns)
//   [X] AllocConsole, FreeConsole, GetStdHandle, _open_osfhandle, _fdopen
//       (the process's standard output is the console; a console whose reader
//       stalls or has gone drops what is written instead of holding the program)
//   [X] GetCurrentDirectoryA, SetCurrentDirectoryA, GetFullPathNameA
//       (a backslash in a path is a separator, as on Windows)
//   [X] MessageBoxA (caption and text on standard error; scripted answers for tests)
//   [ ] Console input, console window titles and colours: the program uses none.
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/x11/X11Platform.h"

namespace x11 {

PlatformState& State() {
    static PlatformState state;
    return state;
}

bool ConsumeFailure(const char* functionName) {
    auto& failures = State().pendingFailures;
    auto found = failures.find(functionName);
    if (found == failures.end()) return false;
    if (--found->second <= 0) failures.erase(found);
    return true;
}

void ReportError(const char* layer, const char* format, ...) {
    char text[1024];
    int length = std::snprintf(text, sizeof text, "%s: ", layer);
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text + length, sizeof text - static_cast<size_t>(length) - 1, format, arguments);
    va_end(arguments);
    std::string line = std::string(text) + "\n";
    WriteWithoutBlocking(STDERR_FILENO, line.data(), line.size());
}

// NOTE: the descriptor's file description is shared with the shell the program
// was started from, so it is never made non-blocking; each write asks first
// whether it can go at once. A line of a console is far shorter than PIPE_BUF,
// and a pipe that has room for it takes it whole.
void WriteWithoutBlocking(int descriptor, const char* data, size_t size) {
    while (size > 0) {
        pollfd target{descriptor, POLLOUT, 0};
        if (poll(&target, 1, 0) != 1 || (target.revents & POLLOUT) == 0) return;
        ssize_t written = write(descriptor, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        data += written;
        size -= static_cast<size_t>(written);
    }
}

}  // namespace x11

namespace {

// Paths from the program may use Windows separators.
std::string ToPosixPath(const char* path) {
    std::string converted(path);
    for (char& c : converted) {
        if (c == '\\') c = '/';
    }
    return converted;
}

// Copies a result into a Win32-style buffer: on success the length without the
// terminator; when it does not fit, the size needed including the terminator.
DWORD CopyPathResult(const std::string& result, DWORD bufferLength, LPSTR buffer) {
    if (buffer == nullptr || result.size() + 1 > bufferLength) {
        return static_cast<DWORD>(result.size() + 1);
    }
    std::memcpy(buffer, result.c_str(), result.size() + 1);
    return static_cast<DWORD>(result.size());
}

// Lexically resolves "." and ".." in an absolute path, as Windows does for
// GetFullPathNameA (no look at the file system).
std::string NormalisePath(const std::string& absolute) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= absolute.size()) {
        size_t end = absolute.find('/', start);
        if (end == std::string::npos) end = absolute.size();
        std::string part = absolute.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string result;
    for (const std::string& part : parts) result += "/" + part;
    // A trailing separator names a directory and stays, as on Windows.
    if (!absolute.empty() && absolute.back() == '/' && !result.empty()) result += "/";
    return result.empty() ? "/" : result;
}

}  // namespace

// ---- Clock ----------------------------------------------------------------------

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    if (x11::ConsumeFailure("QueryPerformanceFrequency") || frequency == nullptr) {
        if (frequency != nullptr) frequency->QuadPart = 0;
        return FALSE;
    }
    frequency->QuadPart = x11::State().frequency;
    return TRUE;
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
    if (count == nullptr) return FALSE;
    x11::PlatformState& state = x11::State();
    if (state.manualCounter) {
        count->QuadPart = state.counter;
        return TRUE;
    }
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    count->QuadPart = static_cast<LONGLONG>(now.tv_sec) * 1000000000LL + now.tv_nsec;
    return TRUE;
}

// ---- Console -------------------------------------------------------------------------
// A Linux process started from a terminal already has its console: standard
// output. The handle is the descriptor number; the runtime descriptor made
// from it is a duplicate, so closing the program's console stream leaves the
// process's standard output open.

BOOL AllocConsole(void) {
    // Like a Windows process that already owns a console.
    return FALSE;
}

BOOL FreeConsole(void) {
    return TRUE;
}

HANDLE GetStdHandle(DWORD which) {
    switch (which) {
        case STD_INPUT_HANDLE:
            return reinterpret_cast<HANDLE>(static_cast<intptr_t>(STDIN_FILENO));
        case STD_OUTPUT_HANDLE:
            return reinterpret_cast<HANDLE>(static_cast<intptr_t>(STDOUT_FILENO));
        case STD_ERROR_HANDLE:
            return reinterpret_cast<HANDLE>(static_cast<intptr_t>(STDERR_FILENO));
        default:
            return INVALID_HANDLE_VALUE;
    }
}

int _open_osfhandle(intptr_t handle, int /*flags*/) {
    if (handle < 0 || handle > INT_MAX) return -1;
    return fcntl(static_cast<int>(handle), F_DUPFD_CLOEXEC, 0);
}

// A runtime stream whose writes never wait for the reader (WriteWithoutBlocking):
// the stream reports every write as done, so nothing piles up in it either.
FILE* _fdopen(int fd, const char* mode) {
    if (fd < 0 || mode == nullptr) return nullptr;
    cookie_io_functions_t functions{};
    functions.write = [](void* cookie, const char* data, size_t size) -> ssize_t {
        x11::WriteWithoutBlocking(static_cast<int>(reinterpret_cast<intptr_t>(cookie)), data, size);
        return static_cast<ssize_t>(size);
    };
    functions.close = [](void* cookie) {
        return close(static_cast<int>(reinterpret_cast<intptr_t>(cookie)));
    };
    return fopencookie(reinterpret_cast<void*>(static_cast<intptr_t>(fd)), mode, functions);
}

// ---- Working directory and paths ---------------------------------------------------------

DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer) {
    char* current = getcwd(nullptr, 0);
    if (current == nullptr) return 0;
    std::string result(current);
    std::free(current);
    return CopyPathResult(result, bufferLength, buffer);
}

BOOL SetCurrentDirectoryA(LPCSTR path) {
    if (path == nullptr || path[0] == '\0') return FALSE;
    return chdir(ToPosixPath(path).c_str()) == 0 ? TRUE : FALSE;
}

DWORD GetFullPathNameA(LPCSTR fileName, DWORD bufferLength, LPSTR buffer, LPSTR* filePart) {
    if (filePart != nullptr) *filePart = nullptr;
    if (fileName == nullptr || fileName[0] == '\0') return 0;
    std::string path = ToPosixPath(fileName);
    if (path[0] != '/') {
        char* current = getcwd(nullptr, 0);
        if (current == nullptr) return 0;
        path = std::string(current) + "/" + path;
        std::free(current);
    }
    std::string result = NormalisePath(path);
    DWORD written = CopyPathResult(result, bufferLength, buffer);
    if (written < bufferLength && filePart != nullptr && result.back() != '/') {
        *filePart = buffer + result.rfind('/') + 1;
    }
    return written;
}

// ---- Message boxes ---------------------------------------------------------------------------

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    x11::PlatformState& state = x11::State();
    platformtest::MessageBoxRecord record{text ? text : "", caption ? caption : "", type,
                                          owner != nullptr};
    state.shownBoxes.push_back(record);
    std::string line = "[" + record.caption + "] " + record.text + "\n";
    x11::WriteWithoutBlocking(STDERR_FILENO, line.data(), line.size());

    int answer = (type & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
    if (!state.scriptedAnswers.empty()) {
        answer = state.scriptedAnswers.front();
        state.scriptedAnswers.pop_front();
    }
    return answer;
}
