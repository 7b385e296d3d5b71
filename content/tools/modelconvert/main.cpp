// modelconvert: converts a model in a common interchange format (Wavefront
// OBJ with its MTL materials, glTF, FBX and others) into one of our model
// files, with its textures as TGA files beside it.
//
//   modelconvert [--scale FACTOR] INPUT OUTPUT
//
// Exit codes: 0 the model was written, 1 the input could not be converted or
// the output not written (nothing is left written then), 2 wrong arguments.
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "content/tools/modelconvert/ModelConverter.h"

namespace {

constexpr int kConverted = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

int Usage(const std::string& problem) {
    std::cerr << "modelconvert: " << problem << "\n"
              << "usage: modelconvert [--scale FACTOR] INPUT OUTPUT\n"
              << "  INPUT   a model in a common interchange format, such as a Wavefront OBJ\n"
              << "          file (its MTL material library is read with it)\n"
              << "  OUTPUT  the model file to write; its textures are written beside it as\n"
              << "          TGA files named after it\n"
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

// Removes the files written so far, so that a failed run leaves nothing.
void RemoveAll(const std::vector<std::string>& written) {
    for (const std::string& path : written) {
        std::error_code error;
        std::filesystem::remove(path, error);
    }
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

    const std::filesystem::path output(files[1]);
    std::error_code same;
    if (std::filesystem::equivalent(files[0], output, same)) {
        return Usage("the output '" + files[1] + "' is the input itself");
    }
    options.modelName = output.stem().string();
    ModelConverter converter;
    if (!converter.Convert(files[0], options)) {
        std::cerr << "modelconvert: " << converter.Error() << "\n";
        return kFailed;
    }
    for (const std::string& note : converter.Notes()) {
        std::cerr << "modelconvert: note: " << note << "\n";
    }
    for (const std::string& warning : converter.Warnings()) {
        std::cerr << "modelconvert: warning: " << warning << "\n";
    }

    const ModelDescription& model = converter.GetModel();
    ModelWriter writer;
    if (!writer.WriteModel(model)) {
        std::cerr << "modelconvert: the model cannot be expressed as a model file\n";
        return kFailed;
    }
    std::vector<std::string> written;
    for (std::size_t i = 0; i < model.textures.size(); ++i) {
        const std::string path = (output.parent_path() / model.textures[i].fileName).string();
        if (!TgaWriter::Save(converter.GetPictures()[i], path)) {
            std::cerr << "modelconvert: cannot write '" << path << "'\n";
            RemoveAll(written);
            return kFailed;
        }
        written.push_back(path);
    }
    if (!writer.SaveToFile(files[1])) {
        std::cerr << "modelconvert: cannot write '" << files[1] << "'\n";
        written.push_back(files[1]);
        RemoveAll(written);
        return kFailed;
    }

    std::cout << files[0] << " -> " << files[1] << ": " << model.materials.size() << " materials, "
              << model.textures.size() << " texture records, " << model.vertices.size()
              << " vertices, " << model.normals.size() << " normals, " << model.faces.size()
              << " faces, radius " << model.radius << "\n";
    for (std::size_t i = 0; i < model.textures.size(); ++i) {
        const TgaPicture& picture = converter.GetPictures()[i];
        std::cout << "  texture " << i << ": " << written[i] << " (" << picture.width << " x "
                  << picture.height << ", " << 8 * picture.channels << " bits)\n";
    }
    return kConverted;
}
