#include "world/SphereNode.h"

float SphereNode::FitMarginIn(SphereNode const& container) {
    fitMargin = container.radius - ((center - container.center).Length() + radius);
    return fitMargin;
}

SphereNode* SphereNode::ContainerChild(size_t index) const {
    if (HoldsOnlyContainers()) return children[index];
    for (SphereNode* child : children) {
        if (!(child->flags & kContainer)) continue;
        if (index == 0) return child;
        --index;
    }
    return nullptr;
}

size_t SphereNode::ContainerIndexOf(SphereNode const* container) const {
    bool const onlyContainers = HoldsOnlyContainers();
    size_t index = 0;
    for (SphereNode const* child : children) {
        if (child == container) return index;
        // Only a node with leaves among its children needs to look at the children themselves.
        if (!onlyContainers && !(child->flags & kContainer)) continue;
        ++index;
    }
    return index;
}
