// modelconvert: converts a model in a common interchange format (Wavefront
// OBJ with its MTL materials, among others) into one of our model files.
//
//   modelconvert [--scale FACTOR] INPUT OUTPUT
//
// Exit codes: 0 converted, 1 the input could not be converted or the output
// not written (nothing is written then), 2 wrong arguments.
#include "tools/modelconvert/ModelConverter.h"

#include <cmath>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr int kConverted = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

int Usage(const std::string& problem) {
    std::cerr << "modelconvert: " << problem << "\n"
              << "usage: modelconvert [--scale FACTOR] INPUT OUTPUT\n"
              << "  INPUT   a model in a common interchange format, such as a Wavefront OBJ\n"
              << "          file (its MTL material library is read with it)\n"
              << "  OUTPUT  the model file to write\n"
              << "  --scale multiplies every position by FACTOR (a positive number)\n";
    return kUsage;
}

bool ParseScale(const std::string& text, float& scale) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size()) return false;
    if (!std::isfinite(value) || value <= 0.0 || value > 1e30) return false;
    scale = static_cast<float>(value);
    return scale > 0.0f;
}

}  // namespace

int main(int argc, char** argv) {
    ConvertOptions options;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--scale") {
            if (i + 1 >= argc) return Usage("--scale needs a factor");
            if (!ParseScale(argv[++i], options.scale)) {
                return Usage("the scale '" + std::string(argv[i]) + "' is not a positive number");
            }
        } else if (argument == "--help" || argument == "-h") {
            Usage("converts a model into a model file");
            return kConverted;
        } else if (argument.size() > 1 && argument[0] == '-') {
            return Usage("unknown option '" + argument + "'");
        } else {
            files.push_back(argument);
        }
    }
    if (files.size() != 2) return Usage("expected an input and an output file");

    ModelConverter converter;
    if (!converter.Convert(files[0], options)) {
        std::cerr << "modelconvert: " << converter.Error() << "\n";
        return kFailed;
    }
    for (const std::string& note : converter.Notes()) {
        std::cerr << "modelconvert: note: " << note << "\n";
    }

    ModelWriter writer;
    if (!writer.WriteModel(converter.GetModel())) {
        std::cerr << "modelconvert: the model cannot be expressed as a model file\n";
        return kFailed;
    }
    if (!writer.SaveToFile(files[1])) {
        std::cerr << "modelconvert: cannot write '" << files[1] << "'\n";
        return kFailed;
    }

    const ModelDescription& model = converter.GetModel();
    std::cout << files[0] << " -> " << files[1] << ": " << model.materials.size()
              << " materials, " << model.textures.size() << " texture records, "
              << model.vertices.size() << " vertices, " << model.normals.size() << " normals, "
              << model.faces.size() << " faces, radius " << model.radius << "\n";
    return kConverted;
}
