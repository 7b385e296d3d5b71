// velmora_longrun: the real program on the X server for minutes on end,
// driven the way a restless user would drive it. Random keys go down and up
// (the bound ones among them: Left, Right, Left-Right-Left, right Alt +
// Enter), the mouse moves and clicks, the window loses and regains the focus
// and changes size. At the end Escape must end the program with exit code 1,
// with no sanitizer report about its own code on its standard error, and its
// memory must be no larger than it was after the first seconds (both measured
// in the window it starts with).
//
//   velmora_longrun --program PATH --directory DIR --seconds N [--seed S]
//
// Frames are counted from the program's "Combo " lines, one per frame; memory
// is the resident size (VmRSS) read from /proc. Exit code 0 when every check
// holds, 1 when one fails, 2 for wrong arguments.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <set>
#include <signal.h>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <X11/Xlib.h>

#include "e2e/ProgramProcess.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Memory may wobble this much above what it was after the warm-up, in the
// same window, without counting as growth (the allocator's caches).
constexpr long kMemorySlackKb = 8 * 1024;
// A program that has had the focus this long and drawn nothing since has hung.
constexpr auto kLongestSilence = 10s;
constexpr auto kProgressEvery = 30s;

// Reports of errors; a leak report is looked at leak by leak.
const char* const kSanitizerErrors[] = {"ERROR: AddressSanitizer", "UndefinedBehaviorSanitizer",
                                        "runtime error:"};

struct Options {
    std::string program;
    std::string directory;
    int seconds = 0;
    unsigned seed = 0;
};

// What /proc tells of a process: its resident size, and whether it has ended
// (a zombie, not yet waited for).
struct ProcessStatus {
    long residentKb = 0;
    bool ended = false;
};

ProcessStatus StatusOf(pid_t pid) {
    ProcessStatus status;
    std::ifstream file("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    if (!file) status.ended = true;
    while (std::getline(file, line)) {
        if (line.rfind("VmRSS:", 0) == 0) status.residentKb = std::atol(line.c_str() + 6);
        if (line.rfind("State:", 0) == 0) status.ended = line.find('Z') != std::string::npos;
    }
    return status;
}

// What the sanitizers reported about the program's own code. LeakSanitizer
// also lists memory that shared libraries keep for the life of the process
// and never give back: the sanitizer runtime's own, and the system OpenGL
// driver's, which is unloaded with the display at teardown, so its frames
// read "<unknown module>". A leak is the program's when a frame of its
// allocation lies in the program itself, which is linked into the executable.
bool IsProgramFrame(const std::string& frame) {
    return frame.find(".so") == std::string::npos &&
           frame.find("<unknown module>") == std::string::npos &&
           frame.find("libsanitizer") == std::string::npos;
}

std::vector<std::string> OwnReports(const std::string& errors) {
    std::vector<std::string> reports;
    for (const char* error : kSanitizerErrors) {
        if (errors.find(error) != std::string::npos) reports.push_back(error);
    }
    std::istringstream lines(errors);
    std::string line;
    std::string leak;  // the header of the leak being read
    bool leakIsOwn = false;
    auto endLeak = [&]() {
        if (!leak.empty() && leakIsOwn) reports.push_back(leak);
        leak.clear();
        leakIsOwn = false;
    };
    while (std::getline(lines, line)) {
        if (line.rfind("Direct leak of", 0) == 0 || line.rfind("Indirect leak of", 0) == 0) {
            endLeak();
            leak = line;
        } else if (!leak.empty() && line.find("    #") == 0) {
            // Frame 0 is the sanitizer's allocator; the caller is what counts.
            const bool allocator = line.find("    #0 ") == 0;
            if (!allocator && IsProgramFrame(line)) {
                if (!leakIsOwn) leak += " " + line.substr(line.find_first_not_of(' '));
                leakIsOwn = true;
            }
        } else if (line.empty()) {
            endLeak();
        }
    }
    endLeak();
    return reports;
}

class LongRun {
public:
    LongRun(Display* display, const Options& options)
        : display(display), options(options), random(options.seed) {}

    int Run();

private:
    // Waits while reading the program's output, sampling its memory and
    // watching that it stays alive and drawing. False once something failed.
    bool Pause(std::chrono::milliseconds duration);
    void ReadOutput();
    bool Fail(const std::string& problem);

    void Key(KeyCode code, bool down);
    void Tap(KeyCode code);
    KeyCode Code(KeySym symbol) const { return XKeysymToKeycode(display, symbol); }
    void ReleaseHeldKeys();

    void Focus(bool onProgram);
    void Resize(int width, int height);
    void ToggleFullScreen();
    void MoveMouse();
    void RandomAction();
    void WarmUp();
    bool CoversScreen();
    long SettledMemory();
    bool End();
    void Report(int exitCode);

    int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }
    KeyCode RandomKey() {
        return keys[static_cast<std::size_t>(Between(0, static_cast<int>(keys.size()) - 1))];
    }

    Display* display;
    Options options;
    std::mt19937 random;
    ProgramProcess* program = nullptr;
    Window window = 0;
    std::vector<KeyCode> keys;  // every key the run presses at random
    std::set<KeyCode> held;

    bool failed = false;
    std::string problem;
    bool focused = true;

    std::size_t scanned = 0;  // bytes of the output counted so far
    long frames = 0;
    Clock::time_point lastFrame;
    Clock::time_point focusedSince;

    long keyEvents = 0, focusChanges = 0, resizes = 0, fullScreenChords = 0, mouseEvents = 0;

    Clock::time_point nextSample;
    long startKb = 0, afterWarmUpKb = 0, endKb = 0, highestKb = 0;
    long sampledKb = 0;  // the latest sample
    bool reported = false;
};

