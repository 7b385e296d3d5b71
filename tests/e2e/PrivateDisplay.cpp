#include "e2e/PrivateDisplay.h"

#include <chrono>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
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

void Stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

}  // namespace

PrivateDisplay::PrivateDisplay(Manager wanted, const std::vector<std::string>& serverArguments) {
    using namespace std::chrono_literals;
    // The first display number without a server (the test command's own starts at 90).
    for (int number = 150; number < 200 && server < 0; ++number) {
        struct stat existing;
        if (stat(("/tmp/.X11-unix/X" + std::to_string(number)).c_str(), &existing) == 0 ||
            stat(("/tmp/.X" + std::to_string(number) + "-lock").c_str(), &existing) == 0) {
            continue;
        }
        name = ":" + std::to_string(number);
        std::vector<std::string> command = {"Xvfb",        name,        "-screen", "0",
                                            "1024x768x24", "-nolisten", "tcp",     "-noreset"};
        command.insert(command.end(), serverArguments.begin(), serverArguments.end());
        server = Spawn(command, "");
    }
    for (int i = 0; i < 100 && connection == nullptr; ++i) {
        std::this_thread::sleep_for(50ms);
        connection = XOpenDisplay(name.c_str());
    }
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
