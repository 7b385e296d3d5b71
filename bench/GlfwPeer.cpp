// The peer the program's frame rate is measured against: a plain GLFW program that draws what
// velmora draws in its first frames, with its own window, context, loop and OpenGL calls. Only
// the model file is read with the program's loader. Usage: velmora_glfw_peer [MODEL-FILE]
// (by default the robot the program loads, relative to its runtime directory). It runs until
// it is stopped.
//
// What it copies from the program, so that the two do the same work on the same display:
// - the client area: velmora asks for a 640 x 480 window, the frame of an overlapped window
//   included, which leaves 632 x 453 inside it; viewport and aspect ratio follow that;
// - the framebuffer of the program's visual here: RGB without alpha, a 32-bit depth buffer
//   and no stencil (printed on standard error at start, to check by hand);
// - the renderer's state: smooth shading, depth test LEQUAL, perspective hint, lighting with
//   light 0 (diffuse 0.85, specular 0.5) and separate specular colour, alpha blending, 2D
//   texturing with the 64 x 64 white alpha texture bound, colour-material tracking of the
//   front diffuse colour; 90 degrees, near 0.1, far 10000;
// - the camera at (0, 0, 1000) looking at the origin, the robot at the origin unturned;
// - the drawing: one display list per material (shininess, specular, colour), a texture bind
//   when the name changes, the faces turned towards the camera (Newell's normal), each face
//   its own glBegin/glEnd with a normal and a vertex per corner, texture coordinates when the
//   face has them;
// - the console line: velmora writes "Combo " and a newline to its standard output every
//   frame, flushed, which is part of its frame's cost, so the peer writes the same line the
//   same way; the benchmark counts the peer's frames from these lines as it does the
//   program's.
#include <cstdio>
#include <vector>

#include <GL/glu.h>
#include <GLFW/glfw3.h>

#include "render/Model.h"

namespace {

constexpr int kClientWidth = 632;
constexpr int kClientHeight = 453;
constexpr GLuint kWhiteTextureName = 1;  // the first texture made in the context
constexpr float kCamera[3] = {0.0f, 0.0f, 1000.0f};

// The separate specular colour is OpenGL 1.2; the 1.1 header may lack the names.
constexpr GLenum kLightModelColorControl = 0x81F8;
constexpr GLenum kSeparateSpecularColor = 0x81FA;

void ReportGlfwError(int code, const char* text) {
    std::fprintf(stderr, "GLFW: error 0x%x: %s\n", code, text);
}

void SetState(int width, int height) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(90.0, static_cast<double>(width) / height, 0.1f, 10000.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glLightModeli(kLightModelColorControl, kSeparateSpecularColor);
    const GLfloat diffuse[4] = {0.85f, 0.85f, 0.85f, 1.0f};
    const GLfloat specular[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);

    const std::vector<GLubyte> white(64 * 64, 255);
    GLuint name = 0;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, 64, 64, 0, GL_ALPHA, GL_UNSIGNED_BYTE, white.data());

    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT, GL_DIFFUSE);
}

// One display list of material state per material; the first name, or 0.
GLuint BuildMaterialLists(const Model& model) {
    const GLuint base = glGenLists(model.GetMaterialCount());
    if (base == 0) return 0;
    for (int i = 0; i < model.GetMaterialCount(); ++i) {
        const Material& material = model.GetMaterials()[i];
        const GLfloat specular[4] = {material.specular[0], material.specular[1],
                                     material.specular[2], 1.0f};
        glNewList(base + static_cast<GLuint>(i), GL_COMPILE);
        glMaterialf(GL_FRONT, GL_SHININESS, material.shininess);
        glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
        glColor3fv(material.colour);
        glEndList();
    }
    return base;
}

