// Test controls of the Linux platform layer.
//
// They let a test make the layer do what a real system does only on its own
// terms: a call that fails, a counter at an exact value, an answer to a message
// box. The program never includes this header; only tests do.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platformtest {

// Puts every control back to its default: the real monotonic counter at its
// real frequency, no scripted failures, no scripted answers, no recorded boxes.
void Reset();

// ---- Clock -----------------------------------------------------------------
// From now on QueryPerformanceCounter answers exactly this value.
void SetPerformanceCounter(int64_t count);
// Moves the hand-set counter on by the given number of ticks.
void AdvancePerformanceCounter(int64_t ticks);
// QueryPerformanceFrequency answers this frequency (ticks per second).
void SetPerformanceFrequency(int64_t ticksPerSecond);
// Back to the real monotonic counter and its frequency.
void UseRealPerformanceCounter();

// ---- Failures ----------------------------------------------------------------
// The next call of the named function fails as the real system would report
// it (null handle, FALSE, 0 or an error code). Each request fails one call;
// several requests for one name fail that many calls in a row. Names are the
// Win32/WGL names: "RegisterClassA", "CreateWindowExA", "GetDC",
// "ChoosePixelFormat", "SetPixelFormat", "wglCreateContext", "wglMakeCurrent",
// "wglDeleteContext", "ReleaseDC", "DestroyWindow", "UnregisterClassA",
// "ChangeDisplaySettingsA", "QueryPerformanceFrequency", ...
void FailNextCall(const std::string& functionName);
// How many scripted failures are still waiting.
int PendingFailures();

// ---- Message boxes --------------------------------------------------------------
struct MessageBoxRecord {
    std::string text;
    std::string caption;
    unsigned type;  // the MB_ flags as passed
    bool hasOwner;  // true when an owner window was given
};
// The next message box answers this (IDOK, IDYES, IDNO, ...) instead of the
// default (IDYES for MB_YESNO boxes, IDOK otherwise). Answers queue up.
void ScriptMessageBoxAnswer(int answer);
// Every message box shown since the last Reset or ClearMessageBoxes, in order.
std::vector<MessageBoxRecord> ShownMessageBoxes();
void ClearMessageBoxes();

// ---- Input devices ---------------------------------------------------------------
// Keys and buttons held here add to what the real X keyboard and pointer
// report: the next device read sees them. Key codes are DIK codes (0..255).
void PressKey(int dikCode);
void ReleaseKey(int dikCode);
void ReleaseAllKeys();
// Adds motion (and wheel) to what the next mouse read reports.
void MoveMouse(int dx, int dy, int dz = 0);
// Mouse buttons 0..2.
void PressMouseButton(int button);
void ReleaseMouseButton(int button);
// The next read of the device answers DIERR_INPUTLOST and leaves the device
// unacquired, as after the window lost the foreground. Device calls can also
// be made to fail with FailNextCall: "DirectInput8Create", "CreateDevice",
// "SetDataFormat", "SetCooperativeLevel", "Acquire", "GetDeviceState".
void LoseKeyboardInput();
void LoseMouseInput();

// ---- The X side, for tests that look at the real window -------------------------
// The X display connection the layer uses (an Xlib Display*), opened on demand;
// null when no display can be opened.
void* XDisplayConnection();
// The X window behind a window handle, or 0.
unsigned long XWindowOf(void* windowHandle);

}  // namespace platformtest
