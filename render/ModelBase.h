// What the rest of the program may ask of a loaded model: its materials,
// geometry, texture records and bounding radius. Model is the implementation.
#pragma once

struct Material;
struct TextureRecord;
struct Face;
struct Vec3;

class ModelBase {
public:
    virtual ~ModelBase() {}

    // Reads a model file; false when it cannot be opened or is malformed, and
    // the model is then empty.
    virtual bool Load(const char* fileName) = 0;
    // Releases everything loaded; the model is empty afterwards.
    virtual void Unload() = 0;
    virtual int GetMaterialCount() const = 0;
    virtual Material* GetMaterials() const = 0;
    virtual int GetVertexCount() const = 0;
    virtual Vec3* GetVertices() const = 0;
    virtual int GetNormalCount() const = 0;
    virtual Vec3* GetNormals() const = 0;
    virtual int GetTextureCount() const = 0;
    virtual TextureRecord* GetTextures() const = 0;
    virtual int GetFaceCount() const = 0;
    virtual Face* GetFaces() const = 0;
    virtual float GetRadius() const = 0;
};
