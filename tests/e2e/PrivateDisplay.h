// Test support for the end-to-end tests: an X server of the test's own (Xvfb
// with the arguments given, for example without GLX), optionally with a real
// window manager (openbox) running on it, stopped when the object goes.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

#include <X11/Xlib.h>

class PrivateDisplay {
public:
    enum class Manager { Bare, Openbox };

    explicit PrivateDisplay(Manager manager = Manager::Bare,
                            const std::vector<std::string>& serverArguments = {});
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    // A connection of the test's own, null when the server or the window
    // manager did not come up (Problem() says why).
    Display* Connection() const { return connection; }
    const std::string& Name() const { return name; }
    const std::string& Problem() const { return problem; }

private:
    bool WaitForManager();

    std::string name;
    std::string problem;
    pid_t server = -1;
    pid_t manager = -1;
    Display* connection = nullptr;
};
