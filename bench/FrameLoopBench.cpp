// The frame loop: the real program on the X display the benchmark runs on, its frames per
// second counted from its console (one "Combo " line per frame), against a GLFW program that
// draws the same robot with the same OpenGL state and calls (bench/GlfwPeer.cpp, counted the
// same way), and against the bare loop (the program's window and renderer doing nothing but
// clear and swap) on the same display. They take turns, one of each per round, the program and
// the peer trading places from round to round, so that all three see the same machine.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include "bench/Results.h"

namespace {

constexpr double kWarmUpSeconds = 1.0;
constexpr double kCountedSeconds = 4.0;
constexpr double kStartTimeoutSeconds = 30.0;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// A child process in directory with its standard output on a pipe and its standard error
// discarded.
class Child {
public:
    Child(const char* program, const char* directory) {
        int ends[2];
        if (pipe(ends) != 0) return;
        pid = fork();
        if (pid == 0) {
            dup2(ends[1], STDOUT_FILENO);
            const int null = open("/dev/null", O_WRONLY);
            if (null >= 0) dup2(null, STDERR_FILENO);
            close(ends[0]);
            close(ends[1]);
            if (chdir(directory) != 0) _exit(126);
            execl(program, program, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(ends[1]);
        output = ends[0];
    }
    ~Child() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        if (output >= 0) close(output);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // Appends what the child wrote within the time left until deadline; false once the child
    // closed its output.
    bool Read(std::string& text, Clock::time_point deadline) {
        const int wait = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
        pollfd ready{output, POLLIN, 0};
        if (poll(&ready, 1, wait > 0 ? wait : 0) <= 0) return true;
        char buffer[65536];
        const ssize_t count = read(output, buffer, sizeof(buffer));
        if (count <= 0) return false;
        text.append(buffer, static_cast<size_t>(count));
        return true;
    }

    pid_t pid = -1;
    int output = -1;
};

// Counts the "Combo " lines among the complete lines of text and drops them from it.
long TakeComboLines(std::string& text) {
    long lines = 0;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        if (text.compare(start, 6, "Combo ") == 0) ++lines;
    }
    text.erase(0, start);
    return lines;
}

// The frames per second of binary (the program or the peer), counted from the "Combo " lines
// it writes once a frame, or 0 when it did not run.
double LineCountedFramesPerSecond(const char* binary) {
    Child child(binary, VELMORA_RUNTIME_DIR);
    if (child.output < 0) return 0.0;
    std::string text;
    Clock::time_point const started = Clock::now();
    long lines = 0;
    while (lines == 0) {  // the first frame
        Clock::time_point const deadline =
            started + std::chrono::duration_cast<Clock::duration>(
                          std::chrono::duration<double>(kStartTimeoutSeconds));
        if (Clock::now() >= deadline || !child.Read(text, deadline)) return 0.0;
        lines = TakeComboLines(text);
    }
    Clock::time_point const warm =
        Clock::now() +
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kWarmUpSeconds));
    while (Clock::now() < warm) {
        if (!child.Read(text, warm)) return 0.0;
        TakeComboLines(text);
    }
    Clock::time_point const from = Clock::now();
    Clock::time_point const until = from + std::chrono::duration_cast<Clock::duration>(
                                               std::chrono::duration<double>(kCountedSeconds));
    long frames = 0;
    while (Clock::now() < until) {
        if (!child.Read(text, until)) return 0.0;
        frames += TakeComboLines(text);
    }
    return static_cast<double>(frames) / Seconds(from, Clock::now());
}

// The bare loop's frames per second, or 0 when it did not run.
double BareFramesPerSecond() {
    setenv("VELMORA_BARE_WARMUP", std::to_string(kWarmUpSeconds).c_str(), 1);
    setenv("VELMORA_BARE_SECONDS", std::to_string(kCountedSeconds).c_str(), 1);
    Child bare(VELMORA_BARE_LOOP, VELMORA_RUNTIME_DIR);
    if (bare.output < 0) return 0.0;
    std::string text;
    Clock::time_point const deadline =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                           kStartTimeoutSeconds + kWarmUpSeconds + kCountedSeconds));
    while (Clock::now() < deadline && bare.Read(text, deadline)) {
    }
    long frames = 0;
    double seconds = 0.0;
    if (std::sscanf(text.c_str(), "frames %ld seconds %lf", &frames, &seconds) != 2 ||
        seconds <= 0.0) {
        return 0.0;
    }
    return static_cast<double>(frames) / seconds;
}

void BM_FrameLoop(benchmark::State& state) {
    if (std::getenv("DISPLAY") == nullptr) {
        state.SkipWithError("no X display (DISPLAY is not set)");
        return;
    }
    // The repetitions run one after another; the order of program and peer alternates.
    static int round = 0;
    for (auto _ : state) {
        double program = 0.0;
        double peer = 0.0;
        if (round++ % 2 == 0) {
            program = LineCountedFramesPerSecond(VELMORA_BINARY);
            peer = LineCountedFramesPerSecond(VELMORA_GLFW_PEER);
        } else {
            peer = LineCountedFramesPerSecond(VELMORA_GLFW_PEER);
            program = LineCountedFramesPerSecond(VELMORA_BINARY);
        }
        const double bare = BareFramesPerSecond();
        if (program <= 0.0 || peer <= 0.0 || bare <= 0.0) {
            state.SkipWithError(
                "the program, the peer or the bare loop did not run on the display");
            return;
        }
        state.SetIterationTime(3.0 * kCountedSeconds);
        state.counters["program_fps"] = program;
        state.counters["peer_fps"] = peer;
        state.counters["bare_fps"] = bare;
        results::Record("frame/program_fps", program);
        results::Record("frame/peer_fps", peer);
        results::Record("frame/bare_fps", bare);
        results::Record("frame/ratio", program / peer);
    }
}

}  // namespace

BENCHMARK(BM_FrameLoop)->Iterations(1)->Repetitions(5)->UseManualTime()->Unit(benchmark::kSecond);
