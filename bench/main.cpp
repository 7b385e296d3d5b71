// Runs every benchmark, then prints one table that sets the program's figures beside those of
// the reference each was measured against in the same run, with the ratio and whether the
// target for it holds.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/Results.h"

namespace {

enum class Goal { kNone, kAtLeast, kAtMost };

struct Row {
    std::string what;
    std::string ours;       // the program's figure, with its unit
    std::string reference;  // the reference's figure, with its unit
    double ratio = 0.0;
    double value = 0.0;  // the program's figure, unscaled
    bool measured = false;
    Goal goal = Goal::kNone;
    double target = 0.0;
    bool targetOnOurs = false;  // the target applies to our figure rather than to the ratio
};

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof(text), format, value);
    return text;
}

class Table {
public:
    // A row from two recorded figures. ratio is ours / reference, or reference / ours when
    // inverted (for times, so that a larger ratio is always "ours is faster").
    void Add(std::string what, const char* oursName, const char* referenceName,
             const char* unitFormat, double scale, bool inverted, Goal goal, double target,
             bool targetOnOurs = false) {
        Row row;
        row.what = std::move(what);
        row.goal = goal;
        row.target = target;
        row.targetOnOurs = targetOnOurs;
        double ours = 0.0;
        double reference = 0.0;
        const bool haveOurs = results::Median(oursName, ours);
        const bool haveReference =
            referenceName != nullptr && results::Median(referenceName, reference);
        row.ours = haveOurs ? Format(unitFormat, ours * scale) : "-";
        row.reference = haveReference ? Format(unitFormat, reference * scale) : "-";
        row.value = ours * scale;
        if (haveOurs && haveReference && ours > 0.0 && reference > 0.0) {
            row.ratio = inverted ? reference / ours : ours / reference;
            row.measured = true;
        }
        rows.push_back(row);
    }

    // A row with one figure and no reference: the target applies to the figure itself.
    void AddAlone(std::string what, const char* name, const char* unitFormat, Goal goal,
                  double target) {
        Row row;
        row.what = std::move(what);
        row.goal = goal;
        row.target = target;
        double value = 0.0;
        if (results::Median(name, value)) {
            row.ours = Format(unitFormat, value);
            row.ratio = value;
            row.value = value;
            row.measured = true;
        } else {
            row.ours = "-";
        }
        row.reference = "";
        rows.push_back(row);
    }

    // Prints the table; returns the number of targets missed (unmeasured ones count).
    int Print() const {
        std::printf("\n%-68s %14s %14s %8s  %-9s %s\n", "Benchmark", "Velmora", "Reference",
                    "Ratio", "Target", "Holds");
        std::printf("%s\n", std::string(124, '-').c_str());
        int missed = 0;
        int targets = 0;
        for (const Row& row : rows) {
            std::string target;
            std::string holds;
            if (row.goal != Goal::kNone) {
                ++targets;
                target = (row.goal == Goal::kAtLeast ? ">= " : "<= ") +
                         Format(row.target < 10.0 ? "%.2f" : "%.0f", row.target);
                const double held = row.targetOnOurs ? row.value : row.ratio;
                const bool ok = row.measured && (row.goal == Goal::kAtLeast ? held >= row.target
                                                                            : held <= row.target);
                holds = !row.measured ? "NOT MEASURED" : ok ? "yes" : "NO";
                if (!ok) ++missed;
            }
            std::string const ratio = !row.measured           ? "-"
                                      : row.reference.empty() ? ""
                                                              : Format("%.2f", row.ratio);
            char line[256];
            std::snprintf(line, sizeof(line), "%-68s %14s %14s %8s  %-9s %s", row.what.c_str(),
                          row.ours.c_str(), row.reference.c_str(), ratio.c_str(), target.c_str(),
                          holds.c_str());
            std::string text = line;
            text.erase(text.find_last_not_of(' ') + 1);
            std::printf("%s\n", text.c_str());
        }
        std::printf("%s\n", std::string(124, '-').c_str());
        std::printf(
            "Ratio: the reference's time over ours for QueryFrustum (against the scans "
            "and collideKDOP) and TGA (times faster);\nours over the reference's for the "
            "updates and the heap; our rate over the reference's for LoadModel and the "
            "frame loop.\nThe tree heap's target is on our bytes per object.\n");
        std::printf("Targets held: %d of %d\n", targets - missed, targets);
        return missed;
    }

private:
    std::vector<Row> rows;
};

