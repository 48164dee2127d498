#include "chart/chart_file.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <system_error>

#include "text/cp932.h"
#include "text/replace_file.h"

namespace tessaly {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kMagic = "TSY001    ";
constexpr std::size_t kDisplayBlock1 = 36;
constexpr std::size_t kDisplayBlock2 = 12;
static_assert(kDisplayBlock1 + kDisplayBlock2 == sizeof(DisplayState));
static_assert(kMagic.size() + sizeof(DisplayState) == kChartHeaderSize);

constexpr std::size_t kLargestChartFile =
    kEmptyChartFileSize + kMaxArcs * sizeof(ArcRecord) + kMaxNodes * sizeof(NodeRecord);

template <typename T>
void append_raw(std::string& out, const T* data, std::size_t count) {
    out.append(reinterpret_cast<const char*>(data), count * sizeof(T));
}

void append_count(std::string& out, std::uint32_t n) {
    out.push_back(static_cast<char>(n >> 24));
    out.push_back(static_cast<char>(n >> 16));
    out.push_back(static_cast<char>(n >> 8));
    out.push_back(static_cast<char>(n));
}

// Hands out the file's bytes in order; every take checks what is left, so
// that counts in the file can never make us read or allocate past its end.
class ByteReader {
public:
    explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}

    bool take(void* dst, std::size_t n) {
        if (bytes_.size() - pos_ < n) return false;
        if (n == 0) return true;
        std::memcpy(dst, bytes_.data() + pos_, n);
        pos_ += n;
        return true;
    }
    bool take_count(std::uint32_t& n) {
        unsigned char b[4];
        if (!take(b, 4)) return false;
        n = (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) | b[3];
        return true;
    }
    std::size_t left() const { return bytes_.size() - pos_; }

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

template <std::size_t N>
bool terminated(const char (&field)[N]) {
    return std::memchr(field, '\0', N) != nullptr;
}

// A record that could not have been written by the program would break the
// chart's invariants (texts run past their field, arcs to missing nodes).
bool node_is_sound(const NodeRecord& node) {
    return terminated(node.title) && terminated(node.description) && terminated(node.key_sample) &&
           terminated(node.path) && (node.kind == kSourceNode || node.kind == kResultNode);
}

}  // namespace

std::string chart_file_bytes(const Chart& chart) {
    std::string out;
    out.reserve(kEmptyChartFileSize + chart.arcs.size() * sizeof(ArcRecord) +
                chart.nodes.size() * sizeof(NodeRecord));
    out.append(kMagic);
    append_raw(out, &chart.display, 1);
    append_count(out, static_cast<std::uint32_t>(chart.arcs.size()));
    append_raw(out, chart.arcs.data(), chart.arcs.size());
    append_count(out, static_cast<std::uint32_t>(chart.nodes.size()));
    append_raw(out, chart.nodes.data(), chart.nodes.size());
    return out;
}

Status parse_chart(std::string_view bytes, Chart& out) {
    ByteReader in(bytes);
    char magic[10];
    const std::size_t got = std::min(bytes.size(), sizeof magic);
    std::memcpy(magic, bytes.data(), got);
    if (got < 3 || std::memcmp(magic, "TSY", 3) != 0) return Status::failure(30013);
    if (got < 6) return Status::failure(30013);
    if (std::memcmp(magic, "TSY001", 6) != 0) return Status::failure(30016);
    if (!in.take(magic, sizeof magic)) return Status::failure(30013);

    DisplayState display;
    if (!in.take(&display, sizeof display)) return Status::failure(30013);

    std::uint32_t arc_count = 0;
    if (!in.take_count(arc_count)) return Status::failure(30013);
    if (arc_count > kMaxArcs) return Status::failure(30043);
    std::vector<ArcRecord> arcs(arc_count);
    if (!in.take(arcs.data(), arc_count * sizeof(ArcRecord))) return Status::failure(30013);

    std::uint32_t node_count = 0;
    if (!in.take_count(node_count)) return Status::failure(30013);
    if (node_count > kMaxNodes) return Status::failure(30044);
    if (in.left() < node_count * sizeof(NodeRecord)) return Status::failure(30013);
    std::vector<NodeRecord> nodes(node_count);
    in.take(nodes.data(), node_count * sizeof(NodeRecord));

    for (const ArcRecord& a : arcs)
        if (a.from >= node_count || a.to >= node_count) return Status::failure(30013);
    for (const NodeRecord& n : nodes)
        if (!node_is_sound(n)) return Status::failure(30013);

    out.display = display;
    out.arcs = std::move(arcs);
    out.nodes = std::move(nodes);
    out.node_states.assign(out.nodes.size(), NodeState{});
    out.primary_node = -1;
    return Status::ok();
}

Status open_chart(const fs::path& path, Chart& out) {
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (ec || !fs::exists(st)) return Status::failure(30177, path.string());
    if (fs::is_directory(st)) return Status::failure(30166);

    std::ifstream file(path, std::ios::binary);
    if (!file) return Status::failure(30003, path.string());
    // A chart is never larger than this; reading one byte more tells a longer
    // file apart without reading all of it.
    std::string bytes(kLargestChartFile + 1, '\0');
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (file.bad()) return Status::failure(30003, path.string());
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    return parse_chart(bytes, out);
}

Status save_chart(const fs::path& path, Chart& chart, bool keep_backup) {
    if (chart.primary_node >= 0)
        for (NodeState& s : chart.node_states) s.selected = 0;
    if (!replace_file(path, chart_file_bytes(chart), keep_backup))
        return Status::failure(30015, path.string());
    return Status::ok();
}

}  // namespace tessaly
