// Model files of any content through Model::Load and its BinaryReader. A file
// is either refused, leaving the model empty, or loaded into a model whose
// every count, array, index and name can be used as the drawing code uses
// them. The sanitizers watch every read, write and allocation on the way.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "fuzz/ScratchDirectory.h"
#include "render/Model.h"

namespace {

bool InRange(int index, int count) {
    return index >= 0 && index < count;
}

// Null exactly when empty, as the loader promises.
bool ArrayMatches(const void* array, int count) {
    return count >= 0 && (array == nullptr) == (count == 0);
}

bool NameIsTerminated(const char* name) {
    return std::memchr(name, '\0', kModelNameSize) != nullptr;
}

bool IsEmpty(const Model& model) {
    return model.materials == nullptr && model.materialCount == 0 && model.textures == nullptr &&
           model.textureCount == 0 && model.vertices == nullptr && model.vertexCount == 0 &&
           model.normals == nullptr && model.normalCount == 0 && model.faces == nullptr &&
           model.faceCount == 0 && model.nodeTree == nullptr && model.nodeIndex.empty();
}

void CheckNodes(const Model& model) {
    // Depth first without recursion; every node name is terminated and the
    // index names only nodes of this tree.
    std::set<const char*> names;
    std::set<const ModelNode*> seen;
    std::vector<const ModelNode*> stack{model.nodeTree};
    while (!stack.empty()) {
        const ModelNode* node = stack.back();
        stack.pop_back();
        if (node == nullptr) continue;
        Require(seen.insert(node).second, "a node is reached twice");
        Require(NameIsTerminated(node->name), "a node name has no terminator");
        Require(ArrayMatches(node->listA, node->countA), "list A and its count disagree");
        Require(ArrayMatches(node->listB, node->countB), "list B and its count disagree");
        names.insert(node->name);
        stack.push_back(node->nextSibling);
        stack.push_back(node->firstChild);
    }
    Require(!seen.empty(), "a loaded model has no node");
    for (const auto& entry : model.nodeIndex) {
        Require(names.count(entry.second) == 1, "the node index names a node not in the tree");
    }
}

void CheckLoaded(const Model& model) {
    Require(ArrayMatches(model.materials, model.materialCount), "materials and count disagree");
    Require(ArrayMatches(model.textures, model.textureCount), "textures and count disagree");
    Require(ArrayMatches(model.vertices, model.vertexCount), "vertices and count disagree");
    Require(ArrayMatches(model.normals, model.normalCount), "normals and count disagree");
    Require(ArrayMatches(model.faces, model.faceCount), "faces and count disagree");

    for (int i = 0; i < model.materialCount; ++i) {
        const Material& material = model.materials[i];
        Require(material.textureIndex == -1 || InRange(material.textureIndex, model.textureCount),
                "a material names a texture record that does not exist");
        Require(ArrayMatches(material.faceIndices, material.faceCount),
                "face indices and their count disagree");
        for (int f = 0; f < material.faceCount; ++f) {
            Require(InRange(material.faceIndices[f], model.faceCount),
                    "a material names a face that does not exist");
        }
    }
    for (int i = 0; i < model.textureCount; ++i) {
        Require(NameIsTerminated(model.textures[i].fileName), "a texture name has no terminator");
    }
    for (int i = 0; i < model.faceCount; ++i) {
        const Face& face = model.faces[i];
        for (int corner = 0; corner < 4; ++corner) {
            Require(InRange(face.vertexIndex[corner], model.vertexCount),
                    "a face names a vertex that does not exist");
            Require(InRange(face.normalIndex[corner], model.normalCount),
                    "a face names a normal that does not exist");
        }
        Require(ArrayMatches(face.sets, face.setCount), "coordinate sets and count disagree");
    }
    // Texture names are asked for by a material's index, in range or not.
    for (int i = -1; i <= model.textureCount; ++i) model.GetTextureName(i);
    CheckNodes(model);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = ScratchDirectory::WriteFile("model.mdl", data, size);
    Model model;
    if (model.Load(path.c_str())) {
        CheckLoaded(model);
        model.Unload();
        Require(IsEmpty(model), "Unload leaves something behind");
    } else {
        Require(IsEmpty(model), "a refused file leaves something in the model");
        Require(model.FailureReason()[0] != '\0', "a refused file comes without a reason");
    }
    return 0;
}
