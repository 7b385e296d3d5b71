// Test support for the end-to-end tests: the real program as a child process,
// with its standard output and standard error collected (or, started on a
// terminal, what it shows there), and its window found on the X server.
#pragma once

#include <chrono>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

#include <X11/Xlib.h>

class ProgramProcess {
public:
    // Where the program's standard streams go: pipes of their own, or one
    // pseudo-terminal for all three, as when it is started from a terminal.
    enum class Streams { Pipes, Terminal };

    // Starts the program in the given directory. Entries of `environment`
    // replace or add variables of this process's environment; an empty value
    // removes the variable.
    ProgramProcess(const std::string& program, const std::string& directory,
                   const std::map<std::string, std::string>& environment = {});
    // Starts a command (found on the PATH, arguments after it) in the given
    // directory. On a terminal, Output() is everything the terminal received.
    ProgramProcess(const std::vector<std::string>& command, const std::string& directory,
                   const std::map<std::string, std::string>& environment, Streams streams);
    ~ProgramProcess();
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    bool Started() const { return pid > 0; }
    pid_t Pid() const { return pid; }

    // Waits until standard output holds `text`; false on timeout or exit.
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds timeout);
    // Waits for the process to end; its exit code, or -1 on timeout, or
    // 128 + the signal when a signal killed it.
    int WaitForExit(std::chrono::milliseconds timeout);
    void Signal(int signalNumber);

    // Hands over the reading end of the program's standard output, which is
    // read no more here: a test that keeps it unread plays a reader that
    // stalls, one that closes it a reader that has gone.
    int TakeOutput();

    const std::string& Output() {
        Collect();
        return output;
    }
    const std::string& Errors() {
        Collect();
        return errors;
    }

private:
    void Collect();

    pid_t pid = -1;
    int outputPipe = -1;
    int errorPipe = -1;
    std::string output;
    std::string errors;
    int exitCode = -1;
    bool exited = false;
};

// In a child process after fork: becomes command (looked up in PATH), or ends with exit code
// 127 when it cannot be started.
[[noreturn]] void ExecuteCommand(const std::vector<std::string>& command);

// What the program writes first when it has started.
constexpr char kStartUpLines[] =
    "Graphics Initialized\nTiming Initialized\nInput Initialized\nFinished Intialization\n";

// Presses or releases a key on the X server, as the keyboard would (XTest).
void SendKey(Display* display, unsigned long keysym, bool down);

// Asks the window to close the way a desktop's close button does (WM_DELETE_WINDOW).
void SendCloseRequest(Display* display, Window window);

// Finds the top-level window with the given title (WM_NAME), searching the
// children of the root and their children (a window manager reparents).
// Waits up to `timeout`; 0 when there is none.
Window FindWindowByName(Display* display, const std::string& title,
                        std::chrono::milliseconds timeout);
