// One object's way of drawing a model: the material state comes from the display lists built
// for it, the quads go out in immediate mode every frame, and faces turned away from the viewer
// are rejected before any vertex is sent. Draw order: materials in order, each material's faces
// in the order it lists them, each face's corners 0 to 3.
#pragma once

#include "render/DrawableHandle.h"
#include "render/MaterialDrawable.h"

struct Face;

class ModelInstance : public MaterialDrawable, public DrawableHandle {
public:
    ModelInstance() = default;
    ~ModelInstance() override = default;

    // model must be the one the instance was built from; camera's position decides which
    // faces are seen. Texture name 1 (the renderer's white texture) stands in for materials
    // without a texture. Needs the current GL context, between frame begin and end.
    void Draw(Model* model, Object3D* camera, const Transform& transform) override;

private:
    // Whether face f of model can be drawn without reading outside the model's arrays.
    static bool FaceIsDrawable(const Model& model, int f);
    // True when face, placed by transform, turns its front towards eye.
    static bool FacesEye(const Model& model, const Face& face, const Transform& transform,
                         const Vec3& eye);
    static void SendQuad(const Model& model, const Face& face);
};
