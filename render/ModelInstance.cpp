#include "render/ModelInstance.h"

#include "math/Mat3.h"
#include "render/Model.h"
#include "scene/Object3D.h"

namespace {

// The name OpenGL gave the renderer's white texture, the first one made in its context.
constexpr GLuint kWhiteTextureName = 1;

bool InRange(int index, int count) {
    return index >= 0 && index < count;
}

}  // namespace

void ModelInstance::Draw(Model* model, Object3D* camera, const Transform& transform) {
    // Without lists the material state is unknown, and without a camera there is no viewer
    // to cull against: nothing is drawn then.
    if (model == nullptr || camera == nullptr || displayLists == nullptr) return;

    PushTransform(transform);
    const Vec3 eye = *camera->GetPosition() - transform.translation;
    const Face* faces = model->GetFaces();
    GLuint bound = 0;
    for (int m = 0; m < materialCount; ++m) {
        const Material& material = materials[m];
        const GLuint name = material.textureIndex == -1
                                ? kWhiteTextureName
                                : static_cast<GLuint>(model->GetTextureName(material.textureIndex));
        if (name != bound) {
            glBindTexture(GL_TEXTURE_2D, name);
            bound = name;
        }
        glCallList(displayLists[m]);

        if (material.faceIndices == nullptr) continue;
        for (int i = 0; i < material.faceCount; ++i) {
            const int f = material.faceIndices[i];
            if (!FaceIsDrawable(*model, f)) continue;
            if (!FacesEye(*model, faces[f], transform, eye)) continue;
            SendQuad(*model, faces[f]);
        }
    }
    PopTransform();
}

bool ModelInstance::FaceIsDrawable(const Model& model, int f) {
    if (!InRange(f, model.GetFaceCount()) || model.GetFaces() == nullptr) return false;
    const Face& face = model.GetFaces()[f];
    for (int corner = 0; corner < 4; ++corner) {
        if (!InRange(face.vertexIndex[corner], model.GetVertexCount())) return false;
        if (!InRange(face.normalIndex[corner], model.GetNormalCount())) return false;
    }
    return model.GetVertices() != nullptr && model.GetNormals() != nullptr;
}

bool ModelInstance::FacesEye(const Model& model, const Face& face, const Transform& transform,
                             const Vec3& eye) {
    const Vec3* vertices = model.GetVertices();
    // Newell's normal over the closed loop of corners: sound for any planar quad, whichever
    // corner is degenerate. Its length does not matter, only its direction.
    Vec3 normal;
    for (int i = 0; i < 4; ++i) {
        const Vec3& a = vertices[face.vertexIndex[i]];
        const Vec3& b = vertices[face.vertexIndex[(i + 1) % 4]];
        normal.x += (a.y - b.y) * (a.z + b.z);
        normal.y += (a.z - b.z) * (a.x + b.x);
        normal.z += (a.x - b.x) * (a.y + b.y);
    }
    const Mat3 rotation(transform.xAxis, transform.yAxis, transform.zAxis);
    Vec3 turnedNormal;
    Vec3 turnedCorner;
    rotation.MultiplyVector(normal, turnedNormal);
    rotation.MultiplyVector(vertices[face.vertexIndex[0]], turnedCorner);
    // Seen edge-on counts as turned away.
    return Dot(turnedNormal, eye - turnedCorner) > 0.0f;
}

void ModelInstance::SendQuad(const Model& model, const Face& face) {
    const Vec3* vertices = model.GetVertices();
    const Vec3* normals = model.GetNormals();
    // Only the first coordinate set is drawn; a face without one sends no coordinates.
    const TexCoordSet* set = face.setCount > 0 ? face.sets : nullptr;
    glBegin(GL_QUADS);
    for (int corner = 0; corner < 4; ++corner) {
        if (set != nullptr) glTexCoord2fv(&set->corners[corner].x);
        glNormal3fv(&normals[face.normalIndex[corner]].x);
        glVertex3fv(&vertices[face.vertexIndex[corner]].x);
    }
    glEnd();
}
