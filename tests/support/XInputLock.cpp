#include "tests/support/XInputLock.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>

void HoldXInputLock() {
    static bool held = false;
    if (held) return;

    // One lock per display: tests on different servers do not disturb each other.
    std::string path = "/tmp/velmora-x-input";
    const char* display = std::getenv("DISPLAY");
    for (const char* c = display != nullptr ? display : ""; *c != '\0'; ++c) {
        path += (*c == '/' ? '_' : *c);
    }
    path += ".lock";

    // The descriptor stays open on purpose: closing it would let go of the lock.
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        std::perror(path.c_str());
        return;  // run unserialised rather than not at all
    }
    while (flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            std::perror(path.c_str());
            return;
        }
    }
    held = true;
}
