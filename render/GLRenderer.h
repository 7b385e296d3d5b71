// The OpenGL device: pixel format and rendering context on the program's
// window, the fixed state every drawing relies on, the viewport and the
// 90-degree perspective kept in step with the window, and the frame brackets.
#pragma once

#include <string>

#include "platform/OpenGL.h"
#include "render/Renderer.h"

class GLRenderer : public Renderer {
public:
    GLRenderer();
    ~GLRenderer() override;
    GLRenderer(const GLRenderer&) = delete;
    GLRenderer& operator=(const GLRenderer&) = delete;

    bool Create(HWND window, HINSTANCE instance, int width, int height, int bits,
                bool fullscreen) override;
    bool InitState() override;
    bool Resize(int width, int height, double fieldOfView) override;
    bool Release() override;
    bool BeginFrame() override;
    bool EndFrame() override;
    Camera* CreateCamera() override;
    void DrawObjects(std::list<Object3D*>& objects, Camera* camera) override;
    Model* LoadModel(const char* fileName) override;
    DrawableHandle* CreateInstance(Model* model) override;
    bool LoadTextures(Model* model) override;
    void FreeTextures(Model* model) override;
    // Why the last LoadModel gave null, as the model loader put it; empty after one that
    // gave a model.
    const char* ModelFailureReason() const { return modelFailureReason.c_str(); }

    HWND window = nullptr;
    HINSTANCE instance = nullptr;
    bool fullscreen = false;
    int width = 0;
    int height = 0;
    int bits = 0;
    float nearPlane = 0.1f;
    float farPlane = 10000.0f;
    HDC deviceContext = nullptr;
    HGLRC renderContext = nullptr;
    GLuint whiteTexture = 0;  // 64 x 64 alpha texture of 255: leaves colours unchanged

private:
    std::string modelFailureReason;

    // Releases, then shows a start-up failure; always false.
    bool FailCreate(const char* message);
};
