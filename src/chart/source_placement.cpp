#include "chart/source_placement.h"

#include <algorithm>
#include <optional>
#include <utility>

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
    if (reader.failed()) return Status::failure(MessageId::OpenFailed, path.string());
    if (encoding) *encoding = scan.result();
    return Status::ok();
}

std::string node_title_for(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

namespace {

// Where the next new node goes: a row from the first one's left edge,
// wrapping under itself at the canvas edge, stepping past every node in the
// way. Chart units throughout.
class RowCursor {
public:
    RowCursor(const Chart& chart, CanvasPoint start, double zoom)
        : chart_(chart),
          centre_x_(static_cast<std::int32_t>(start.x / zoom)),
          centre_y_(static_cast<std::int32_t>(start.y / zoom)) {}

    // The free place for a box of w × h (left, top), or none when the
    // canvas has no room left for it.
    std::optional<std::pair<std::int32_t, std::int32_t>> place(int node, std::int32_t w, std::int32_t h) {
        const std::int32_t width = chart_.display.view_width;
        const std::int32_t height = chart_.display.view_height;
        if (!started_) {
            started_ = true;
            x_ = row_left_ = std::clamp(centre_x_ - w / 2, kEdge, std::max(kEdge, width - 1 - w));
            y_ = std::clamp(centre_y_ - h / 2, kEdge, std::max(kEdge, height - 1 - h));
        }
        bool from_top = false;
        for (;;) {
            if (x_ + w > width - 1 && x_ > kEdge) {
                // The next row, under the first node's left edge, or from the
                // canvas's own left edge when the box does not fit there.
                x_ = row_left_ + w > width - 1 ? kEdge : row_left_;
                y_ += std::max(row_height_, 1) + kPlacementGap;
                row_height_ = 0;
                continue;
            }
            if (y_ + h > height - 1) {
                if (from_top) return std::nullopt;
                // Below the start it is full: the canvas from its top.
                from_top = true;
                x_ = row_left_ = kEdge;
                y_ = kEdge;
                row_height_ = 0;
                continue;
            }
            if (const int in_way = blocking(node, x_, y_, w, h); in_way >= 0) {
                x_ = chart_.nodes[static_cast<std::size_t>(in_way)].rect.right + kPlacementGap;
                row_height_ = std::max(row_height_, 1);
                continue;
            }
            const std::pair<std::int32_t, std::int32_t> place{x_, y_};
            x_ += w + kPlacementGap;
            row_height_ = std::max(row_height_, h);
            return place;
        }
    }

    CanvasPoint start_centre() const { return {centre_x_, centre_y_}; }

private:
    static constexpr std::int32_t kEdge = 2;

    // A node other than this one closer than the gap to the box, or -1.
    int blocking(int node, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) const {
        for (int i = 0; i < chart_.node_count(); ++i) {
            if (i == node) continue;
            const Rect& r = chart_.nodes[static_cast<std::size_t>(i)].rect;
            if (x - kPlacementGap < r.right && r.left < x + w + kPlacementGap && y - kPlacementGap < r.bottom &&
                r.top < y + h + kPlacementGap)
                return i;
        }
        return -1;
    }

    const Chart& chart_;
    std::int32_t centre_x_;
    std::int32_t centre_y_;
    bool started_ = false;
    std::int32_t row_left_ = 0;
    std::int32_t x_ = 0;
    std::int32_t y_ = 0;
    std::int32_t row_height_ = 0;
};

}  // namespace

Placement place_source_files(Chart& chart, const std::vector<std::filesystem::path>& files, CanvasPoint start,
                             double zoom, const SizeNewNode& size_new_node) {
    Placement result;
    RowCursor cursor(chart, start, zoom);
    const std::size_t count = std::min(files.size(), kMaxFilesAtOnce);
    for (std::size_t i = 0; i < count; ++i) {
        const std::filesystem::path& path = files[i];
        const auto cp932_path = cp932::from_utf8(path.string());
        const auto title = cp932::from_utf8(node_title_for(path));
        if (!cp932_path || !title || !path_fits_node(*cp932_path)) {
            result.messages.push_back(Status::failure(MessageId::PathUnusable, path.string()));
            continue;
        }
        bool already = false;
        for (const NodeRecord& node : chart.nodes) already = already || cp932::field_text(node.path) == *cp932_path;
        if (already) {
            result.messages.push_back(Status::failure(MessageId::FileAlreadySet, path.string()));
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
        Status added = add_node(chart, *cp932_path, start, zoom, kSourceNode, *title,
                                static_cast<std::int32_t>(std::min<long long>(lines, INT32_MAX)));
        if (!added) {
            result.messages.push_back(added);
            break;
        }
        ++result.placed;
        const int node = chart.node_count() - 1;
        if (size_new_node) size_new_node(chart, node);
        Rect& box = chart.nodes[static_cast<std::size_t>(node)].rect;
        const std::int32_t w = box.right - box.left;
        const std::int32_t h = box.bottom - box.top;
        if (const auto place = cursor.place(node, w, h)) {
            box = box.moved(place->first - box.left, place->second - box.top);
        } else {
            // No free place on the whole canvas: over the others, at the start.
            const CanvasPoint centre = cursor.start_centre();
            box = box.moved(centre.x - w / 2 - box.left, centre.y - h / 2 - box.top);
        }
    }
    return result;
}

}  // namespace tessaly
