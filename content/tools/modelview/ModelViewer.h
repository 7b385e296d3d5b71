// The model viewer: one window that shows one model file as the program draws it (its
// renderer's state, its drawing instances, its textures), turned with the arrow keys or a drag
// of the left mouse button, brought nearer and farther with the wheel or + and -, read again
// from the file on R, and closed with Escape. The title names the file and what it holds.
//
// The window and its keys are the viewer's own: the program's App is not involved.
#pragma once

#include <memory>
#include <string>

#include "app/FrameTimer.h"
#include "content/tools/modelview/Turntable.h"
#include "platform/Win32.h"

class Camera;
class DrawableHandle;
class GLRenderer;
class InputDevice;
class Model;

class ModelViewer {
public:
    // What Run answers.
    static constexpr int kClosed = 0;    // the user closed the window
    static constexpr int kNotShown = 1;  // the model or the window could not be had

    ModelViewer();
    ~ModelViewer();
    ModelViewer(const ModelViewer&) = delete;
    ModelViewer& operator=(const ModelViewer&) = delete;

    // Loads the model file and shows it until the user closes the window. A file that does
    // not load gets one line on standard error and no window.
    int Run(const char* path);

    // The window procedure of the viewer's window class.
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    // Finds the file, makes its folder the working directory (a model names its textures
    // relative to itself) and keeps the file's full path and name.
    bool Locate(const char* path);
    // The model in the file, or null after a line that starts with `failure` and says why.
    Model* Load(const char* failure);
    // "name - 876 quads, 6 materials, 0 textures".
    std::string TitleFor(const Model& model) const;
    // The window with its rendering context, input devices and camera, where `area` says
    // (the outer rectangle), shown and in front.
    bool OpenWindow(const std::string& title, const RECT& area);
    void CloseWindow();
    // The drawing instance and the textures of the model, in the current context.
    void PrepareDrawing();
    void ReleaseDrawing();
    // Projection and camera for the turntable's distance and the window's size.
    void ApplyView();
    // One pass of the loop: what the keys and the mouse ask for, then a picture.
    void Frame();
    void Steer(float seconds);
    // Reads the file again; a file that no longer loads leaves the last model showing.
    void Reload();

    std::string fullPath;
    std::string fileName;
    HINSTANCE instance = nullptr;
    bool classRegistered = false;
    HWND window = nullptr;
    std::string title;
    bool active = false;
    bool quit = false;
    int exitCode = kClosed;
    FrameTimer timer;
    Turntable turntable;
    std::unique_ptr<GLRenderer> renderer;
    std::unique_ptr<InputDevice> input;
    std::unique_ptr<Camera> camera;
    std::unique_ptr<Model> model;
    std::unique_ptr<DrawableHandle> drawing;
};