bool LongRun::Fail(const std::string& what) {
    if (!failed) problem = what;
    failed = true;
    return false;
}

void LongRun::ReadOutput() {
    // Whole lines only: a line can arrive in pieces.
    const std::string& output = program->Output();
    for (;;) {
        const std::size_t end = output.find('\n', scanned);
        if (end == std::string::npos) return;
        if (output.compare(scanned, 6, "Combo ") == 0) {
            ++frames;
            lastFrame = Clock::now();
        }
        scanned = end + 1;
    }
}

bool LongRun::Pause(std::chrono::milliseconds duration) {
    const Clock::time_point until = Clock::now() + duration;
    do {
        if (failed) return false;
        ReadOutput();
        const Clock::time_point now = Clock::now();
        if (now >= nextSample) {
            nextSample = now + 250ms;
            const ProcessStatus status = StatusOf(program->Pid());
            if (status.ended) {
                const int exitCode = program->WaitForExit(5s);
                return Fail("the program ended before Escape, with exit code " +
                            std::to_string(exitCode));
            }
            if (status.residentKb > 0) {
                sampledKb = status.residentKb;
                highestKb = std::max(highestKb, sampledKb);
            }
        }
        if (focused && now - std::max(lastFrame, focusedSince) > kLongestSilence) {
            return Fail("the program drew nothing for 10 s while it had the focus");
        }
        std::this_thread::sleep_for(std::min<Clock::duration>(5ms, until - now));
    } while (Clock::now() < until);
    return !failed;
}

void LongRun::Key(KeyCode code, bool down) {
    if (code == 0) return;
    XTestFakeKeyEvent(display, code, down ? True : False, CurrentTime);
    XFlush(display);
    ++keyEvents;
    if (down) {
        held.insert(code);
    } else {
        held.erase(code);
    }
}

void LongRun::Tap(KeyCode code) {
    Key(code, true);
    Pause(std::chrono::milliseconds(Between(20, 120)));
    Key(code, false);
}

void LongRun::ReleaseHeldKeys() {
    const std::set<KeyCode> down = held;
    for (KeyCode code : down) Key(code, false);
}

void LongRun::Focus(bool onProgram) {
    XSetInputFocus(display, onProgram ? window : DefaultRootWindow(display), RevertToPointerRoot,
                   CurrentTime);
    XFlush(display);
    ++focusChanges;
    focused = onProgram;
    // An inactive program draws nothing: the silence counts from here.
    if (onProgram) focusedSince = Clock::now();
}

