#include "world/SphereNode.h"

float SphereNode::FitMarginIn(SphereNode const& container) {
    fitMargin = container.radius - ((center - container.center).Length() + radius);
    return fitMargin;
}
