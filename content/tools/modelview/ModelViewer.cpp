#include "content/tools/modelview/ModelViewer.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstring>
#include <iostream>
#include <thread>
#include <vector>

#include "app/MessagePump.h"
#include "input/InputDevice.h"
#include "platform/DirectInput.h"
#include "render/DrawableHandle.h"
#include "render/GLRenderer.h"
#include "render/Model.h"
#include "scene/Camera.h"

namespace {

const char kClassName[] = "ModelView";
constexpr DWORD kWindowStyle = WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr RECT kFirstArea = {0, 0, 640, 480};

// How fast the keys turn and zoom, and how far a drag turns.
constexpr float kTurnDegreesPerSecond = 90.0f;
constexpr float kDragDegreesPerPoint = 0.4f;
constexpr float kZoomPerSecond = 0.35f;  // the distance held + shrinks to in one second
constexpr float kZoomPerNotch = 0.85f;   // one notch of the wheel away from the user
constexpr float kWheelNotch = 120.0f;    // what one notch adds to the wheel axis
// A frame that took longer (the window was dragged, the machine busy) still turns only this far.
constexpr float kLongestFrame = 0.1f;
// While the window is in the background the picture is kept fresh, at a gentler pace.
constexpr auto kBackgroundPause = std::chrono::milliseconds(50);

// The one viewer of the process, for the window procedure.
ModelViewer* theViewer = nullptr;

LRESULT CALLBACK ViewerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (theViewer == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    return theViewer->HandleMessage(window, message, wParam, lParam);
}

std::string Counted(int count, const char* noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

bool HasTgaExtension(const char* name) {
    const char* point = std::strrchr(name, '.');
    if (point == nullptr || std::strlen(point) != 4) return false;
    const char tga[] = "tga";
    for (int i = 0; i < 3; ++i) {
        if (std::tolower(static_cast<unsigned char>(point[1 + i])) != tga[i]) return false;
    }
    return true;
}

}  // namespace

ModelViewer::ModelViewer() : renderer(new GLRenderer()) {
    theViewer = this;
}

ModelViewer::~ModelViewer() {
    CloseWindow();
    if (classRegistered) UnregisterClassA(kClassName, instance);
    theViewer = nullptr;
}

int ModelViewer::Run(const char* path) {
    if (!Locate(path)) return kNotShown;
    model.reset(Load("cannot show"));
    if (model == nullptr) return kNotShown;
    turntable.Fit(*model);
    if (!timer.Init()) {
        std::cerr << "modelview: this machine has no high-resolution clock\n";
        return kNotShown;
    }

    instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = ViewerWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, IDI_WINLOGO);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    classRegistered = RegisterClassA(&windowClass) != 0;
    if (!classRegistered) {
        std::cerr << "modelview: the window class cannot be registered\n";
        return kNotShown;
    }
    if (!OpenWindow(TitleFor(*model), kFirstArea)) return kNotShown;
    PrepareDrawing();

    while (!quit) {
        if (PumpOneMessage(quit)) continue;
        Frame();
        if (!active) std::this_thread::sleep_for(kBackgroundPause);
    }
    return exitCode;
}

bool ModelViewer::Locate(const char* path) {
    std::vector<char> full(MAX_PATH);
    char* namePart = nullptr;
    DWORD length = GetFullPathNameA(path, static_cast<DWORD>(full.size()), full.data(), &namePart);
    if (length >= full.size()) {
        full.resize(length + 1);
        length = GetFullPathNameA(path, static_cast<DWORD>(full.size()), full.data(), &namePart);
    }
    if (length == 0 || length >= full.size() || namePart == nullptr || *namePart == '\0') {
        std::cerr << "modelview: '" << path << "' does not name a file\n";
        return false;
    }
    fullPath.assign(full.data(), length);
    fileName = namePart;
    // The folder, with its separator: a drive's or the file system's root keeps it.
    const std::string folder(full.data(), static_cast<size_t>(namePart - full.data()));
    if (!SetCurrentDirectoryA(folder.c_str())) {
        std::cerr << "modelview: cannot show '" << fullPath
                  << "': its folder does not exist or cannot be entered\n";
        return false;
    }
    return true;
}

Model* ModelViewer::Load(const char* failure) {
    Model* loaded = renderer->LoadModel(fullPath.c_str());
    if (loaded == nullptr) {
        std::cerr << "modelview: " << failure << " '" << fullPath
                  << "': " << renderer->ModelFailureReason() << "\n";
    }
    return loaded;
}

std::string ModelViewer::TitleFor(const Model& shown) const {
    return fileName + " - " + Counted(shown.GetFaceCount(), "quad") + ", " +
           Counted(shown.GetMaterialCount(), "material") + ", " +
           Counted(shown.GetTextureCount(), "texture");
}

bool ModelViewer::OpenWindow(const std::string& newTitle, const RECT& area) {
    title = newTitle;
    window = CreateWindowExA(0, kClassName, title.c_str(), kWindowStyle, area.left, area.top,
                             area.right - area.left, area.bottom - area.top, nullptr, nullptr,
                             instance, nullptr);
    if (window == nullptr) {
        std::cerr << "modelview: the window cannot be created\n";
        return false;
    }
    // The renderer says itself what went wrong.
    if (!renderer->Create(window, instance, area.right - area.left, area.bottom - area.top, 32,
                          false)) {
        CloseWindow();
        return false;
    }
    input.reset(new InputDevice());
    if (!input->Init(window, instance)) {
        std::cerr << "modelview: the keyboard and the mouse cannot be read\n";
        CloseWindow();
        return false;
    }
    camera.reset(renderer->CreateCamera());
    if (camera == nullptr) {
        std::cerr << "modelview: out of memory for the camera\n";
        CloseWindow();
        return false;
    }
    ApplyView();

    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(window);
    // Shown and in front, the window can take its foreground devices.
    input->AcquireDevices();
    return true;
}

