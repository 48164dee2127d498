// tessaly-sample-chart CHART.tsy FILE...: makes a chart of the given member
// lists, key on fields 2-3 (name and birth date), for trying Tessaly out. A
// chart keeps absolute paths, so it is made where it will be used.

#include <cstdio>
#include <filesystem>
#include <string>

#include "chart/chart_file.h"
#include "text/cp932.h"
#include "text/record_reader.h"

using namespace tessaly;

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: tessaly-sample-chart CHART.tsy FILE...\n");
        return 2;
    }
    Chart chart;
    chart.reset(1280, 800);
    for (int i = 2; i < argc; ++i) {
        const std::filesystem::path path = std::filesystem::absolute(argv[i]);
        RecordReader reader;
        if (!reader.open(path)) {
            std::fprintf(stderr, "tessaly-sample-chart: cannot read %s\n", argv[i]);
            return 1;
        }
        // A file whose first line names its fields starts at record 2.
        std::string_view first;
        reader.next(first);
        const bool header = cp932::to_utf8(first).value_or("").find("氏名") != std::string::npos;
        RecordReader counter;
        counter.open(path);
        counter.skip_lines(header ? 1 : 0);
        const long long records = counter.count_rest([](long long) {});

        const auto cp932_path = cp932::from_utf8(path.string());
        const auto title = cp932::from_utf8(path.stem().string());
        if (!cp932_path || !title ||
            !add_node(chart, *cp932_path, {240 + 260 * (i - 2), 140}, 1.0, kSourceNode, *title,
                      static_cast<std::int32_t>(records))) {
            std::fprintf(stderr, "tessaly-sample-chart: cannot place %s\n", argv[i]);
            return 1;
        }
        NodeRecord& node = chart.nodes.back();
        node.key_first = 1;
        node.key_last = 2;
        node.start_record = header ? 2 : 1;
        cp932::copy_to_field(node.key_sample, cp932::literal("氏名 + 生年月日"));
    }
    if (Status saved = save_chart(argv[1], chart, false); !saved) {
        std::fprintf(stderr, "tessaly-sample-chart: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
