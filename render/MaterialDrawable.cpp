#include "render/MaterialDrawable.h"

#include <new>

#include "math/Mat4.h"
#include "render/Model.h"

MaterialDrawable::~MaterialDrawable() {
    // The lists first: how many there are is the material count.
    DeleteDisplayLists();
    ReleaseMaterials();
}

void MaterialDrawable::PushTransform(const Transform& transform) {
    // The axes become columns 0 to 2 and the position column 3.
    Mat4 matrix;
    const Vec3* columns[4] = {&transform.xAxis, &transform.yAxis, &transform.zAxis,
                              &transform.translation};
    for (int column = 0; column < 4; ++column) {
        matrix.At(0, column) = columns[column]->x;
        matrix.At(1, column) = columns[column]->y;
        matrix.At(2, column) = columns[column]->z;
        matrix.At(3, column) = column == 3 ? 1.0f : 0.0f;
    }
    glPushMatrix();
    glMultMatrixf(matrix.m);
}

void MaterialDrawable::PopTransform() {
    glPopMatrix();
}

bool MaterialDrawable::Build(Model* model) {
    // The old lists go first, while materialCount still says how many there are.
    DeleteDisplayLists();
    ReleaseMaterials();
    if (model == nullptr) return false;

    const int count = model->GetMaterialCount();
    const Material* source = model->GetMaterials();
    if (count > 0 && source != nullptr) {
        materials = new (std::nothrow) Material[count];
        if (materials == nullptr) return false;
        for (int i = 0; i < count; ++i) materials[i] = source[i];
        materialCount = count;
    }
    return BuildDisplayLists();
}

bool MaterialDrawable::BuildDisplayLists() {
    DeleteDisplayLists();
    if (materialCount <= 0) return true;

    GLuint* names = new (std::nothrow) GLuint[materialCount];
    if (names == nullptr) return false;
    const GLuint base = glGenLists(materialCount);
    if (base == 0) {
        // Without names there is nothing to compile: keep no lists rather than names that
        // were never given out.
        delete[] names;
        return false;
    }
    for (int i = 0; i < materialCount; ++i) {
        const Material& material = materials[i];
        names[i] = base + static_cast<GLuint>(i);
        const GLfloat specular[4] = {material.specular[0], material.specular[1],
                                     material.specular[2], 1.0f};
        glNewList(names[i], GL_COMPILE);
        glMaterialf(GL_FRONT, GL_SHININESS, material.shininess);
        glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
        // Colour-material tracking turns this into the front diffuse colour.
        glColor3fv(material.colour);
        glEndList();
    }
    displayLists = names;
    return true;
}

void MaterialDrawable::DeleteDisplayLists() {
    if (displayLists == nullptr) return;
    for (int i = 0; i < materialCount; ++i) glDeleteLists(displayLists[i], 1);
    delete[] displayLists;
    displayLists = nullptr;
}

void MaterialDrawable::ReleaseMaterials() {
    delete[] materials;
    materials = nullptr;
    materialCount = 0;
}