void PrintTable() {
    Table table;
    for (int count : {1000, 10000, 100000}) {
        std::string const n = std::to_string(count);
        std::string const prefix = "world/" + n + "/";
        auto key = [&prefix](const char* what) { return prefix + what; };
        const bool last = count == 100000;
        std::string const inView = key("in_view_percent");
        std::string const frameMs = key("frame_ms");
        std::string const refresh = key("packed_refresh_ns");
        table.Add("World " + n + ": QueryFrustum vs entity-list scan (ns/obj/frame)",
                  key("query_ns").c_str(), key("scan_ns").c_str(), "%.2f ns", 1.0, true,
                  Goal::kNone, 0.0);
        table.Add("World " + n + ": QueryFrustum vs packed scan (ns/obj/frame)",
                  key("query_ns").c_str(), key("packed_scan_ns").c_str(), "%.2f ns", 1.0, true,
                  last ? Goal::kAtLeast : Goal::kNone, 1.0);
        table.AddAlone("World " + n + ": packed scan's copy of the live spheres (ns/obj/frame)",
                       refresh.c_str(), "%.2f ns", Goal::kNone, 0.0);
        table.Add("World " + n + ": World::Update vs btDbvt update, margin 400 (ns/obj/frame)",
                  key("update_ns").c_str(), key("bullet_update_ns").c_str(), "%.2f ns", 1.0, false,
                  last ? Goal::kAtMost : Goal::kNone, 1.2);
        table.Add("World " + n + ": World::Update vs btDbvt update, margin 0.05 (ns/obj/frame)",
                  key("update_ns").c_str(), key("bullet_default_update_ns").c_str(), "%.2f ns", 1.0,
                  false, Goal::kNone, 0.0);
        table.Add("World " + n + ": QueryFrustum vs btDbvt collideKDOP (ns/obj/frame)",
                  key("query_ns").c_str(), key("bullet_query_ns").c_str(), "%.2f ns", 1.0, true,
                  Goal::kNone, 0.0);
        table.AddAlone("World " + n + ": objects in view (% of all)", inView.c_str(), "%.2f %%",
                       Goal::kNone, 0.0);
        table.AddAlone("World " + n + ": peak heap per object, robots included (bytes)",
                       key("world_bytes").c_str(), "%.0f B", last ? Goal::kAtMost : Goal::kNone,
                       600.0);
        // The target is on the tree's own bytes per object, not on the ratio.
        table.Add("World " + n + ": tree heap vs btDbvt heap (bytes/obj)",
                  key("tree_bytes").c_str(), key("bullet_tree_bytes").c_str(), "%.0f B", 1.0, false,
                  last ? Goal::kAtMost : Goal::kNone, 300.0, true);
        table.AddAlone("World " + n + ": update + query per frame (ms)", frameMs.c_str(), "%.2f ms",
                       Goal::kNone, 0.0);
    }
    table.Add("LoadModel (100,000 quads) vs one read of the file (MB/s)", "model/load_bytes_per_s",
              "model/read_bytes_per_s", "%.0f MB/s", 1e-6, false, Goal::kAtLeast, 0.2);
    for (const char* kind :
         {"24-bit uncompressed", "32-bit uncompressed", "24-bit run-length", "32-bit run-length"}) {
        std::string const prefix = std::string("tga/") + kind;
        table.Add(std::string("TGA 1024x1024 ") + kind + " vs stb_image (ms)",
                  (prefix + "/ours_ms").c_str(), (prefix + "/stb_ms").c_str(), "%.2f ms", 1.0, true,
                  Goal::kAtLeast, 1.0);
    }
    table.Add("Frame loop: program vs GLFW peer drawing the same robot (fps)", "frame/program_fps",
              "frame/peer_fps", "%.0f fps", 1.0, false, Goal::kNone, 0.0);
    table.AddAlone("Frame loop: program fps / peer fps (median of rounds)", "frame/ratio", "%.2f",
                   Goal::kAtLeast, 1.00);
    table.Add("Frame loop: program vs bare clear+swap loop (fps)", "frame/program_fps",
              "frame/bare_fps", "%.0f fps", 1.0, false, Goal::kNone, 0.0);
    table.Print();
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintTable();
    return 0;
}
