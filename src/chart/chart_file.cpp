#include "chart/chart_file.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "text/cp932.h"
#include "text/file_lock.h"
#include "text/replace_file.h"
#include "text/user_file.h"

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

// A key the file area's selection (or the same-key command, or the command
// line) can make: none (-1, -1), the keyboard's half-set (-1, k), or a range
// 0 <= first <= last, and no field beyond the 2,000 a record may have.
bool key_is_possible(std::int32_t first, std::int32_t last) {
    if (last < -1 || last >= kMaxKeyFields) return false;
    if (first == -1) return true;
    return first >= 0 && first <= last;
}

bool coordinate_is_possible(std::int32_t v) { return v >= -kNodeCoordinateLimit && v <= kNodeCoordinateLimit; }

// A record that could not have been written by the program would break the
// chart's invariants (texts run past their field, arcs to missing nodes) or
// make a cross do what the program never asks of it (a key at field
// 100,000,000 pads every result line to that many columns; a box two
// billion pixels away overflows the arithmetic that places and draws it).
bool node_is_sound(const NodeRecord& node) {
    const Rect& r = node.rect;
    return terminated(node.title) && terminated(node.description) && terminated(node.key_sample) &&
           terminated(node.path) && (node.kind == kSourceNode || node.kind == kResultNode) &&
           key_is_possible(node.key_first, node.key_last) && node.start_record >= 1 && node.start_record <= 10 &&
           node.record_count >= 0 && coordinate_is_possible(r.left) && coordinate_is_possible(r.top) &&
           coordinate_is_possible(r.right) && coordinate_is_possible(r.bottom);
}

// Hidden files of our own naming beside the chart that hold a chart (or
// nothing yet) are new charts of a save that never got to its rename: the
// program was killed in the middle. Under the chart's lock, which every save
// takes, any such file is left over; without it (a chart saved for the first
// time), only those untouched for an hour.
void remove_left_over_saves(const fs::path& chart, bool locked) {
    std::error_code ec;
    fs::path target = chart;
    struct stat link {};
    if (::lstat(chart.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        target = fs::weakly_canonical(chart, ec);
        if (ec) return;
    }
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    const std::string name = target.filename().string();
    const auto now = std::chrono::system_clock::now();
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        if (!is_replacement_name(entry, name)) continue;
        struct stat st {};
        if (::lstat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        const auto modified = std::chrono::system_clock::from_time_t(st.st_mtim.tv_sec);
        if (!locked && now - modified < std::chrono::hours(1)) continue;
        if (st.st_size > 0) {
            int fd = -1;
            if (!open_user_file(it->path(), fd)) continue;
            char magic[3] = {};
            const bool chart_bytes = ::pread(fd, magic, sizeof magic, 0) == 3 && std::memcmp(magic, "TSY", 3) == 0;
            ::close(fd);
            if (!chart_bytes) continue;
        }
        ::unlink(it->path().c_str());
    }
    // A backup in the making is one of the names above; earlier versions
    // made it as NAME.bak.new. Removing a name never writes through it.
    if (locked) ::unlink((target.string() + ".bak.new").c_str());
}

}  // namespace

std::string chart_file_bytes(const Chart& chart) {
    std::string out;
    out.reserve(kEmptyChartFileSize + chart.arcs.size() * sizeof(ArcRecord) + chart.nodes.size() * sizeof(NodeRecord));
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
    if (got < 3 || std::memcmp(magic, "TSY", 3) != 0) return Status::failure(MessageId::WrongFileFormat);
    if (got < 6) return Status::failure(MessageId::WrongFileFormat);
    if (std::memcmp(magic, "TSY001", 6) != 0) return Status::failure(MessageId::WrongVersion);
    if (!in.take(magic, sizeof magic)) return Status::failure(MessageId::WrongFileFormat);

    DisplayState display;
    if (!in.take(&display, sizeof display)) return Status::failure(MessageId::WrongFileFormat);

    std::uint32_t arc_count = 0;
    if (!in.take_count(arc_count)) return Status::failure(MessageId::WrongFileFormat);
    if (arc_count > kMaxArcs) return Status::failure(MessageId::ArcLimitExceeded);
    std::vector<ArcRecord> arcs(arc_count);
    if (!in.take(arcs.data(), arc_count * sizeof(ArcRecord))) return Status::failure(MessageId::WrongFileFormat);

    std::uint32_t node_count = 0;
    if (!in.take_count(node_count)) return Status::failure(MessageId::WrongFileFormat);
    if (node_count > kMaxNodes) return Status::failure(MessageId::NodeLimitExceeded);
    // Fewer bytes than the counted records: cut short. More: a count was
    // damaged (a node count 2 made 1 would drop a node silently, and the
    // next save with it).
    if (in.left() != node_count * sizeof(NodeRecord)) return Status::failure(MessageId::WrongFileFormat);
    std::vector<NodeRecord> nodes(node_count);
    in.take(nodes.data(), node_count * sizeof(NodeRecord));

    for (const ArcRecord& a : arcs)
        if (a.from >= node_count || a.to >= node_count) return Status::failure(MessageId::WrongFileFormat);
    for (const NodeRecord& n : nodes)
        if (!node_is_sound(n)) return Status::failure(MessageId::WrongFileFormat);

    out.display = display;
    out.arcs = std::move(arcs);
    out.nodes = std::move(nodes);
    out.node_states.assign(out.nodes.size(), NodeState{});
    out.primary_node = -1;
    return Status::ok();
}

Status open_chart(const fs::path& path, Chart& out, FileStamp* stamp) {
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (ec || !fs::exists(st)) return Status::failure(MessageId::FileNotFound, path.string());
    if (fs::is_directory(st)) return Status::failure(MessageId::IsAFolder);

    // Never waits on a FIFO or reads a device without end.
    int fd = -1;
    if (Status opened = open_user_file(path, fd); !opened) return opened;
    // A chart is never larger than this; reading one byte more tells a longer
    // file apart without reading all of it.
    std::string bytes(kLargestChartFile + 1, '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return Status::failure(MessageId::OpenFailed, path.string());
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    const std::optional<FileStamp> read_stamp = file_stamp(fd);
    ::close(fd);
    bytes.resize(got);
    Status parsed = parse_chart(bytes, out);
    if (parsed && stamp && read_stamp) *stamp = *read_stamp;
    return parsed;
}

Status save_chart(const fs::path& path, Chart& chart, bool keep_backup, const FileLock* held, FileStamp* written) {
    if (chart.primary_node >= 0)
        for (NodeState& s : chart.node_states) s.selected = 0;
    // Every save of an existing chart holds its lock; another program that
    // holds it (a command-line cross adding its result) is waited for a
    // moment, then the save is refused rather than losing its change.
    FileLock own;
    bool locked = held && held->locked();
    if (!locked) {
        const auto until = std::chrono::steady_clock::now() + kChartLockPatience;
        Status taken = own.lock(path, [until] { return std::chrono::steady_clock::now() < until; });
        if (taken.message_id == MessageId::ChartLocked) return taken;
        locked = own.locked();  // no chart there yet, or none to lock: saved without
    }
    remove_left_over_saves(path, locked);
    const std::string bytes = chart_file_bytes(chart);
    return replace_file_checked(path, [&bytes](const FileSink& sink) { return sink(bytes); },
                                {.keep_backup = keep_backup, .failure_id = MessageId::WriteFailed, .written = written});
}

}  // namespace tessaly
