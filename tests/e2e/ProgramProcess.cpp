#include "e2e/ProgramProcess.h"

#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <X11/extensions/XTest.h>

namespace {

void ReadAvailable(int descriptor, std::string& into) {
    if (descriptor < 0) return;
    char buffer[4096];
    for (;;) {
        ssize_t count = read(descriptor, buffer, sizeof buffer);
        if (count <= 0) return;
        into.append(buffer, static_cast<size_t>(count));
    }
}

}  // namespace

[[noreturn]] void ExecuteCommand(const std::vector<std::string>& command) {
    std::vector<char*> arguments;
    for (const std::string& argument : command) {
        arguments.push_back(const_cast<char*>(argument.c_str()));
    }
    arguments.push_back(nullptr);
    execvp(arguments[0], arguments.data());
    _exit(127);
}

ProgramProcess::ProgramProcess(const std::string& program, const std::string& directory,
                               const std::map<std::string, std::string>& environment)
    : ProgramProcess(std::vector<std::string>{program}, directory, environment, Streams::Pipes) {}

namespace {

// In the child: the environment as asked, then into the directory and the command.
[[noreturn]] void Execute(const std::vector<std::string>& command, const std::string& directory,
                          const std::map<std::string, std::string>& environment) {
    for (const auto& entry : environment) {
        if (entry.second.empty()) {
            unsetenv(entry.first.c_str());
        } else {
            setenv(entry.first.c_str(), entry.second.c_str(), 1);
        }
    }
    if (chdir(directory.c_str()) != 0) _exit(126);
    ExecuteCommand(command);
}

// Opens a pseudo-terminal; its controlling side, or -1. The terminal side's name goes to `name`.
int OpenTerminal(std::string& name) {
    int controller = posix_openpt(O_RDWR | O_NOCTTY);
    if (controller < 0) return -1;
    const char* terminal = nullptr;
    if (grantpt(controller) != 0 || unlockpt(controller) != 0 ||
        (terminal = ptsname(controller)) == nullptr) {
        close(controller);
        return -1;
    }
    name = terminal;
    return controller;
}

}  // namespace

ProgramProcess::ProgramProcess(const std::vector<std::string>& command,
                               const std::string& directory,
                               const std::map<std::string, std::string>& environment,
                               Streams streams) {
    if (command.empty()) return;
    if (streams == Streams::Terminal) {
        std::string terminalName;
        int controller = OpenTerminal(terminalName);
        if (controller < 0) return;
        pid = fork();
        if (pid == 0) {
            // A session of its own with the terminal as its controlling terminal.
            setsid();
            int terminal = open(terminalName.c_str(), O_RDWR);
            if (terminal < 0) _exit(126);
            ioctl(terminal, TIOCSCTTY, 0);
            winsize size{};
            size.ws_row = 40;
            size.ws_col = 120;
            ioctl(terminal, TIOCSWINSZ, &size);
            dup2(terminal, STDIN_FILENO);
            dup2(terminal, STDOUT_FILENO);
            dup2(terminal, STDERR_FILENO);
            if (terminal > STDERR_FILENO) close(terminal);
            close(controller);
            Execute(command, directory, environment);
        }
        outputPipe = controller;
        fcntl(outputPipe, F_SETFL, O_NONBLOCK);
        return;
    }

    int outputEnds[2];
    int errorEnds[2];
    if (pipe(outputEnds) != 0) return;
    if (pipe(errorEnds) != 0) {
        close(outputEnds[0]);
        close(outputEnds[1]);
        return;
    }
    pid = fork();
    if (pid == 0) {
        dup2(outputEnds[1], STDOUT_FILENO);
        dup2(errorEnds[1], STDERR_FILENO);
        close(outputEnds[0]);
        close(outputEnds[1]);
        close(errorEnds[0]);
        close(errorEnds[1]);
        Execute(command, directory, environment);
    }
    close(outputEnds[1]);
    close(errorEnds[1]);
    outputPipe = outputEnds[0];
    errorPipe = errorEnds[0];
    fcntl(outputPipe, F_SETFL, O_NONBLOCK);
    fcntl(errorPipe, F_SETFL, O_NONBLOCK);
}

ProgramProcess::~ProgramProcess() {
    if (pid > 0 && !exited) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    if (outputPipe >= 0) close(outputPipe);
    if (errorPipe >= 0) close(errorPipe);
}

int ProgramProcess::TakeOutput() {
    int taken = outputPipe;
    outputPipe = -1;
    return taken;
}

void ProgramProcess::Collect() {
    ReadAvailable(outputPipe, output);
    ReadAvailable(errorPipe, errors);
}

bool ProgramProcess::WaitForOutput(const std::string& text, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        Collect();
        if (output.find(text) != std::string::npos) return true;
        if (exited) return false;
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            exited = true;
            exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            continue;  // one more read of what it left in the pipe
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

int ProgramProcess::WaitForExit(std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!exited && std::chrono::steady_clock::now() < deadline) {
        Collect();
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            exited = true;
            exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    Collect();
    return exited ? exitCode : -1;
}

void ProgramProcess::Signal(int signalNumber) {
    if (pid > 0 && !exited) kill(pid, signalNumber);
}

namespace {

Window SearchByName(Display* display, Window parent, const std::string& title, int depth) {
    Window root = 0;
    Window parentOfParent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &parentOfParent, &children, &count)) return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        char* name = nullptr;
        if (XFetchName(display, children[i], &name) && name != nullptr) {
            if (title == name) found = children[i];
            XFree(name);
        }
        if (found == 0 && depth > 0) found = SearchByName(display, children[i], title, depth - 1);
    }
    if (children != nullptr) XFree(children);
    return found;
}

}  // namespace

void SendKey(Display* display, unsigned long keysym, bool down) {
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, keysym), down ? True : False, CurrentTime);
    XFlush(display);
}

void SendCloseRequest(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

Window FindWindowByName(Display* display, const std::string& title,
                        std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        Window found = SearchByName(display, DefaultRootWindow(display), title, 1);
        if (found != 0) return found;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (std::chrono::steady_clock::now() < deadline);
    return 0;
}
