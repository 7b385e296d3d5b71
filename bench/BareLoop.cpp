// The bare frame loop the program's frame rate is measured against: the program's own window
// and renderer at 640 x 480, and every frame nothing but the clear of colour and depth and the
// swap. Usage: velmora_bare_loop WARM-UP-SECONDS COUNTED-SECONDS. After the warm-up it counts
// frames for the given time and prints "frames N seconds S".
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/Win32.h"
#include "render/GLRenderer.h"

namespace {

using Clock = std::chrono::steady_clock;

LRESULT CALLBACK BareWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const char* warmUpText = std::getenv("VELMORA_BARE_WARMUP");
    const char* countedText = std::getenv("VELMORA_BARE_SECONDS");
    const double warmUp = warmUpText != nullptr ? std::atof(warmUpText) : 1.0;
    const double counted = countedText != nullptr ? std::atof(countedText) : 4.0;

    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = BareWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "BareLoop";
    if (!RegisterClassA(&windowClass)) return 2;
    HWND window = CreateWindowExA(0, "BareLoop", "Bare loop",
                                  WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                                  640, 480, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 2;
    GLRenderer renderer;
    if (!renderer.Create(window, instance, 640, 480, 32, false)) return 2;
    ShowWindow(window, SW_SHOW);

    Clock::time_point const start = Clock::now();
    Clock::time_point countFrom = start;
    bool counting = false;
    long frames = 0;
    for (;;) {
        renderer.BeginFrame();
        renderer.EndFrame();
        Clock::time_point const now = Clock::now();
        if (!counting) {
            if (Seconds(start, now) >= warmUp) {
                counting = true;
                countFrom = now;
            }
            continue;
        }
        ++frames;
        if (Seconds(countFrom, now) >= counted) {
            std::printf("frames %ld seconds %f\n", frames, Seconds(countFrom, now));
            break;
        }
    }
    std::fflush(stdout);
    renderer.Release();
    DestroyWindow(window);
    UnregisterClassA("BareLoop", instance);
    return 0;
}
