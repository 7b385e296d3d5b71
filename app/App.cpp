#include "app/App.h"

#include <list>
#include <set>
#include <vector>

#include "app/FrameTimer.h"
#include "app/MessagePump.h"
#include "input/Binding.h"
#include "input/CameraDashCommand.h"
#include "input/CameraMoveCommand.h"
#include "input/ChordTrigger.h"
#include "input/InputManager.h"
#include "input/KeyTrigger.h"
#include "input/QuitCommand.h"
#include "input/SequenceTrigger.h"
#include "input/ToggleFullscreenCommand.h"
#include "math/MathConstants.h"
#include "platform/DirectInput.h"
#include "render/Drawable.h"
#include "render/GLRenderer.h"
#include "render/Model.h"
#include "scene/Camera.h"
#include "world/EntityDatabase.h"
#include "world/World.h"

App* theApp = nullptr;

namespace {

const char kClassName[] = "App";
constexpr DWORD kWindowedStyle = WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD kFullscreenStyle =
    WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_BORDER | WS_SYSMENU;
constexpr double kFieldOfView = 90.0;

// The full-screen chord: right Alt with Enter. The trigger reads the keys
// from here for the life of the program.
const int kFullscreenChord[2] = {DIK_RMENU, DIK_RETURN};
constexpr float kDashStepSeconds = 0.33f;

Binding* MakeBinding(Trigger* trigger, Command* command) {
    Binding* binding = new Binding();
    binding->Set(trigger, command);
    return binding;
}

void ShowStartupError(const char* message, UINT icon = MB_ICONEXCLAMATION) {
    MessageBoxA(nullptr, message, "ERROR", MB_OK | icon);
}

void ShowShutdownError(const char* message) {
    MessageBoxA(nullptr, message, "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
}

}  // namespace

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return theApp->HandleMessage(window, message, wParam, lParam);
}

App::App()
    : window(nullptr),
      instance(nullptr),
      active(false),
      fullscreen(false),
      windowRect{0, 0, 0, 0},
      width(0),
      height(0),
      bits(0),
      quit(false),
      timer(nullptr),
      input(nullptr),
      world(nullptr),
      camera(nullptr),
      entities(nullptr),
      renderer(nullptr) {}

App::~App() {
    Shutdown();
}

bool App::Init(const char* title, int width, int height, int bits) {
    GLRenderer* glRenderer = new GLRenderer();
    renderer = glRenderer;
    timer = new FrameTimer();
    input = new InputManager();
    world = new World();
    entities = new EntityDatabase();

    console.Open();

    this->width = width;
    this->height = height;
    this->bits = bits;

    if (!CreateMainWindow(title, width, height, bits)) {
        console << "Window Creation Failure.\n";
        return false;
    }
    if (!renderer->Create(window, instance, width, height, bits, fullscreen)) return false;
    console << "Graphics Initialized\n";

    if (!timer->Init()) return false;
    console << "Timing Initialized\n";

    if (!input->Init(window, instance, timer)) return false;
    input->AddBinding(MakeBinding(new KeyTrigger(DIK_ESCAPE), new QuitCommand(&quit)));
    input->AddBinding(MakeBinding(new ChordTrigger(kFullscreenChord, 2),
                                  new ToggleFullscreenCommand(&fullscreen, this)));
    console << "Input Initialized\n";

    // Without its data the program still runs and shows an empty world; the console says
    // what is missing.
    world->Init();
    if (!entities->Init(glRenderer, "Levels", "Entities")) {
        ReportDataFailure("Data directories not usable", entities->FailureReason());
    }

    console << "Finished Intialization\n";
    return ApplyDisplayMode();
}

bool App::CreateMainWindow(const char* title, int width, int height, int /*bits*/) {
    windowRect = RECT{0, 0, width, height};
    instance = GetModuleHandleA(nullptr);

    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, IDI_WINLOGO);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = nullptr;
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassA(&windowClass)) {
        ShowStartupError("Failed To Register The Window Class.");
        return false;
    }

    fullscreen = false;

    window = CreateWindowExA(0, kClassName, title, kWindowedStyle, 0, 0,
                             windowRect.right - windowRect.left, windowRect.bottom - windowRect.top,
                             nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        Shutdown();
        ShowStartupError("Window Creation Error.");
        return false;
    }
    return true;
}

bool App::ApplyDisplayMode() {
    if (!fullscreen) {
        ChangeDisplaySettingsA(nullptr, CDS_FULLSCREEN);
        SetWindowLongA(window, GWL_STYLE, static_cast<LONG>(kWindowedStyle));
        ShowWindow(window, SW_RESTORE);
        SetWindowPos(window, HWND_TOP, windowRect.left, windowRect.top,
                     windowRect.right - windowRect.left, windowRect.bottom - windowRect.top,
                     SWP_SHOWWINDOW);
        return true;
    }

    DEVMODEA mode = {};
    // The size of the display-mode record in the system interface the program is written
    // against, which is what the system checks; not sizeof(DEVMODEA) of whichever compiler
    // builds it (156 with the headers of today's toolchains).
    mode.dmSize = 148;
    mode.dmPelsWidth = static_cast<DWORD>(width);
    mode.dmPelsHeight = static_cast<DWORD>(height);
    mode.dmBitsPerPel = static_cast<DWORD>(bits);
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;

    GetWindowRect(window, &windowRect);

    if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL) {
        SetWindowLongA(window, GWL_STYLE, static_cast<LONG>(kFullscreenStyle));
        ShowWindow(window, SW_SHOWMAXIMIZED);
        return true;
    }

    int answer = MessageBoxA(nullptr,
                             "The Requested Fullscreen Mode Is Not Supported By\n"
                             "Your Video Card. Use Windowed Mode Instead?",
                             "App", MB_YESNO | MB_ICONEXCLAMATION);
    if (answer == IDYES) {
        fullscreen = false;
        return true;
    }
    ShowStartupError("Program Will Now Close.", MB_ICONSTOP);
    quit = true;
    return false;
}

