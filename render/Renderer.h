// The drawing device as the rest of the program sees it. GLRenderer is its
// one implementation. Operations return true on success.
#pragma once

#include <list>

#include "platform/Win32.h"

class Camera;
class DrawableHandle;
class Object3D;
class Model;

class Renderer {
public:
    virtual ~Renderer() = default;

    // Sets up pixel format and rendering context on the window, then the
    // viewport and the fixed drawing state. On failure shows its own message
    // and leaves everything released.
    virtual bool Create(HWND window, HINSTANCE instance, int width, int height, int bits,
                        bool fullscreen) = 0;
    // Establishes the fixed drawing state. Always true.
    virtual bool InitState() = 0;
    // Viewport and perspective for a new client size. Always true.
    virtual bool Resize(int width, int height, double fieldOfView) = 0;
    // Releases the rendering and device contexts; reports and stops at the first failure.
    virtual bool Release() = 0;
    // Clears colour and depth and resets the model-view matrix. Always true.
    virtual bool BeginFrame() = 0;
    // Shows the frame: the result of the buffer swap.
    virtual bool EndFrame() = 0;
    // The scene's camera at the origin with the unit axes; owned by the caller, null when it
    // cannot be made.
    virtual Camera* CreateCamera() = 0;
    // Draws every listed object, front to back, as seen by camera.
    virtual void DrawObjects(std::list<Object3D*>& objects, Camera* camera) = 0;

    // Reads a model file into a new model owned by the caller; null when the file cannot be
    // opened or is malformed. Every call reads the file anew.
    virtual Model* LoadModel(const char* fileName) = 0;
    // A new drawing instance for model, built in the current context; owned by the caller,
    // null only when it cannot be allocated. model must outlive it.
    virtual DrawableHandle* CreateInstance(Model* model) = 0;
    // Loads and uploads every TGA texture of model, in record order, setting each record's
    // glName; records naming other kinds of file are skipped untouched. False at the first
    // TGA file that cannot be read; the records after it are not attempted.
    virtual bool LoadTextures(Model* model) = 0;
    // Deletes the texture names of every record of model in one call; the records keep them.
    virtual void FreeTextures(Model* model) = 0;
};
