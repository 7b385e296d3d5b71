#include "render/GLRenderer.h"

#include <cctype>
#include <cstring>
#include <new>
#include <vector>

#include "math/MathConstants.h"
#include "render/Model.h"
#include "render/ModelInstance.h"
#include "render/TgaTexture.h"
#include "scene/GLCamera.h"

namespace {

constexpr int kWhiteTextureSize = 64;
static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40, "the pixel format record has its system size");

void ShowShutdownError(const char* message) {
    MessageBoxA(nullptr, message, "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
}

}  // namespace

GLRenderer::GLRenderer() = default;

GLRenderer::~GLRenderer() {
    Release();
}

bool GLRenderer::FailCreate(const char* message) {
    Release();
    MessageBoxA(nullptr, message, "ERROR", MB_OK | MB_ICONEXCLAMATION);
    return false;
}

bool GLRenderer::Create(HWND window, HINSTANCE instance, int width, int height, int bits,
                        bool fullscreen) {
    this->window = window;
    this->instance = instance;
    this->fullscreen = fullscreen;
    this->width = width;
    this->height = height;
    this->bits = bits;
    nearPlane = 0.1f;
    farPlane = 10000.0f;
    deviceContext = nullptr;
    renderContext = nullptr;

    deviceContext = GetDC(window);
    if (deviceContext == nullptr) return FailCreate("Can't Create A GL Device Context.");

    PIXELFORMATDESCRIPTOR descriptor = {};
    descriptor.nSize = sizeof(PIXELFORMATDESCRIPTOR);
    descriptor.nVersion = 1;
    descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    descriptor.iPixelType = PFD_TYPE_RGBA;
    descriptor.cColorBits = static_cast<BYTE>(bits);
    descriptor.cDepthBits = 16;
    descriptor.iLayerType = PFD_MAIN_PLANE;

    int format = ChoosePixelFormat(deviceContext, &descriptor);
    if (format == 0) return FailCreate("Can't Find A Suitable PixelFormat.");
    if (!SetPixelFormat(deviceContext, format, &descriptor))
        return FailCreate("Can't Set The PixelFormat.");

    renderContext = wglCreateContext(deviceContext);
    if (renderContext == nullptr) return FailCreate("Can't Create A GL Rendering Context.");
    if (!wglMakeCurrent(deviceContext, renderContext)) {
        return FailCreate("Can't Activate The GL Rendering Context.");
    }

    Resize(width, height, 90.0);
    InitState();
    return true;
}

bool GLRenderer::InitState() {
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);

    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
    const GLfloat diffuse[4] = {0.85f, 0.85f, 0.85f, 1.0f};
    const GLfloat specular[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);

    // The first texture of the context, so OpenGL names it 1: untextured
    // materials bind name 1 and keep their lit colour.
    std::vector<GLubyte> white(kWhiteTextureSize * kWhiteTextureSize, 255);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glGenTextures(1, &whiteTexture);
    glBindTexture(GL_TEXTURE_2D, whiteTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, kWhiteTextureSize, kWhiteTextureSize, 0, GL_ALPHA,
                 GL_UNSIGNED_BYTE, white.data());

    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT, GL_DIFFUSE);
    return true;
}

bool GLRenderer::Resize(int width, int height, double fieldOfView) {
    this->width = width;
    this->height = height == 0 ? 1 : height;

    glViewport(0, 0, this->width, this->height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fieldOfView,
                   static_cast<double>(this->width) / static_cast<double>(this->height), nearPlane,
                   farPlane);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    return true;
}

bool GLRenderer::Release() {
    if (fullscreen) {
        ChangeDisplaySettingsA(nullptr, 0);
        ShowCursor(TRUE);
    }
    if (renderContext != nullptr) {
        if (!wglMakeCurrent(nullptr, nullptr)) {
            ShowShutdownError("Release Of DC And RC Failed.");
            return false;
        }
        if (!wglDeleteContext(renderContext)) {
            ShowShutdownError("Release Rendering Context Failed.");
            return false;
        }
        renderContext = nullptr;
    }
    if (deviceContext != nullptr) {
        if (!ReleaseDC(window, deviceContext)) {
            ShowShutdownError("Release Device Context Failed.");
            deviceContext = nullptr;
            return false;
        }
        deviceContext = nullptr;
    }
    return true;
}

bool GLRenderer::BeginFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    return true;
}

bool GLRenderer::EndFrame() {
    return SwapBuffers(deviceContext) != FALSE;
}

Camera* GLRenderer::CreateCamera() {
    return new (std::nothrow) GLCamera(kZeroVec3, kUnitXVec3, kUnitYVec3, kUnitZVec3);
}

void GLRenderer::DrawObjects(std::list<Object3D*>& objects, Camera* camera) {
    for (Object3D* object : objects) {
        if (object != nullptr) object->Draw(camera);
    }
}

Model* GLRenderer::LoadModel(const char* fileName) {
    modelFailureReason.clear();
    Model* model = new (std::nothrow) Model();
    if (model == nullptr) {
        modelFailureReason = "out of memory for the model";
        return nullptr;
    }
    if (!model->Load(fileName)) {
        // The model goes, its reason stays for whoever has to report it.
        modelFailureReason = model->FailureReason();
        delete model;
        return nullptr;
    }
    return model;
}

DrawableHandle* GLRenderer::CreateInstance(Model* model) {
    ModelInstance* modelInstance = new (std::nothrow) ModelInstance();
    if (modelInstance == nullptr) return nullptr;
    // An instance whose lists could not be built still comes back; it just draws nothing.
    modelInstance->Build(model);
    return modelInstance;
}

namespace {

// Whether the text after the file name's last point is "tga", in any case.
bool HasTgaExtension(const TextureRecord& record) {
    const char* end = static_cast<const char*>(std::memchr(record.fileName, '\0', kModelNameSize));
    if (end == nullptr) return false;
    const char* extension = end;
    while (extension != record.fileName && extension[-1] != '.') --extension;
    // Without a point there is no extension.
    if (extension == record.fileName || end - extension != 3) return false;
    const char tga[] = "tga";
    for (int i = 0; i < 3; ++i) {
        if (std::tolower(static_cast<unsigned char>(extension[i])) != tga[i]) return false;
    }
    return true;
}

}  // namespace

bool GLRenderer::LoadTextures(Model* model) {
    if (model == nullptr) return false;
    TextureRecord* records = model->GetTextures();
    const int count = model->GetTextureCount();
    for (int i = 0; i < count; ++i) {
        TextureRecord& record = records[i];
        if (!HasTgaExtension(record)) continue;
        // Only the texture name outlives this step: the pixels are OpenGL's now.
        TgaTexture texture;
        if (!texture.Load(record)) return false;
        texture.Upload(record);
        texture.Free();
    }
    return true;
}

void GLRenderer::FreeTextures(Model* model) {
    std::vector<GLuint> names;
    if (model != nullptr) {
        const TextureRecord* records = model->GetTextures();
        for (int i = 0; i < model->GetTextureCount(); ++i) names.push_back(records[i].glName);
    }
    glDeleteTextures(static_cast<GLsizei>(names.size()), names.data());
}
