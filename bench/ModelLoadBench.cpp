// Model loading: the renderer's LoadModel on a generated model of 100,000 textured quads,
// against reading the same file into memory with one read. Both read a file the operating
// system already holds in its cache.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "bench/BenchFiles.h"
#include "bench/Results.h"
#include "content/tools/modelwriter/ModelWriter.h"
#include "render/GLRenderer.h"
#include "render/Model.h"

namespace {

constexpr int kColumns = 500;
constexpr int kRows = 200;  // 500 x 200 = 100,000 quads
constexpr int kMaterials = 4;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A rippled grid: every quad with its own four corners' normals and one coordinate set, the
// quads shared out among a few materials, two texture records and a small node tree.
ModelDescription GridModel() {
    ModelDescription model;
    model.radius = 400.0f;
    for (int row = 0; row <= kRows; ++row) {
        for (int column = 0; column <= kColumns; ++column) {
            const float x = static_cast<float>(column) - kColumns / 2.0f;
            const float y = static_cast<float>(row) - kRows / 2.0f;
            model.vertices.emplace_back(x, y, 0.25f * static_cast<float>((row * 7 + column) % 5));
            model.normals.push_back(
                Vec3(0.1f * static_cast<float>(column % 3), 0.0f, 1.0f).Normalize());
        }
    }
    const int stride = kColumns + 1;
    for (int row = 0; row < kRows; ++row) {
        for (int column = 0; column < kColumns; ++column) {
            const int corner = row * stride + column;
            FaceDescription face;
            const int corners[4] = {corner, corner + 1, corner + stride + 1, corner + stride};
            for (int k = 0; k < 4; ++k) {
                face.vertexIndex[k] = corners[k];
                face.normalIndex[k] = corners[k];
            }
            TexCoordSetDescription set;
            set.tag = 1;
            set.corners[0] = Vec2(0.0f, 0.0f);
            set.corners[1] = Vec2(1.0f, 0.0f);
            set.corners[2] = Vec2(1.0f, 1.0f);
            set.corners[3] = Vec2(0.0f, 1.0f);
            face.sets.push_back(set);
            model.faces.push_back(face);
        }
    }
    for (int m = 0; m < kMaterials; ++m) {
        MaterialDescription material;
        material.shininess = 10.0f * static_cast<float>(m);
        material.colour[0] = 0.25f * static_cast<float>(m);
        material.textureIndex = m % 2 == 0 ? 0 : 1;
        for (int f = m; f < kRows * kColumns; f += kMaterials) material.faceIndices.push_back(f);
        model.materials.push_back(material);
    }
    model.textures.push_back(TextureDescription{"hull.tga", 1, 2});
    model.textures.push_back(TextureDescription{"panels.tga", 3, 4});
    NodeDescription root;
    root.name = "body";
    for (int i = 0; i < 8; ++i) {
        NodeDescription part;
        part.name = "part" + std::to_string(i);
        part.id = i + 1;
        part.listA = {i, i + 1, i + 2};
        root.children.push_back(part);
    }
    model.nodes.push_back(root);
    return model;
}

const std::string& ModelFile() {
    static std::string const path = [] {
        std::string const file = benchfiles::PathFor("grid.mdl");
        ModelWriter writer;
        writer.WriteModel(GridModel());
        writer.SaveToFile(file);
        return file;
    }();
    return path;
}

long FileSize(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return 0;
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fclose(file);
    return size;
}

// Open, size, allocate, one read, close; false when the file could not be read whole.
bool ReadWhole(const std::string& path, long size, double& seconds) {
    Clock::time_point const start = Clock::now();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    std::fseek(file, 0, SEEK_END);
    const long length = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    std::unique_ptr<char[]> bytes(new char[static_cast<size_t>(length)]);
    const size_t read = std::fread(bytes.get(), 1, static_cast<size_t>(length), file);
    std::fclose(file);
    seconds = Seconds(start);
    benchmark::DoNotOptimize(bytes.get());
    return read == static_cast<size_t>(size);
}

// Each iteration loads the model once and reads the file once, so that both see the same
// machine; the iteration's time is the two together.
void BM_LoadModelAndRead(benchmark::State& state) {
    const std::string& path = ModelFile();
    const long size = FileSize(path);
    GLRenderer renderer;
    double loading = 0.0;
    double reading = 0.0;
    for (auto _ : state) {
        Clock::time_point const start = Clock::now();
        Model* model = renderer.LoadModel(path.c_str());
        const double loaded = Seconds(start);
        if (model == nullptr || model->GetFaceCount() != kRows * kColumns) {
            state.SkipWithError("the generated model did not load");
            return;
        }
        delete model;
        double read = 0.0;
        if (!ReadWhole(path, size, read)) {
            state.SkipWithError("the model file could not be read");
            return;
        }
        state.SetIterationTime(loaded + read);
        loading += loaded;
        reading += read;
    }
    const double bytes = static_cast<double>(size) * static_cast<double>(state.iterations());
    state.counters["load_MB_per_s"] = bytes / loading / 1e6;
    state.counters["read_MB_per_s"] = bytes / reading / 1e6;
    results::Record("model/load_bytes_per_s", bytes / loading);
    results::Record("model/read_bytes_per_s", bytes / reading);
}

}  // namespace

BENCHMARK(BM_LoadModelAndRead)
    ->UseManualTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);
