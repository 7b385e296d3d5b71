// The material half of a model instance: its own copy of the model's materials and one OpenGL
// display list per material holding that material's shininess, specular and colour, so that
// switching material while drawing costs one glCallList. How the geometry goes out is left to
// the class that derives from it.
#pragma once

#include "platform/OpenGL.h"
#include "render/Drawable.h"

class Model;
struct Material;

class MaterialDrawable : public virtual Drawable {
public:
    MaterialDrawable() = default;
    // Releases the material copies and deletes the display lists; the context they were made
    // in should be current.
    ~MaterialDrawable() override;
    MaterialDrawable(const MaterialDrawable&) = delete;
    MaterialDrawable& operator=(const MaterialDrawable&) = delete;

    void PushTransform(const Transform& transform) override;
    void PopTransform() override;
    // Copies model's materials and compiles their display lists in the current context,
    // replacing whatever was built before. False when the lists cannot be made (no lists are
    // kept then) or model is null (the instance is left empty).
    virtual bool Build(Model* model);

    // Compiles one display list per material; false, with no lists kept, when OpenGL has no
    // names to give. A model without materials needs no lists and succeeds.
    bool BuildDisplayLists();
    // Deletes the display lists, if any.
    void DeleteDisplayLists();

    int materialCount = 0;
    // Copies of the model's materials; their face-index arrays stay the model's.
    Material* materials = nullptr;
    // One list per material, null while none are built.
    GLuint* displayLists = nullptr;

private:
    // Drops the material copies (not the model's face-index arrays they point at).
    void ReleaseMaterials();
};
