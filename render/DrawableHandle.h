// What the renderer hands out for a model: a drawing instance seen only through its Drawable
// interface. It adds nothing; the virtual base lets an instance be both this handle and a
// material drawable while remaining one Drawable.
#pragma once

#include "render/Drawable.h"

class DrawableHandle : public virtual Drawable {
public:
    ~DrawableHandle() override = default;
};
