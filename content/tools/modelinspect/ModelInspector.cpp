#include "content/tools/modelinspect/ModelInspector.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "render/Model.h"

namespace {

// Deeper nodes are not indented further; their depth is printed instead.
constexpr int kMaxIndent = 16;

void PrintVector(std::ostream& out, const Vec3& v) {
    out << v.x << " " << v.y << " " << v.z;
}

void PrintColour(std::ostream& out, const float (&colour)[3]) {
    out << colour[0] << " " << colour[1] << " " << colour[2];
}

bool RepeatsLastCorner(const Face& face) {
    return face.vertexIndex[3] == face.vertexIndex[2];
}

void DescribeGeometry(const Model& model, std::ostream& out) {
    out << "radius " << model.GetRadius() << "\n";
    out << "vertices " << model.GetVertexCount() << ", normals " << model.GetNormalCount()
        << ", texture records " << model.GetTextureCount() << ", materials "
        << model.GetMaterialCount() << "\n";

    int triangles = 0;
    int textured = 0;
    for (int i = 0; i < model.GetFaceCount(); ++i) {
        if (RepeatsLastCorner(model.GetFaces()[i])) ++triangles;
        if (model.GetFaces()[i].setCount > 0) ++textured;
    }
    out << "faces " << model.GetFaceCount() << ": " << triangles
        << " triangles (last corner repeated), " << textured << " with texture coordinates\n";

    if (model.GetVertexCount() == 0) return;
    Vec3 low = model.GetVertices()[0];
    Vec3 high = low;
    double farthest = 0.0;
    for (int i = 0; i < model.GetVertexCount(); ++i) {
        const Vec3& v = model.GetVertices()[i];
        low = Vec3(std::min(low.x, v.x), std::min(low.y, v.y), std::min(low.z, v.z));
        high = Vec3(std::max(high.x, v.x), std::max(high.y, v.y), std::max(high.z, v.z));
        const double x = v.x, y = v.y, z = v.z;
        farthest = std::max(farthest, std::sqrt(x * x + y * y + z * z));
    }
    out << "extent x " << low.x << " .. " << high.x << ", y " << low.y << " .. " << high.y << ", z "
        << low.z << " .. " << high.z << "; farthest vertex " << static_cast<float>(farthest)
        << " from the origin\n";
    if (static_cast<double>(model.GetRadius()) < farthest) {
        out << "warning: the radius leaves vertices outside: the model may vanish at the "
               "edges of the view\n";
    }
}

void DescribeMaterials(const Model& model, std::ostream& out) {
    out << "\nmaterials " << model.GetMaterialCount() << "\n";
    std::vector<bool> drawn(static_cast<std::size_t>(model.GetFaceCount()), false);
    for (int i = 0; i < model.GetMaterialCount(); ++i) {
        const Material& material = model.GetMaterials()[i];
        out << "  " << i << ": colour ";
        PrintColour(out, material.colour);
        out << ", specular ";
        PrintColour(out, material.specular);
        out << ", shininess " << material.shininess << ", ";
        if (material.textureIndex == -1) {
            out << "no texture";
        } else {
            out << "texture " << material.textureIndex << " ("
                << model.GetTextures()[material.textureIndex].fileName << ")";
        }
        out << ", " << material.faceCount << " faces\n";
        for (int f = 0; f < material.faceCount; ++f) drawn[material.faceIndices[f]] = true;
    }
    const auto undrawn = std::count(drawn.begin(), drawn.end(), false);
    if (undrawn > 0) {
        out << "warning: " << undrawn << " faces belong to no material and are never drawn\n";
    }
}

void DescribeTextures(const Model& model, std::ostream& out) {
    out << "\ntexture records " << model.GetTextureCount() << "\n";
    for (int i = 0; i < model.GetTextureCount(); ++i) {
        const TextureRecord& record = model.GetTextures()[i];
        out << "  " << i << ": " << record.fileName << " (values " << record.valueA << ", "
            << record.valueB << ")\n";
    }
}

void DescribeNode(const ModelNode& node, int depth, std::ostream& out) {
    out << std::string(2 + 2 * std::min(depth, kMaxIndent), ' ');
    if (depth > kMaxIndent) out << "[depth " << depth << "] ";
    out << node.name << " (id " << node.id;
    if (std::any_of(std::begin(node.values), std::end(node.values),
                    [](std::uint32_t value) { return value != 0; })) {
        out << ", values";
        for (std::uint32_t value : node.values) out << " " << value;
    }
    if (node.countA > 0) out << ", list A " << node.countA << " values";
    if (node.countB > 0) out << ", list B " << node.countB << " values";
    out << ")\n";
}

void DescribeNodes(const Model& model, std::ostream& out) {
    out << "\nnodes\n";
    // Depth first, as in the file, without recursion: trees may be deep.
    std::vector<std::pair<const ModelNode*, int>> pending;
    if (model.nodeTree != nullptr) pending.emplace_back(model.nodeTree, 0);
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        DescribeNode(*node, depth, out);
        if (node->nextSibling != nullptr) pending.emplace_back(node->nextSibling, depth);
        if (node->firstChild != nullptr) pending.emplace_back(node->firstChild, depth + 1);
    }
}

void DescribeEverything(const Model& model, std::ostream& out) {
    out << "\nvertex list\n";
    for (int i = 0; i < model.GetVertexCount(); ++i) {
        out << "  " << i << ": ";
        PrintVector(out, model.GetVertices()[i]);
        out << "\n";
    }
    out << "\nnormal list\n";
    for (int i = 0; i < model.GetNormalCount(); ++i) {
        out << "  " << i << ": ";
        PrintVector(out, model.GetNormals()[i]);
        out << "\n";
    }
    out << "\nface list\n";
    for (int i = 0; i < model.GetFaceCount(); ++i) {
        const Face& face = model.GetFaces()[i];
        out << "  " << i << ": vertices";
        for (int index : face.vertexIndex) out << " " << index;
        out << ", normals";
        for (int index : face.normalIndex) out << " " << index;
        for (int s = 0; s < face.setCount; ++s) {
            out << ", set (tag " << face.sets[s].tag << ")";
            for (const Vec2& corner : face.sets[s].corners) {
                out << " " << corner.x << " " << corner.y;
            }
        }
        out << "\n";
    }
}

}  // namespace

void DescribeModel(const Model& model, std::ostream& out, const InspectOptions& options) {
    DescribeGeometry(model, out);
    DescribeMaterials(model, out);
    DescribeTextures(model, out);
    DescribeNodes(model, out);
    if (options.full) DescribeEverything(model, out);
}
