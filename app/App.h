// The root object of the process: the window, its display modes and
// messages, the subsystems it creates and owns, and the main loop that drives
// every frame.
#pragma once

#include "app/LogConsole.h"
#include "platform/Win32.h"

class Camera;
class EntityDatabase;
class FrameTimer;
class InputManager;
class Renderer;
class World;

// App is final: nothing derives from it. Run and RenderFrame are virtual all the same, because
// the object keeps the layout the rest of the program was written against: a table of exactly
// these two operations, in this order, with the destructor not in it.
class App final {
public:
    App();
    ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // Creates the subsystems, the window and the rendering context and
    // applies the windowed display mode; false stops the start-up.
    bool Init(const char* title, int width, int height, int bits);
    // Registers the window class and creates the (hidden) window.
    bool CreateMainWindow(const char* title, int width, int height, int bits);
    // Applies the display mode that `fullscreen` names; false means the program closes.
    bool ApplyDisplayMode();
    // The window procedure of the program's window.
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // The main loop; returns once `quit` is set.
    virtual void Run();
    // One frame's update and drawing.
    virtual void RenderFrame();
    // Destroys the subsystems and the window and unregisters the class.
    void Shutdown();

    // The loop's set-up: shows and focuses the window, makes and places the
    // camera. False when the camera cannot be made.
    bool RunSetup();
    // One pass of the main loop: takes one waiting message, or runs one frame
    // when none is waiting and the window is active. Needs RunSetup first.
    void RunOnePass();

    HWND window;
    HINSTANCE instance;
    bool active;
    bool fullscreen;
    RECT windowRect;
    int width;
    int height;
    int bits;
    bool quit;
    FrameTimer* timer;
    InputManager* input;
    World* world;
    Camera* camera;  // made by the renderer when the loop starts
    EntityDatabase* entities;
    Renderer* renderer;
    LogConsole console;

private:
    // Writes the console line that says which data did not load and why, naming the file to
    // mend. Only the first fault of a run is told: the later ones follow from it.
    void ReportDataFailure(const char* what, const char* reason);

    bool dataFailureReported = false;
};

// The single App of the process; the window procedure reaches it through this.
extern App* theApp;

// The plain window procedure registered with the window class.
LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
