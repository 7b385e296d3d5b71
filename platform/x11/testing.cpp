// The layer's test controls: they change what the layer's calls answer.
#include "platform/Testing.h"

#include "platform/x11/X11Platform.h"

namespace platformtest {

void Reset() {
    x11::ResetWindowing();
    x11::PlatformState& state = x11::State();
    state.manualCounter = false;
    state.counter = 0;
    state.frequency = 1000000000;
    state.pendingFailures.clear();
    state.scriptedAnswers.clear();
    state.shownBoxes.clear();
    state.scriptedInput = x11::ScriptedInput{};
}

void SetPerformanceCounter(int64_t count) {
    x11::State().manualCounter = true;
    x11::State().counter = count;
}

void AdvancePerformanceCounter(int64_t ticks) {
    x11::State().manualCounter = true;
    x11::State().counter += ticks;
}

void SetPerformanceFrequency(int64_t ticksPerSecond) {
    x11::State().frequency = ticksPerSecond;
}

void UseRealPerformanceCounter() {
    x11::State().manualCounter = false;
    x11::State().frequency = 1000000000;
}

void FailNextCall(const std::string& functionName) {
    ++x11::State().pendingFailures[functionName];
}

int PendingFailures() {
    int pending = 0;
    for (const auto& entry : x11::State().pendingFailures) pending += entry.second;
    return pending;
}

void ScriptMessageBoxAnswer(int answer) {
    x11::State().scriptedAnswers.push_back(answer);
}

std::vector<MessageBoxRecord> ShownMessageBoxes() {
    return x11::State().shownBoxes;
}

void ClearMessageBoxes() {
    x11::State().shownBoxes.clear();
}

// Codes and buttons out of range are ignored, as a device has no such key.
void PressKey(int dikCode) {
    if (dikCode >= 0 && dikCode < 256) x11::State().scriptedInput.keys[dikCode] = true;
}

void ReleaseKey(int dikCode) {
    if (dikCode >= 0 && dikCode < 256) x11::State().scriptedInput.keys[dikCode] = false;
}

void ReleaseAllKeys() {
    for (bool& key : x11::State().scriptedInput.keys) key = false;
}

void MoveMouse(int dx, int dy, int dz) {
    x11::ScriptedInput& scripted = x11::State().scriptedInput;
    scripted.mouseX += dx;
    scripted.mouseY += dy;
    scripted.mouseZ += dz;
}

void PressMouseButton(int button) {
    if (button >= 0 && button < 3) x11::State().scriptedInput.mouseButtons[button] = true;
}

void ReleaseMouseButton(int button) {
    if (button >= 0 && button < 3) x11::State().scriptedInput.mouseButtons[button] = false;
}

void LoseKeyboardInput() {
    x11::State().scriptedInput.keyboardLost = true;
}

void LoseMouseInput() {
    x11::State().scriptedInput.mouseLost = true;
}

void* XDisplayConnection() {
    return x11::OpenDisplay();
}

unsigned long XWindowOf(void* windowHandle) {
    HWND window = x11::FindWindowRecord(static_cast<HWND>(windowHandle));
    return window != nullptr ? window->xwindow : 0;
}

}  // namespace platformtest
