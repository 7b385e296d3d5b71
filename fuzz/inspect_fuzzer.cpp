// Model files of any content through the model inspector: what the loader
// accepts, DescribeModel prints in full (every vertex, normal and face) into
// a stream that keeps nothing.
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <streambuf>

#include "content/tools/modelinspect/ModelInspector.h"
#include "fuzz/ScratchDirectory.h"
#include "render/Model.h"

namespace {

// Formats everything and keeps none of it.
class DiscardingBuffer : public std::streambuf {
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = ScratchDirectory::WriteFile("inspected.mdl", data, size);
    Model model;
    if (!model.Load(path.c_str())) return 0;
    DiscardingBuffer buffer;
    std::ostream out(&buffer);
    InspectOptions options;
    options.full = true;
    DescribeModel(model, out, options);
    Require(out.good(), "the description could not be written");
    return 0;
}
