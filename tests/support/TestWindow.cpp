#include "tests/support/TestWindow.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "tests/support/XInputLock.h"

namespace {

// Messages of every test window, in arrival order. WM_SIZE can arrive while
// CreateWindowExA runs (WS_VISIBLE), before the TestWindow knows its handle, so
// records are kept by handle and filtered on reading.
std::vector<ReceivedMessage>& Received() {
    static std::vector<ReceivedMessage> received;
    return received;
}

int& OpenWindowCount() {
    static int count = 0;
    return count;
}

LRESULT CALLBACK RecordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Received().push_back(ReceivedMessage{window, message, wParam, lParam});
    if (message == WM_CLOSE) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

void ForgetMessagesOf(HWND window) {
    auto& received = Received();
    received.erase(
        std::remove_if(received.begin(), received.end(),
                       [window](const ReceivedMessage& m) { return m.window == window; }),
        received.end());
}

}  // namespace

const char* const TestWindow::kClassName = "VelmoraTestWindow";

TestWindow::~TestWindow() {
    Close();
}

bool TestWindow::Create(int width, int height, DWORD style, int x, int y) {
    Close();
    WNDCLASSA windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = RecordingProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kClassName;
    // Fails harmlessly when another test window already registered the class.
    RegisterClassA(&windowClass);

    // The size given to CreateWindowExA includes the frame, where the system has one.
    RECT outer{0, 0, width, height};
    AdjustWindowRectEx(&outer, style, FALSE, 0);
    window_ = CreateWindowExA(0, kClassName, "Velmora test", style, x, y, outer.right - outer.left,
                              outer.bottom - outer.top, nullptr, nullptr, GetModuleHandleA(nullptr),
                              nullptr);
    if (window_ == nullptr) {
        if (OpenWindowCount() == 0) UnregisterClassA(kClassName, GetModuleHandleA(nullptr));
        return false;
    }
    ++OpenWindowCount();
    return true;
}

PIXELFORMATDESCRIPTOR TestWindow::RendererPixelFormat() {
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 32;
    pfd.cDepthBits = 16;
    pfd.iLayerType = PFD_MAIN_PLANE;
    return pfd;
}

bool TestWindow::CreateContext() {
    if (window_ == nullptr) return false;
    dc_ = GetDC(window_);
    if (dc_ == nullptr) return false;
    PIXELFORMATDESCRIPTOR pfd = RendererPixelFormat();
    int format = ChoosePixelFormat(dc_, &pfd);
    if (format == 0 || !SetPixelFormat(dc_, format, &pfd)) return false;
    context_ = wglCreateContext(dc_);
    if (context_ == nullptr) return false;
    return wglMakeCurrent(dc_, context_) == TRUE;
}

bool TestWindow::Open(int width, int height) {
    return Create(width, height) && CreateContext();
}

bool TestWindow::ShowAndFocus() {
    if (window_ == nullptr) return false;
    HoldXInputLock();
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    SetFocus(window_);
    return PumpUntil([this] {
        for (const ReceivedMessage& m : Messages()) {
            if (m.message == WM_ACTIVATE && LOWORD(m.wParam) == WA_ACTIVE) return true;
        }
        return false;
    });
}

void TestWindow::Close() {
    if (context_ != nullptr) {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(context_);
        context_ = nullptr;
    }
    if (window_ != nullptr) {
        if (dc_ != nullptr) ReleaseDC(window_, dc_);
        DestroyWindow(window_);
        ForgetMessagesOf(window_);
        window_ = nullptr;
        if (--OpenWindowCount() == 0) UnregisterClassA(kClassName, GetModuleHandleA(nullptr));
    }
    dc_ = nullptr;
}

std::vector<ReceivedMessage> TestWindow::Messages() const {
    std::vector<ReceivedMessage> mine;
    for (const ReceivedMessage& m : Received()) {
        if (m.window == window_) mine.push_back(m);
    }
    return mine;
}

std::vector<UINT> TestWindow::MessageIds() const {
    std::vector<UINT> ids;
    for (const ReceivedMessage& m : Messages()) ids.push_back(m.message);
    return ids;
}

int TestWindow::CountOf(UINT message) const {
    int count = 0;
    for (const ReceivedMessage& m : Messages()) count += m.message == message ? 1 : 0;
    return count;
}

void TestWindow::ClearMessages() {
    ForgetMessagesOf(window_);
}

std::vector<uint8_t> TestWindow::ReadPixels() const {
    RECT client = ClientRectOf(window_);
    if (client.right <= 0 || client.bottom <= 0) return {};
    int width = client.right;
    int height = client.bottom;
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);

    // Leave the pixel-store state as the code under test set it.
    GLint alignment = 4;
    GLint readBuffer = GL_BACK;
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_READ_BUFFER, &readBuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glReadBuffer(static_cast<GLenum>(readBuffer));
    glPixelStorei(GL_PACK_ALIGNMENT, alignment);
    return pixels;
}

std::array<uint8_t, 4> TestWindow::PixelAt(int x, int y) const {
    RECT client = ClientRectOf(window_);
    if (x < 0 || y < 0 || x >= client.right || y >= client.bottom) {
        ADD_FAILURE() << "pixel (" << x << ", " << y << ") is outside the test window";
        return {0, 0, 0, 0};
    }
    std::vector<uint8_t> pixels = ReadPixels();
    size_t row = static_cast<size_t>(y) * static_cast<size_t>(client.right);
    size_t at = (row + static_cast<size_t>(x)) * 4;
    return {pixels[at], pixels[at + 1], pixels[at + 2], pixels[at + 3]};
}

RECT WindowRectOf(HWND window) {
    RECT rect{};
    if (!GetWindowRect(window, &rect)) return RECT{};
    return rect;
}

RECT ClientRectOf(HWND window) {
    RECT rect{};
    if (!GetClientRect(window, &rect)) return RECT{};
    return rect;
}

bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

void PrintTo(const RECT& rect, std::ostream* out) {
    *out << "(" << rect.left << ", " << rect.top << ", " << rect.right << ", " << rect.bottom
         << ")";
}

bool PumpMessages() {
    bool quit = false;
    MSG msg{};
    // Bounded, so a procedure that keeps posting cannot hang a test.
    for (int handled = 0; handled < 10000; ++handled) {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) break;
        if (msg.message == WM_QUIT) {
            quit = true;
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return quit;
}

bool PumpUntil(const std::function<bool()>& condition, int timeoutMilliseconds) {
    auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
    while (true) {
        PumpMessages();
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}