LRESULT App::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            // Also arrives while the window is being created, before the
            // rendering context exists; the renderer then only keeps the size.
            if (renderer != nullptr) renderer->Resize(LOWORD(lParam), HIWORD(lParam), kFieldOfView);
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_ACTIVE || LOWORD(wParam) == WA_CLICKACTIVE) {
                active = true;
                // Foreground devices can only be taken while the window is in front.
                if (input != nullptr) input->AcquireDevices();
            } else {
                active = false;
            }
            return 0;
        case WM_KILLFOCUS:
            active = false;
            return 0;
        case WM_CLOSE:
            PostQuitMessage(0);
            return 0;
        case WM_SYSCOMMAND:
            // Keep the screen saver and monitor power-saving from interrupting.
            if (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER) return 0;
            break;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void App::Run() {
    if (!RunSetup()) return;
    while (!quit) RunOnePass();
}

void App::ReportDataFailure(const char* what, const char* reason) {
    if (dataFailureReported) return;
    dataFailureReported = true;
    console << what << ": " << reason << "\n";
}

bool App::RunSetup() {
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(window);
    // The window became active while still hidden, when the input manager gave it the focus
    // during Init, before the devices existed; being shown and brought to the front does not
    // activate it again. So the devices are taken here, now that the window is in front.
    input->AcquireDevices();

    camera = renderer->CreateCamera();
    if (camera == nullptr) return false;  // out of memory: nothing to show
    camera->MoveTo(Vec3(0.0f, 0.0f, 1000.0f), true);

    input->AddBinding(
        MakeBinding(new KeyTrigger(DIK_LEFT), new CameraMoveCommand(camera, 0, -1.0f, false)));
    input->AddBinding(
        MakeBinding(new KeyTrigger(DIK_RIGHT), new CameraMoveCommand(camera, 0, 1.0f, false)));
    input->AddBinding(MakeBinding(new SequenceTrigger(new int[3]{DIK_LEFT, DIK_RIGHT, DIK_LEFT}, 3,
                                                      nullptr, kDashStepSeconds),
                                  new CameraDashCommand(camera)));

    // A level file ending in a line feed answers 0 with every entity loaded and no reason:
    // nothing to tell.
    if (!entities->LoadLevel("01") && entities->FailureReason()[0] != '\0') {
        ReportDataFailure("Level 01", entities->FailureReason());
    }
    Object3D* robot = entities->FindEntity("brakmoor");
    if (robot != nullptr) {
        world->Add(robot);
    } else {
        // A missing entity leaves the world empty.
        ReportDataFailure("Entity brakmoor not found", entities->FailureReason());
    }
    world->Update(kSmallEpsilon);
    return true;
}

void App::RunOnePass() {
    if (PumpOneMessage(quit)) return;
    if (!active) return;

    timer->Tick();
    input->Update();
    camera->Update(timer->frameSeconds);
    RenderFrame();
}

void App::RenderFrame() {
    world->Update(timer->frameSeconds);
    renderer->BeginFrame();
    camera->ApplyView();
    std::list<Object3D*> visible;
    world->QueryFrustum(camera->GetFrustum(), visible);
    renderer->DrawObjects(visible, camera);
    renderer->EndFrame();
}

void App::Shutdown() {
    // The entities in the world are the copies this App asked the database
    // for, and so its own; the world only knew them. Their drawing instances
    // and the models they share with the database's prototypes are made to
    // last as long as the program: they go now, with it. Each instance goes
    // with its entity, while the rendering context it drew with still exists.
    std::set<Model*> models;
    if (world != nullptr) {
        const std::vector<Object3D*> added = world->entities;
        delete world;
        world = nullptr;
        for (Object3D* entity : added) {
            models.insert(entity->GetModel());
            delete entity->renderInstance;
            delete entity;
        }
    }
    // The input manager takes its bindings, and with them the commands that
    // point at the camera, before the camera goes.
    delete input;
    input = nullptr;
    // The camera goes before the renderer that made it.
    delete camera;
    camera = nullptr;
    if (entities != nullptr) {
        for (Object3D* prototype : entities->prototypes) models.insert(prototype->GetModel());
    }
    delete entities;
    entities = nullptr;
    for (Model* model : models) delete model;
    delete renderer;
    renderer = nullptr;
    delete timer;
    timer = nullptr;

    if (window != nullptr && !DestroyWindow(window)) {
        ShowShutdownError("Could Not Release hWnd.");
    }
    window = nullptr;

    if (!UnregisterClassA(kClassName, instance)) {
        ShowShutdownError("Could Not Unregister Class.");
        instance = nullptr;
    }
}
