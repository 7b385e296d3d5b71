// TGA decoding: 1024 x 1024 images of 24 and 32 bits, uncompressed and run-length encoded,
// decoded by the program's TgaImage and by stb_image from the same files. Half of each picture
// is flat tiles (long runs), half noise (raw packets).
#include <benchmark/benchmark.h>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_TGA
#include <chrono>
#include <cstdint>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <stb/stb_image.h>

#include "bench/BenchFiles.h"
#include "bench/Results.h"
#include "render/Model.h"
#include "render/TgaTexture.h"
#include "tests/support/TgaFile.h"

namespace {

constexpr int kSide = 1024;
constexpr int kTopLeftOrigin = 0x20;  // so that stb_image need not turn the rows over

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Kind {
    const char* name;
    int depth;
    int imageType;
};

const Kind kKinds[] = {
    {"24-bit uncompressed", 24, TgaImage::kUncompressed},
    {"32-bit uncompressed", 32, TgaImage::kUncompressed},
    {"24-bit run-length", 24, TgaImage::kRunLength},
    {"32-bit run-length", 32, TgaImage::kRunLength},
};

std::vector<std::uint8_t> Picture(int bytesPerPixel) {
    std::mt19937 random(7u);
    std::vector<std::uint8_t> pixels;
    pixels.reserve(static_cast<size_t>(kSide) * kSide * bytesPerPixel);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const bool flat = (x / 32 + y / 32) % 2 == 0;
            for (int byte = 0; byte < bytesPerPixel; ++byte) {
                std::uint32_t const value =
                    flat ? static_cast<std::uint32_t>((x / 32) * 37 + (y / 32) * 11 + byte * 50)
                         : random();
                pixels.push_back(static_cast<std::uint8_t>(value));
            }
        }
    }
    return pixels;
}

const std::string& FileFor(const Kind& kind) {
    static std::string paths[4];
    const size_t index = static_cast<size_t>(&kind - kKinds);
    if (paths[index].empty()) {
        const int bytesPerPixel = kind.depth / 8;
        const std::vector<std::uint8_t> pixels = Picture(bytesPerPixel);
        const std::vector<std::uint8_t> body = kind.imageType == TgaImage::kRunLength
                                                   ? RunLengthEncode(pixels, bytesPerPixel)
                                                   : pixels;
        const int descriptor = kTopLeftOrigin | (kind.depth == 32 ? 8 : 0);
        const std::vector<std::uint8_t> file =
            TgaFile(kind.imageType, kSide, kSide, kind.depth, body, descriptor);
        paths[index] = benchfiles::PathFor("picture" + std::to_string(index) + ".tga");
        std::ofstream out(paths[index], std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.data()),
                  static_cast<std::streamsize>(file.size()));
    }
    return paths[index];
}

// Both decoders must give the same picture (stb_image in red, green, blue order).
bool SamePicture(const std::string& path) {
    TextureRecord record;
    path.copy(record.fileName, sizeof(record.fileName) - 1);
    TgaTexture ours;
    int width = 0;
    int height = 0;
    int channels = 0;
    stbi_uc* theirs = stbi_load(path.c_str(), &width, &height, &channels, 0);
    bool same = ours.Load(record) && theirs != nullptr && width == ours.width &&
                height == ours.height && channels * 8 == ours.bitsPerPixel;
    for (int i = 0; same && i < width * height; ++i) {
        const std::uint8_t* a = ours.pixels + i * channels;
        const stbi_uc* b = theirs + i * channels;
        same = a[0] == b[2] && a[1] == b[1] && a[2] == b[0] && (channels == 3 || a[3] == b[3]);
    }
    stbi_image_free(theirs);
    return same;
}

// Each iteration decodes the picture once with each decoder, so that both see the same
// machine; the iteration's time is the two together.
void BM_TgaAndStbImage(benchmark::State& state) {
    const Kind& kind = kKinds[state.range(0)];
    const std::string& path = FileFor(kind);
    if (!SamePicture(path)) {
        state.SkipWithError("the two decoders disagree");
        return;
    }
    TextureRecord record;
    path.copy(record.fileName, sizeof(record.fileName) - 1);
    double ours = 0.0;
    double theirs = 0.0;
    for (auto _ : state) {
        TgaTexture image;
        Clock::time_point start = Clock::now();
        const bool loaded = image.Load(record);
        const double ourTime = Seconds(start);
        int width = 0;
        int height = 0;
        int channels = 0;
        start = Clock::now();
        stbi_uc* pixels = stbi_load(path.c_str(), &width, &height, &channels, 0);
        const double theirTime = Seconds(start);
        if (!loaded || pixels == nullptr) {
            state.SkipWithError("a decoder did not load the picture");
            return;
        }
        stbi_image_free(pixels);
        state.SetIterationTime(ourTime + theirTime);
        ours += ourTime;
        theirs += theirTime;
    }
    const double iterations = static_cast<double>(state.iterations());
    state.SetLabel(kind.name);
    state.counters["ours_ms"] = 1000.0 * ours / iterations;
    state.counters["stb_ms"] = 1000.0 * theirs / iterations;
    results::Record(std::string("tga/") + kind.name + "/ours_ms", 1000.0 * ours / iterations);
    results::Record(std::string("tga/") + kind.name + "/stb_ms", 1000.0 * theirs / iterations);
}

}  // namespace

BENCHMARK(BM_TgaAndStbImage)
    ->DenseRange(0, 3)
    ->UseManualTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);
