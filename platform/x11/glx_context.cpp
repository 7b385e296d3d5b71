// Linux platform layer: device contexts and WGL over GLX.
//
// Provides:
//   [X] GetDC, ReleaseDC (every window owns one device context, as with CS_OWNDC)
//   [X] ChoosePixelFormat, SetPixelFormat (one pixel format, number 1: the GL
//       visual every window is created with; none on a display without GL)
//   [X] wglCreateContext (a GLX compatibility context: the program draws with
//       OpenGL 1.1 fixed function), wglMakeCurrent, wglDeleteContext
//   [X] SwapBuffers
//   [ ] Several pixel formats, DescribePixelFormat, shared display lists,
//       WGL extensions: the program needs none.
#include <algorithm>

#include "platform/x11/X11Platform.h"

namespace {

// The one pixel format the layer offers.
const int kPixelFormat = 1;

// A device context of a live window, or null.
HDC FindDeviceContext(HDC dc) {
    if (dc == nullptr) return nullptr;
    for (HWND window : x11::State().windows) {
        if (window->dc == dc) return dc;
    }
    return nullptr;
}

HGLRC FindContext(HGLRC context) {
    if (context == nullptr) return nullptr;
    const std::vector<HGLRC>& contexts = x11::State().contexts;
    return std::find(contexts.begin(), contexts.end(), context) != contexts.end() ? context
                                                                                  : nullptr;
}

int VisualAttribute(int attribute) {
    x11::PlatformState& state = x11::State();
    int value = 0;
    if (glXGetConfig(state.display, state.visual, attribute, &value) != 0) return 0;
    return value;
}

}  // namespace

namespace x11 {

void DestroyContextRecord(HGLRC context) {
    PlatformState& state = State();
    if (state.display != nullptr && context->context != nullptr) {
        if (glXGetCurrentContext() == context->context)
            glXMakeCurrent(state.display, None, nullptr);
        glXDestroyContext(state.display, context->context);
    }
    state.contexts.erase(std::remove(state.contexts.begin(), state.contexts.end(), context),
                         state.contexts.end());
    delete context;
}

}  // namespace x11

// The window's own device context, made on first use.
HDC GetDC(HWND window) {
    if (x11::ConsumeFailure("GetDC")) return nullptr;
    if (x11::FindWindowRecord(window) == nullptr) return nullptr;
    if (window->dc == nullptr) {
        window->dc = new HDC__;
        window->dc->window = window;
    }
    return window->dc;
}

// An own device context stays with its window; releasing it only checks it.
int ReleaseDC(HWND window, HDC dc) {
    if (x11::ConsumeFailure("ReleaseDC")) return 0;
    if (x11::FindWindowRecord(window) == nullptr || dc == nullptr || window->dc != dc) return 0;
    return 1;
}

// Answers format 1 when the GL visual satisfies the request, otherwise 0.
int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* pfd) {
    if (x11::ConsumeFailure("ChoosePixelFormat")) return 0;
    if (FindDeviceContext(dc) == nullptr || pfd == nullptr) return 0;
    if ((pfd->dwFlags & PFD_SUPPORT_OPENGL) == 0 || pfd->iPixelType != PFD_TYPE_RGBA) return 0;
    x11::PlatformState& state = x11::State();
    if (!state.glVisual) {
        x11::ReportError(
            "GLX", "display \"%s\" offers no double-buffered RGBA visual with a depth buffer%s",
            DisplayString(state.display), state.glxErrorBase < 0 ? " (it has no GLX)" : "");
        return 0;
    }
    if (!VisualAttribute(GLX_USE_GL) || !VisualAttribute(GLX_RGBA)) return 0;
    if ((pfd->dwFlags & PFD_DOUBLEBUFFER) != 0 && !VisualAttribute(GLX_DOUBLEBUFFER)) return 0;
    if (VisualAttribute(GLX_DEPTH_SIZE) < pfd->cDepthBits) return 0;
    return kPixelFormat;
}

// Sets the format once; another format on the same device context fails, as on Windows.
BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR* /*pfd*/) {
    if (x11::ConsumeFailure("SetPixelFormat")) return FALSE;
    if (FindDeviceContext(dc) == nullptr || format != kPixelFormat) return FALSE;
    if (dc->pixelFormat != 0 && dc->pixelFormat != format) return FALSE;
    dc->pixelFormat = format;
    return TRUE;
}

HGLRC wglCreateContext(HDC dc) {
    if (x11::ConsumeFailure("wglCreateContext")) return nullptr;
    if (FindDeviceContext(dc) == nullptr || dc->pixelFormat == 0) return nullptr;
    x11::PlatformState& state = x11::State();
    GLXContext glx = glXCreateContext(state.display, state.visual, nullptr, True);
    if (glx == nullptr) {
        x11::ReportError("GLX", "cannot create a rendering context");
        return nullptr;
    }
    HGLRC context = new HGLRC__;
    context->context = glx;
    state.contexts.push_back(context);
    return context;
}

// Makes the context current on the device context's window; (null, null)
// releases the current context.
BOOL wglMakeCurrent(HDC dc, HGLRC context) {
    if (x11::ConsumeFailure("wglMakeCurrent")) return FALSE;
    x11::PlatformState& state = x11::State();
    if (context == nullptr) {
        if (state.display != nullptr) glXMakeCurrent(state.display, None, nullptr);
        return TRUE;
    }
    if (FindDeviceContext(dc) == nullptr || FindContext(context) == nullptr) return FALSE;
    if (dc->pixelFormat == 0) return FALSE;
    return glXMakeCurrent(state.display, dc->window->xwindow, context->context) ? TRUE : FALSE;
}

BOOL wglDeleteContext(HGLRC context) {
    if (x11::ConsumeFailure("wglDeleteContext")) return FALSE;
    if (FindContext(context) == nullptr) return FALSE;
    x11::DestroyContextRecord(context);
    return TRUE;
}

BOOL SwapBuffers(HDC dc) {
    if (x11::ConsumeFailure("SwapBuffers")) return FALSE;
    if (FindDeviceContext(dc) == nullptr) return FALSE;
    glXSwapBuffers(x11::State().display, dc->window->xwindow);
    return TRUE;
}
