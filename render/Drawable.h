// How a placed object gets its model on screen: it hands its drawing instance the model, the
// viewer and its own placement once per frame. Model instances implement it; the object only
// ever sees this interface.
#pragma once

#include "math/Transform.h"

class Model;
class Object3D;

class Drawable {
public:
    virtual ~Drawable() = default;

    // Reserved for instances that want a per-object value; nothing calls it.
    virtual void Hook(int /*value*/) {}
    // Draws model placed by transform, as seen from camera's position. Needs the current GL
    // context, between the renderer's frame begin and end.
    virtual void Draw(Model* model, Object3D* camera, const Transform& transform) = 0;
    // Pushes the model-view matrix and multiplies in the placement.
    virtual void PushTransform(const Transform& transform) = 0;
    // Restores the model-view matrix saved by PushTransform.
    virtual void PopTransform() = 0;
};
