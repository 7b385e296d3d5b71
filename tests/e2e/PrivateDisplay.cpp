#include "e2e/PrivateDisplay.h"

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <X11/Xatom.h>

#include "e2e/ProgramProcess.h"

namespace {

// Starts a program found on the PATH with its output discarded.
pid_t Spawn(const std::vector<std::string>& command, const std::string& display) {
    pid_t pid = fork();
    if (pid != 0) return pid;
    int null = open("/dev/null", O_RDWR);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
    ExecuteCommand(command);
}

// The first line written to fd (without its line feed), or what came before the writer closed
// it or the time ran out.
std::string ReadLine(int fd, std::chrono::milliseconds timeout) {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd ready = {fd, POLLIN, 0};
        if (poll(&ready, 1, 50) <= 0) continue;
        char c;
        if (read(fd, &c, 1) != 1 || c == '\n') break;
        line += c;
    }
    return line;
}

void Stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

}  // namespace

PrivateDisplay::PrivateDisplay(Manager wanted, const std::vector<std::string>& serverArguments) {
    using namespace std::chrono_literals;
    // The server takes the first free display number and writes it back through a pipe
    // (-displayfd), so that suites started side by side never share a server.
    int number[2];
    if (pipe(number) != 0) {
        problem = "no pipe for the display number of Xvfb";
        return;
    }
    fcntl(number[0], F_SETFD, FD_CLOEXEC);
    std::vector<std::string> command = {"Xvfb",      "-displayfd", std::to_string(number[1]),
                                        "-screen",   "0",          "1024x768x24",
                                        "-nolisten", "tcp",        "-noreset"};
    command.insert(command.end(), serverArguments.begin(), serverArguments.end());
    server = Spawn(command, "");
    close(number[1]);
    const std::string given = ReadLine(number[0], 5s);
    close(number[0]);
    if (given.empty()) {
        problem = "Xvfb did not start (is it installed?)";
        return;
    }
    name = ":" + given;
    connection = XOpenDisplay(name.c_str());
    if (connection == nullptr) {
        problem = "Xvfb did not start on " + name;
        return;
    }
    if (wanted == Manager::Openbox) {
        manager = Spawn({"openbox"}, name);
        if (!WaitForManager()) problem = "openbox did not start on " + name + " (is it installed?)";
    }
    if (!problem.empty()) {
        XCloseDisplay(connection);
        connection = nullptr;
    }
}

PrivateDisplay::~PrivateDisplay() {
    if (connection != nullptr) XCloseDisplay(connection);
    Stop(manager);
    Stop(server);
}

// A window manager has come up once the root names its EWMH check window.
bool PrivateDisplay::WaitForManager() {
    Atom check = XInternAtom(connection, "_NET_SUPPORTING_WM_CHECK", False);
    for (int i = 0; i < 200; ++i) {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(connection, DefaultRootWindow(connection), check, 0, 1, False, XA_WINDOW,
                           &type, &format, &count, &after, &data);
        if (data != nullptr) XFree(data);
        if (count == 1) return true;
        int status = 0;
        if (waitpid(manager, &status, WNOHANG) == manager) {
            manager = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}
