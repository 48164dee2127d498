#include "chart/source_placement.h"

#include "text/cp932.h"
#include "text/record_reader.h"

namespace tessaly {

Status admit_dropped_file(const std::filesystem::path& path) {
    Status checked = check_text_file(path);
    checked.first_line.clear();  // the caller names the file once
    return checked;
}

Status count_lines(const std::filesystem::path& path, long long& lines, TextEncoding* encoding) {
    lines = 0;
    RecordReader reader;
    EncodingScan scan;
    if (encoding) reader.watch_encoding(&scan);
    if (Status opened = reader.open(path); !opened) return opened;
    std::string_view line;
    while (reader.next(line)) ++lines;
    if (reader.failed()) return Status::failure(30003, path.string());
    if (encoding) *encoding = scan.result();
    return Status::ok();
}

std::string node_title_for(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

Placement place_source_files(Chart& chart, const std::vector<std::filesystem::path>& files, CanvasPoint start,
                             double zoom) {
    Placement result;
    CanvasPoint point = start;
    const std::size_t count = std::min(files.size(), kMaxFilesAtOnce);
    for (std::size_t i = 0; i < count; ++i) {
        const std::filesystem::path& path = files[i];
        const auto cp932_path = cp932::from_utf8(path.string());
        const auto title = cp932::from_utf8(node_title_for(path));
        if (!cp932_path || !title || !path_fits_node(*cp932_path)) {
            result.messages.push_back(Status::failure(30300, path.string()));
            continue;
        }
        bool already = false;
        for (const NodeRecord& node : chart.nodes) already = already || cp932::field_text(node.path) == *cp932_path;
        if (already) {
            result.messages.push_back(Status::failure(30032, path.string()));
            continue;
        }
        long long lines = 0;
        TextEncoding encoding = TextEncoding::Cp932;
        if (Status counted = count_lines(path, lines, &encoding); !counted) {
            result.messages.push_back(counted);
            continue;
        }
        if (encoding != TextEncoding::Cp932) {
            result.foreign.push_back({path, encoding});
            continue;
        }
        Status added = add_node(chart, *cp932_path, point, zoom, kSourceNode, *title,
                                static_cast<std::int32_t>(std::min<long long>(lines, INT32_MAX)));
        if (!added) {
            result.messages.push_back(added);
            break;
        }
        ++result.placed;
        point.x = point.x + 50 >= chart.display.view_width ? start.x : point.x + 50;
        point.y = point.y + 20 >= chart.display.view_height ? start.y : point.y + 20;
    }
    result.next = point;
    return result;
}

}  // namespace tessaly