void ModelViewer::CloseWindow() {
    ReleaseDrawing();
    camera.reset();
    input.reset();
    renderer->Release();
    if (window != nullptr) DestroyWindow(window);
    window = nullptr;
    active = false;
}

void ModelViewer::PrepareDrawing() {
    drawing.reset(renderer->CreateInstance(model.get()));
    renderer->LoadTextures(model.get());
    // LoadTextures stops at the first texture it cannot read and skips names that are not
    // TGA files; say which textures are missing from the picture, and why.
    bool failureSeen = false;
    const TextureRecord* records = model->GetTextures();
    for (int i = 0; i < model->GetTextureCount(); ++i) {
        if (records[i].glName != 0) continue;
        std::cerr << "modelview: texture '" << records[i].fileName << "' not shown: ";
        if (!HasTgaExtension(records[i].fileName)) {
            std::cerr << "the program loads only TGA files\n";
        } else if (!failureSeen) {
            std::cerr << "it is missing or not a TGA file the program reads\n";
            failureSeen = true;
        } else {
            std::cerr << "not tried after the one before it failed\n";
        }
    }
}

void ModelViewer::ReleaseDrawing() {
    // Both belong to the rendering context, which must still be current.
    drawing.reset();
    if (model != nullptr && renderer->renderContext != nullptr) renderer->FreeTextures(model.get());
}

void ModelViewer::ApplyView() {
    turntable.SetWindowSize(renderer->width, renderer->height);
    renderer->nearPlane = turntable.NearPlane();
    renderer->farPlane = turntable.FarPlane();
    renderer->Resize(renderer->width, renderer->height, Turntable::kFieldOfView);
    if (camera != nullptr) camera->MoveTo(Vec3(0.0f, 0.0f, turntable.Distance()), true);
}

LRESULT ModelViewer::HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            // Also comes while the window is being made, before its rendering context: the
            // renderer then only keeps the size.
            renderer->width = LOWORD(lParam);
            renderer->height = HIWORD(lParam);
            ApplyView();
            return 0;
        case WM_ACTIVATE:
        case WM_KILLFOCUS:
            // Active only while activated; the devices can be taken only then.
            active = message == WM_ACTIVATE &&
                     (LOWORD(wParam) == WA_ACTIVE || LOWORD(wParam) == WA_CLICKACTIVE);
            if (active && input != nullptr) input->AcquireDevices();
            return 0;
        case WM_CLOSE:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

void ModelViewer::Frame() {
    timer.Tick();
    if (active && input != nullptr) {
        input->Update();
        Steer(std::min(timer.frameSeconds, kLongestFrame));
    }
    if (quit || window == nullptr) return;
    renderer->BeginFrame();
    camera->ApplyView();
    if (drawing != nullptr) drawing->Draw(model.get(), camera.get(), turntable.Placement());
    renderer->EndFrame();
}

void ModelViewer::Steer(float seconds) {
    if (input->KeyPressed(DIK_ESCAPE)) {
        exitCode = kClosed;
        quit = true;
        return;
    }
    if (input->KeyPressed(DIK_R)) {
        Reload();
        if (quit || input == nullptr) return;
    }

    const auto held = [this](int key) { return input->KeyDown(key) ? 1.0f : 0.0f; };
    float right = (held(DIK_RIGHT) - held(DIK_LEFT)) * kTurnDegreesPerSecond * seconds;
    float down = (held(DIK_DOWN) - held(DIK_UP)) * kTurnDegreesPerSecond * seconds;
    if (input->MouseButtonDown(0)) {
        // The y axis counts motion away from the user as positive: that drags the front up.
        right += input->MouseAxis(0) * kDragDegreesPerPoint;
        down -= input->MouseAxis(1) * kDragDegreesPerPoint;
    }
    if (right != 0.0f || down != 0.0f) turntable.Turn(right, down);

    // + sits on the = key of the main keyboard, or on the keypad.
    const float nearer = std::max(held(DIK_EQUALS), held(DIK_ADD));
    const float farther = std::max(held(DIK_MINUS), held(DIK_SUBTRACT));
    float zoom = std::pow(kZoomPerSecond, (nearer - farther) * seconds);
    zoom *= std::pow(kZoomPerNotch, input->MouseAxis(2) / kWheelNotch);
    if (zoom != 1.0f) {
        turntable.Zoom(zoom);
        ApplyView();
    }
}

void ModelViewer::Reload() {
    std::unique_ptr<Model> fresh(Load("still showing the model loaded before, cannot reload"));
    if (fresh == nullptr) return;

    ReleaseDrawing();
    model = std::move(fresh);
    turntable.Fit(*model);
    const std::string newTitle = TitleFor(*model);
    if (newTitle != title) {
        // A window's title is given when it is made: a new one takes the old one's place.
        RECT area = kFirstArea;
        GetWindowRect(window, &area);
        CloseWindow();
        if (!OpenWindow(newTitle, area)) {
            exitCode = kNotShown;
            quit = true;
            return;
        }
    }
    ApplyView();
    PrepareDrawing();
}