void LongRun::Resize(int width, int height) {
    XResizeWindow(display, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XFlush(display);
    ++resizes;
}

void LongRun::ToggleFullScreen() {
    const KeyCode alt = Code(XK_Alt_R);
    Key(alt, true);
    Pause(std::chrono::milliseconds(Between(10, 60)));
    Tap(Code(XK_Return));
    Key(alt, false);
    ++fullScreenChords;
}

void LongRun::MoveMouse() {
    const int screen = DefaultScreen(display);
    XTestFakeMotionEvent(display, screen, Between(0, DisplayWidth(display, screen) - 1),
                         Between(0, DisplayHeight(display, screen) - 1), CurrentTime);
    ++mouseEvents;
    if (Between(0, 3) == 0) {
        const unsigned button = static_cast<unsigned>(Between(1, 3));
        XTestFakeButtonEvent(display, button, True, CurrentTime);
        XTestFakeButtonEvent(display, button, False, CurrentTime);
        mouseEvents += 2;
    }
    XFlush(display);
}

void LongRun::RandomAction() {
    const int choice = Between(0, 99);
    if (choice < 35) {
        Tap(RandomKey());
    } else if (choice < 50) {
        // Hold a key for a while, or let one go: several can be down at once.
        const KeyCode code = RandomKey();
        Key(code, held.count(code) == 0);
    } else if (choice < 62) {
        Tap(Code(Between(0, 1) ? XK_Left : XK_Right));
    } else if (choice < 68) {
        // Left, Right, Left within the combination's time limits.
        Tap(Code(XK_Left));
        Tap(Code(XK_Right));
        Tap(Code(XK_Left));
    } else if (choice < 71) {
        ToggleFullScreen();
    } else if (choice < 76) {
        Focus(!focused);
    } else if (choice < 84) {
        const int screen = DefaultScreen(display);
        Resize(Between(1, DisplayWidth(display, screen)),
               Between(1, DisplayHeight(display, screen)));
    } else {
        MoveMouse();
    }
    if (!focused && Between(0, 3) == 0) Focus(true);  // mostly it has the focus
}

// Every kind of event once early on, the largest window among them, so that
// the memory the run needs at most is in use before the warm-up ends.
void LongRun::WarmUp() {
    const int screen = DefaultScreen(display);
    Resize(DisplayWidth(display, screen), DisplayHeight(display, screen));
    Pause(500ms);
    Resize(640, 480);
    Pause(500ms);
    ToggleFullScreen();
    Pause(1s);
    ToggleFullScreen();
    Pause(1s);
    Focus(false);
    Tap(Code(XK_space));
    Pause(300ms);
    Focus(true);
    Pause(300ms);
    Tap(Code(XK_Left));
    Tap(Code(XK_Right));
    Tap(Code(XK_Left));
    MoveMouse();
}

bool LongRun::CoversScreen() {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) return false;
    const int screen = DefaultScreen(display);
    return attributes.width >= DisplayWidth(display, screen) &&
           attributes.height >= DisplayHeight(display, screen);
}

// The program's memory in the state it starts in: in a 640 x 480 window, with
// the focus and no key down. Memory is compared in this state only, since a
// larger window or the full screen rightly takes larger drawing buffers.
long LongRun::SettledMemory() {
    ReleaseHeldKeys();
    if (!focused) Focus(true);
    for (int i = 0; i < 4 && CoversScreen(); ++i) {
        ToggleFullScreen();
        Pause(1s);
    }
    Resize(640, 480);
    Pause(2s);
    long least = 0;
    for (int i = 0; i < 5; ++i) {
        Pause(250ms);
        if (least == 0 || (sampledKb > 0 && sampledKb < least)) least = sampledKb;
    }
    return least;
}

bool LongRun::End() {
    ReleaseHeldKeys();
    if (!focused) Focus(true);
    // Escape only counts while the program is active: see it draw first.
    const long before = frames;
    for (int i = 0; i < 400 && frames < before + 3; ++i) {
        if (!Pause(25ms)) return false;
    }
    if (frames < before + 3) return Fail("the program drew nothing after it got the focus back");
    endKb = SettledMemory();
    if (failed) return false;

    Tap(Code(XK_Escape));
    const int exitCode = program->WaitForExit(60s);
    ReadOutput();
    Report(exitCode);
    if (exitCode == -1) {
        program->Signal(SIGKILL);
        return Fail("Escape did not end the program within 60 s");
    }
    if (exitCode != 1) return Fail("the program ended with exit code " + std::to_string(exitCode));
    const std::vector<std::string> reports = OwnReports(program->Errors());
    if (!reports.empty()) {
        for (const std::string& report : reports) std::printf("sanitizer: %s\n", report.c_str());
        return Fail("the sanitizers reported problems in the program");
    }
    if (endKb > afterWarmUpKb + kMemorySlackKb) {
        return Fail("the program's memory grew after the warm-up");
    }
    return true;
}