// Where the robot stands: its axes in world coordinates (the columns of its rotation) and its
// position. The program places it at the origin, unturned.
struct Placement {
    float axes[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    float position[3] = {0, 0, 0};
};

// The point p turned by the placement's rotation.
void Turn(const Placement& placement, const float p[3], float out[3]) {
    for (int row = 0; row < 3; ++row) {
        out[row] = placement.axes[0][row] * p[0] + placement.axes[1][row] * p[1] +
                   placement.axes[2][row] * p[2];
    }
}

// Whether the face, placed, shows its front to the camera: Newell's normal of its corners,
// turned with the robot, against the way from its turned first corner to the camera relative
// to the robot's position. Edge-on counts as turned away.
bool FacesCamera(const Vec3* vertices, const Face& face, const Placement& placement,
                 const float eye[3]) {
    float normal[3] = {0.0f, 0.0f, 0.0f};
    for (int i = 0; i < 4; ++i) {
        const Vec3& a = vertices[face.vertexIndex[i]];
        const Vec3& b = vertices[face.vertexIndex[(i + 1) % 4]];
        normal[0] += (a.y - b.y) * (a.z + b.z);
        normal[1] += (a.z - b.z) * (a.x + b.x);
        normal[2] += (a.x - b.x) * (a.y + b.y);
    }
    const Vec3& first = vertices[face.vertexIndex[0]];
    const float corner[3] = {first.x, first.y, first.z};
    float turnedNormal[3];
    float turnedCorner[3];
    Turn(placement, normal, turnedNormal);
    Turn(placement, corner, turnedCorner);
    float dot = 0.0f;
    for (int i = 0; i < 3; ++i) dot += turnedNormal[i] * (eye[i] - turnedCorner[i]);
    return dot > 0.0f;
}

void DrawRobot(const Model& model, GLuint lists, const Placement& placement) {
    GLfloat matrix[16] = {};
    for (int column = 0; column < 3; ++column) {
        for (int row = 0; row < 3; ++row) matrix[column * 4 + row] = placement.axes[column][row];
        matrix[12 + column] = placement.position[column];
    }
    matrix[15] = 1.0f;
    glPushMatrix();
    glMultMatrixf(matrix);
    float eye[3];
    for (int i = 0; i < 3; ++i) eye[i] = kCamera[i] - placement.position[i];
    const Face* faces = model.GetFaces();
    const Vec3* vertices = model.GetVertices();
    const Vec3* normals = model.GetNormals();
    GLuint bound = 0;
    for (int m = 0; m < model.GetMaterialCount(); ++m) {
        const Material& material = model.GetMaterials()[m];
        const GLuint name = material.textureIndex == -1
                                ? kWhiteTextureName
                                : model.GetTextureName(material.textureIndex);
        if (name != bound) {
            glBindTexture(GL_TEXTURE_2D, name);
            bound = name;
        }
        glCallList(lists + static_cast<GLuint>(m));
        for (int i = 0; i < material.faceCount; ++i) {
            const Face& face = faces[material.faceIndices[i]];
            if (!FacesCamera(vertices, face, placement, eye)) continue;
            const TexCoordSet* set = face.setCount > 0 ? face.sets : nullptr;
            glBegin(GL_QUADS);
            for (int corner = 0; corner < 4; ++corner) {
                if (set != nullptr) glTexCoord2fv(&set->corners[corner].x);
                glNormal3fv(&normals[face.normalIndex[corner]].x);
                glVertex3fv(&vertices[face.vertexIndex[corner]].x);
            }
            glEnd();
        }
    }
    glPopMatrix();
}

// Whether every index of the model's faces lies inside its arrays, so that drawing never
// needs to check.
bool IndicesFit(const Model& model) {
    auto inside = [](int index, int count) { return index >= 0 && index < count; };
    for (int m = 0; m < model.GetMaterialCount(); ++m) {
        const Material& material = model.GetMaterials()[m];
        for (int i = 0; i < material.faceCount; ++i) {
            const int f = material.faceIndices[i];
            if (!inside(f, model.GetFaceCount())) return false;
            const Face& face = model.GetFaces()[f];
            for (int corner = 0; corner < 4; ++corner) {
                if (!inside(face.vertexIndex[corner], model.GetVertexCount()) ||
                    !inside(face.normalIndex[corner], model.GetNormalCount())) {
                    return false;
                }
            }
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const char* file = argc > 1 ? argv[1] : "Entities/brakmoor/brakmoor.mdl";
    Model model;
    if (!model.Load(file) || !IndicesFit(model)) {
        std::fprintf(stderr, "velmora_glfw_peer: cannot use the model %s\n", file);
        return 2;
    }

    glfwSetErrorCallback(ReportGlfwError);
    if (!glfwInit()) return 2;
    glfwWindowHint(GLFW_ALPHA_BITS, 0);
    glfwWindowHint(GLFW_DEPTH_BITS, 32);
    glfwWindowHint(GLFW_STENCIL_BITS, 0);
    GLFWwindow* window =
        glfwCreateWindow(kClientWidth, kClientHeight, "GLFW peer", nullptr, nullptr);
    if (window == nullptr) {
        glfwTerminate();
        return 2;
    }
    glfwMakeContextCurrent(window);

    int width = 0;
    int height = 0;
    glfwGetFramebufferSize(window, &width, &height);
    SetState(width, height > 0 ? height : 1);
    const GLuint lists = BuildMaterialLists(model);
    if (lists == 0) return 2;
    GLint bits[6] = {};
    const GLenum names[6] = {GL_RED_BITS,   GL_GREEN_BITS, GL_BLUE_BITS,
                             GL_ALPHA_BITS, GL_DEPTH_BITS, GL_STENCIL_BITS};
    for (int i = 0; i < 6; ++i) glGetIntegerv(names[i], &bits[i]);
    std::fprintf(stderr, "%d x %d, rgba %d %d %d %d, depth %d, stencil %d, %s\n", width, height,
                 bits[0], bits[1], bits[2], bits[3], bits[4], bits[5],
                 reinterpret_cast<const char*>(glGetString(GL_RENDERER)));

    const Placement robot;
    // The view: no turn, and the camera's position brought to the origin.
    const GLfloat view[16] = {1, 0, 0, 0, 0,           1,           0,           0,
                              0, 0, 1, 0, -kCamera[0], -kCamera[1], -kCamera[2], 1};
    while (!glfwWindowShouldClose(window)) {
        glfwPollEvents();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        glMultMatrixf(view);
        DrawRobot(model, lists, robot);
        glfwSwapBuffers(window);
        std::fputs("Combo \n", stdout);
        std::fflush(stdout);
    }
    glfwDestroyWindow(window);
    glfwTerminate();
    return 0;
}