void LongRun::Report(int exitCode) {
    reported = true;
    std::printf("frames: %ld\n", frames);
    std::printf(
        "key events: %ld (presses and releases; right Alt + Enter %ld times); "
        "mouse events: %ld; focus changes: %ld; resizes: %ld\n",
        keyEvents, fullScreenChords, mouseEvents, focusChanges, resizes);
    std::printf(
        "memory (VmRSS): %ld kB at the start, %ld kB after the warm-up, "
        "%ld kB at the end (both in a 640 x 480 window), %ld kB at most\n",
        startKb, afterWarmUpKb, endKb, highestKb);
    if (exitCode >= 0) std::printf("exit code: %d\n", exitCode);
}

int LongRun::Run() {
    const KeySym symbols[] = {
        XK_Left,      XK_Right,     XK_Up,       XK_Down,      XK_Return, XK_Alt_R,  XK_Alt_L,
        XK_Control_L, XK_Control_R, XK_Shift_L,  XK_Shift_R,   XK_space,  XK_Tab,    XK_BackSpace,
        XK_Home,      XK_End,       XK_Page_Up,  XK_Page_Down, XK_Insert, XK_Delete, XK_F1,
        XK_F5,        XK_F12,       XK_KP_Enter, XK_KP_5,      XK_a,      XK_q,      XK_w,
        XK_s,         XK_d,         XK_z,        XK_1,         XK_0,      XK_minus,  XK_comma};
    for (KeySym symbol : symbols) {
        if (Code(symbol) != 0) keys.push_back(Code(symbol));
    }

    ProgramProcess process(options.program, options.directory);
    program = &process;
    if (!process.Started()) {
        Fail("the program could not be started");
    } else if (!process.WaitForOutput("Finished Intialization\n", 60s)) {
        Fail("the program did not start");
    } else if ((window = FindWindowByName(display, "Velmora", 20s)) == 0) {
        Fail("the program's window did not appear");
    } else {
        focusedSince = Clock::now();
        for (int i = 0; i < 400 && frames == 0 && !failed; ++i) Pause(25ms);
        if (frames == 0) Fail("the program drew no frame");
    }
    startKb = process.Started() ? StatusOf(process.Pid()).residentKb : 0;

    const Clock::time_point start = Clock::now();
    const Clock::time_point deadline = start + std::chrono::seconds(options.seconds);
    const auto warmUp = std::chrono::seconds(std::min(60, std::max(5, options.seconds / 3)));
    if (!failed) WarmUp();
    Clock::time_point nextProgress = start + kProgressEvery;
    bool warmingUp = true;
    while (!failed && Clock::now() < deadline) {
        if (warmingUp && Clock::now() - start >= warmUp) {
            warmingUp = false;
            afterWarmUpKb = SettledMemory();
        }
        RandomAction();
        Pause(std::chrono::milliseconds(Between(10, 150)));
        if (Clock::now() >= nextProgress) {
            nextProgress += kProgressEvery;
            const long seconds = static_cast<long>(
                std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start).count());
            std::printf("%4ld s: %ld frames, %ld key events, %ld kB\n", seconds, frames, keyEvents,
                        sampledKb);
            std::fflush(stdout);
        }
    }
    if (!failed) End();

    if (failed) {
        if (!reported) Report(-1);
        std::printf("FAILED: %s\n", problem.c_str());
        // A report starts with what matters most.
        const std::string& errors = process.Errors();
        if (!errors.empty()) {
            std::printf("its standard error (the first 20000 bytes):\n%s\n",
                        errors.substr(0, 20000).c_str());
        }
        return 1;
    }
    std::printf("passed\n");
    return 0;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: velmora_longrun --program PATH --directory DIR --seconds N [--seed S]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    options.seed = std::random_device()();
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const std::string value = argv[i + 1];
        if (name == "--program") {
            options.program = value;
        } else if (name == "--directory") {
            options.directory = value;
        } else if (name == "--seconds") {
            options.seconds = std::atoi(value.c_str());
        } else if (name == "--seed") {
            options.seed = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 10));
        } else {
            return Usage();
        }
    }
    if (argc % 2 == 0 || options.program.empty() || options.directory.empty() ||
        options.seconds < 1) {
        return Usage();
    }

    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "velmora_longrun: cannot open the X display\n");
        return 1;
    }
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
        std::fprintf(stderr, "velmora_longrun: the X server has no XTest extension\n");
        XCloseDisplay(display);
        return 1;
    }
    std::printf("long run of %s for %d s, seed %u\n", options.program.c_str(), options.seconds,
                options.seed);
    std::fflush(stdout);
    const int result = LongRun(display, options).Run();
    XCloseDisplay(display);
    return result;
}
