#include "cross/cross_engine.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <unistd.h>

#include "chart/cp932.h"
#include "cross/file_writer.h"
#include "cross/key_groups.h"
#include "cross/key_normaliser.h"
#include "cross/record_reader.h"
#include "cross/result_assembler.h"
#include "cross/temp_file.h"

namespace tessaly {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMaxFields = 2000;
constexpr std::size_t kIndexEntry = 11;  // "%11ld": the position just after a line
constexpr std::uint32_t kNone = UINT32_MAX;
// How much of the result file is put together in memory at a time.
constexpr std::size_t kOutputWindow = 32 << 20;

// Big-endian first eight bytes: orders like the keys themselves, so that most
// comparisons of the sort never leave this array.
std::uint64_t key_prefix(std::string_view key) {
    unsigned char b[8] = {};
    std::memcpy(b, key.data(), std::min<std::size_t>(8, key.size()));
    std::uint64_t v = 0;
    for (unsigned char c : b) v = v << 8 | c;
    return v;
}

bool format_index_entry(long long position, char (&out)[kIndexEntry]) {
    std::memset(out, ' ', kIndexEntry);
    int i = kIndexEntry - 1;
    do {
        out[i--] = static_cast<char>('0' + position % 10);
        position /= 10;
    } while (position > 0 && i >= 0);
    return position == 0;
}

long long parse_index_entry(const char* p) {
    long long v = 0;
    for (std::size_t i = 0; i < kIndexEntry; ++i)
        if (p[i] != ' ') v = v * 10 + (p[i] - '0');
    return v;
}

}  // namespace

struct CrossEngine::Impl {
    Impl(const Chart& c, const CrossOptions& o, std::filesystem::path result, CrossObserver& obs)
        : chart(c), options(o), result_path(std::move(result)), observer(obs) {}

    const Chart& chart;
    const CrossOptions options;
    const std::filesystem::path result_path;
    CrossObserver& observer;

    struct Source {
        int node;
        std::filesystem::path path;
        std::string_view title;  // cp932
    };
    std::vector<Source> sources;

    std::filesystem::path work_path, index_path;
    FileWriter work, index, result;

    std::unique_ptr<KeyGroups> groups;
    std::vector<std::pair<std::uint32_t, int>> first_record_of_node;  // (record, node)

    // After grouping: candidate runs in key order, each a span of `gathered`.
    std::vector<std::uint32_t> gathered;      // record numbers
    std::vector<std::uint32_t> run_bounds;    // run i is gathered[run_bounds[i], run_bounds[i+1])
    std::vector<char> run_is_hit;
    std::vector<long long> line_start;        // per gathered slot
    std::vector<std::uint32_t> line_length;

    Clock::time_point last_alive = Clock::now();
    unsigned pulses = 0;

    // Lets the observer keep a window alive, a few tens of milliseconds apart.
    void pulse() {
        if ((++pulses & 63) != 0) return;
        const auto now = Clock::now();
        if (now - last_alive >= std::chrono::milliseconds(30)) {
            last_alive = now;
            observer.keep_alive();
        }
    }

    Status open_source(RecordReader& reader, const Source& source) {
        Status s = reader.open(source.path);
        if (s) reader.skip_lines(static_cast<int>(chart.nodes[source.node].start_record) - 1);
        return s;
    }
};

CrossEngine::CrossEngine(const Chart& chart, const CrossOptions& options, std::filesystem::path result_path,
                         CrossObserver& observer)
    : impl_(std::make_unique<Impl>(chart, options, std::move(result_path), observer)) {}

CrossEngine::~CrossEngine() {
    if (!impl_) return;
    impl_->work.close();
    impl_->index.close();
    impl_->result.close();
    if (!impl_->work_path.empty()) ::unlink(impl_->work_path.c_str());
    if (!impl_->index_path.empty()) ::unlink(impl_->index_path.c_str());
}

CrossStage CrossEngine::run() {
    while (step()) {
    }
    return stage_;
}

bool CrossEngine::step() {
    const auto started = Clock::now();
    const CrossStage current = stage_;
    bool more = false;
    try {
        more = run_stage();
    } catch (const std::bad_alloc&) {
        failure_ = Status::failure(30001);
        stage_ = CrossStage::Failed;
    }
    if (static_cast<std::size_t>(current) < seconds_.size())
        seconds_[static_cast<std::size_t>(current)] += std::chrono::duration<double>(Clock::now() - started).count();
    return more;
}

bool CrossEngine::run_stage() {
    Impl& d = *impl_;
    auto fail = [&](Status s) {
        failure_ = std::move(s);
        stage_ = CrossStage::Failed;
        return false;
    };

    switch (stage_) {
    case CrossStage::Open: {
        for (int i = 0; i < d.chart.node_count(); ++i) {
            if (d.chart.node_states[i].selected != 1) continue;
            const NodeRecord& node = d.chart.nodes[i];
            auto native = cp932::to_utf8(cp932::field_text(node.path));
            if (!native) return fail(Status::failure(30003, cp932::to_utf8_lossy(cp932::field_text(node.path))));
            d.sources.push_back({i, *native, cp932::field_text(node.title)});
        }
        d.work_path = make_temp_file_name();
        if (d.work_path.empty()) return fail(Status::failure(30007));
        if (!d.work.open(d.work_path, FileWriter::Mode::ReadWrite)) return fail(Status::failure(30003));
        d.index_path = make_temp_file_name();
        if (d.index_path.empty()) return fail(Status::failure(30007));
        if (!d.index.open(d.index_path, FileWriter::Mode::ReadWrite)) return fail(Status::failure(30003));
        if (!d.result.open(d.result_path, FileWriter::Mode::CreateNew)) return fail(Status::failure(30003));
        stage_ = CrossStage::Count;
        break;
    }

    case CrossStage::Count: {
        d.observer.message_line(30023);
        d.observer.progress_range(d.chart.node_count());
        d.observer.progress_position(0);
        long long n = 0;
        std::size_t next_source = 0;
        for (int i = 0; i < d.chart.node_count(); ++i) {
            if (next_source < d.sources.size() && d.sources[next_source].node == i) {
                const Impl::Source& source = d.sources[next_source++];
                RecordReader reader;
                if (Status s = d.open_source(reader, source); !s) return fail(s);
                std::string_view record;
                while (reader.next(record)) {
                    if (!record.empty()) ++n;
                    d.pulse();
                }
                if (reader.failed()) return fail(Status::failure(30003, source.path.string()));
            }
            d.observer.progress_position(i + 1);
        }
        d.observer.progress_position(0);
        records_ = n;
        stage_ = CrossStage::Allocate;
        break;
    }

    case CrossStage::Allocate: {
        // Records are numbered in 32 bits.
        if (records_ > INT32_MAX) return fail(Status::failure(30001));
        d.groups = std::make_unique<KeyGroups>(static_cast<std::size_t>(records_));
        d.observer.record_count(records_);
        stage_ = CrossStage::Read;
        break;
    }

    case CrossStage::Read: {
        d.observer.message_line(30025);
        d.observer.progress_range(static_cast<int>(records_ / 100));
        d.observer.progress_position(0);
        int column_offset = 0;
        for (const NodeRecord& node : d.chart.nodes) column_offset = std::max(column_offset, node.key_first);

        // Keys go into the table a few at a time, so that the table's lines
        // for all of them can be fetched while the next ones are cut out.
        constexpr std::size_t kBatch = 16;
        std::array<std::string, kBatch> batch_keys;
        std::array<std::uint32_t, kBatch> batch_hashes{};
        std::size_t batched = 0;
        auto add_batch = [&] {
            const bool added = d.groups->add(std::span(batch_keys).first(batched),
                                             std::span<const std::uint32_t>(batch_hashes).first(batched));
            batched = 0;
            return added;
        };

        d.work.write_behind();
        d.index.write_behind();
        KeyedRecord keyed;
        std::string line;
        long long k = 0;
        for (const Impl::Source& source : d.sources) {
            if (k == records_) break;
            const NodeRecord& node = d.chart.nodes[source.node];
            d.first_record_of_node.emplace_back(static_cast<std::uint32_t>(d.groups->record_count() + batched),
                                                source.node);
            RecordReader reader;
            if (Status s = d.open_source(reader, source); !s) return fail(s);
            std::string_view record;
            for (;;) {
                if (d.observer.cancel_requested()) {
                    d.observer.progress_position(0);
                    stage_ = CrossStage::Cancelled;
                    return false;
                }
                d.pulse();
                if (!reader.next(record)) break;
                if (record.empty()) continue;

                extract_key(record, node.key_first, node.key_last, d.options, keyed);
                if (keyed.field_count > kMaxFields) return fail(Status::failure(30008, source.path.string()));
                if (!keyed.key.empty()) {
                    line.clear();
                    append_work_line(line, source.title, column_offset, node.key_first, keyed);
                    line.push_back('\n');
                    d.work.write(line);
                    char entry[kIndexEntry];
                    if (!format_index_entry(d.work.position(), entry))
                        return fail(Status::failure(30015, d.work_path.string()));
                    d.index.write({entry, kIndexEntry});

                    batch_hashes[batched] = KeyGroups::hash(keyed.key);
                    d.groups->prefetch(batch_hashes[batched]);
                    batch_keys[batched].swap(keyed.key);
                    if (++batched == kBatch && !add_batch()) return fail(Status::failure(30001));
                }
                ++k;
                if (k == records_) break;
                if (records_ < 1000 || k % 100 == 0) d.observer.progress_position(static_cast<int>(k / 100));
            }
            if (reader.failed()) return fail(Status::failure(30003, source.path.string()));
        }
        if (!add_batch()) return fail(Status::failure(30001));
        d.groups->drop_lookup();
        if (!d.work.flush()) return fail(Status::failure(30015, d.work_path.string()));
        if (!d.index.flush()) return fail(Status::failure(30015, d.index_path.string()));
        keys_ = static_cast<long long>(d.groups->record_count());
        stage_ = CrossStage::Group;
        break;
    }

    case CrossStage::Group: {
        d.observer.message_line(30026);
        KeyGroups& groups = *d.groups;

        // Runs long enough to be hits, in ascending key order.
        struct Candidate {
            std::uint64_t prefix;
            std::uint32_t group;
        };
        std::vector<Candidate> candidates;
        std::vector<std::uint32_t> rank;  // records of each group first, then its run
        rank.assign(groups.group_count(), 0);
        for (std::size_t r = 0; r < groups.record_count(); ++r) ++rank[groups.group_of(r)];
        for (std::uint32_t g = 0; g < groups.group_count(); ++g)
            if (rank[g] >= static_cast<std::uint32_t>(d.options.MinHit))
                candidates.push_back({key_prefix(groups.key_of(g)), g});
        std::sort(candidates.begin(), candidates.end(), [&](const Candidate& a, const Candidate& b) {
            if (a.prefix != b.prefix) return a.prefix < b.prefix;
            return groups.key_of(a.group) < groups.key_of(b.group);
        });
        d.run_bounds.assign(candidates.size() + 1, 0);
        for (std::uint32_t i = 0; i < candidates.size(); ++i)
            d.run_bounds[i + 1] = d.run_bounds[i] + rank[candidates[i].group];
        std::fill(rank.begin(), rank.end(), kNone);
        for (std::uint32_t i = 0; i < candidates.size(); ++i) rank[candidates[i].group] = i;
        candidates = {};
        std::vector<std::uint32_t> record_group = groups.release();
        d.groups.reset();

        // Every record of a candidate run, runs in key order, each run in
        // reading order.
        d.gathered.assign(d.run_bounds.back(), 0);
        {
            std::vector<std::uint32_t> cursor(d.run_bounds.begin(), d.run_bounds.end() - 1);
            for (std::uint32_t r = 0; r < record_group.size(); ++r) {
                const std::uint32_t run = rank[record_group[r]];
                if (run != kNone) d.gathered[cursor[run]++] = r;
            }
        }
        rank = {};

        // A run is a hit only when every selected mandatory node has a record in it.
        std::vector<int> mandatory_slot(d.chart.node_count(), -1);
        int mandatory = 0;
        for (const Impl::Source& source : d.sources)
            if (d.chart.nodes[source.node].mandatory) mandatory_slot[source.node] = mandatory++;
        d.run_is_hit.assign(d.run_bounds.size() - 1, 1);
        if (mandatory > 0) {
            std::vector<std::uint32_t> seen_in_run(mandatory, kNone);
            for (std::uint32_t run = 0; run + 1 < d.run_bounds.size(); ++run) {
                int seen = 0;
                for (std::uint32_t p = d.run_bounds[run]; p < d.run_bounds[run + 1]; ++p) {
                    auto it = std::upper_bound(d.first_record_of_node.begin(), d.first_record_of_node.end(),
                                               std::make_pair(d.gathered[p], INT32_MAX));
                    const int slot = mandatory_slot[std::prev(it)->second];
                    if (slot >= 0 && seen_in_run[slot] != run) {
                        seen_in_run[slot] = run;
                        ++seen;
                    }
                }
                d.run_is_hit[run] = seen == mandatory;
            }
        }

        // Where each gathered record's line stands in the work file: one
        // pass over the position index.
        std::vector<std::uint32_t>& slot_of_record = record_group;
        std::fill(slot_of_record.begin(), slot_of_record.end(), kNone);
        for (std::uint32_t p = 0; p < d.gathered.size(); ++p) slot_of_record[d.gathered[p]] = p;
        d.line_start.assign(d.gathered.size(), 0);
        d.line_length.assign(d.gathered.size(), 0);
        std::string block;
        long long previous_end = 0;
        constexpr std::size_t kEntriesPerBlock = 1 << 16;
        for (std::size_t r = 0; r < slot_of_record.size(); r += kEntriesPerBlock) {
            const std::size_t entries = std::min(kEntriesPerBlock, slot_of_record.size() - r);
            if (!d.index.read_at(static_cast<long long>(r * kIndexEntry), entries * kIndexEntry, block))
                return fail(Status::failure(30003));
            for (std::size_t e = 0; e < entries; ++e) {
                const long long end = parse_index_entry(block.data() + e * kIndexEntry);
                if (const std::uint32_t p = slot_of_record[r + e]; p != kNone) {
                    d.line_start[p] = previous_end;
                    d.line_length[p] = static_cast<std::uint32_t>(end - previous_end - 1);
                }
                previous_end = end;
            }
            d.pulse();
        }
        stage_ = CrossStage::Write;
        break;
    }

    case CrossStage::Write: {
        d.observer.message_line(30027);
        const int maximum = static_cast<int>(keys_ / 100);
        d.observer.progress_range(maximum);
        d.observer.progress_position(0);
        const std::size_t total = std::max<std::size_t>(d.gathered.size(), 1);
        ResultAssembler output(d.work, d.result, kOutputWindow);
        std::string prefix;
        int shown = 0;
        for (std::uint32_t run = 0; run + 1 < d.run_bounds.size(); ++run) {
            if (d.observer.cancel_requested()) {
                output.flush();  // the hits so far stay in the file, whole
                d.observer.progress_position(0);
                stage_ = CrossStage::Cancelled;
                return false;
            }
            d.pulse();
            if (!d.run_is_hit[run]) continue;
            ++hits_;
            d.observer.hit_count(hits_);
            if (d.options.HitNo) prefix = std::to_string(hits_) + ",";
            for (std::uint32_t p = d.run_bounds[run]; p < d.run_bounds[run + 1]; ++p) {
                output.add_text(prefix);
                if (!output.add_line(d.line_start[p], d.line_length[p])) return fail(Status::failure(30003));
                output.add_text("\r\n");
            }
            if (d.options.Kaigyou) output.add_text("\r\n");
            if (d.result.failed()) return fail(Status::failure(30015, d.result_path.string()));
            const int position = static_cast<int>(static_cast<long long>(maximum) * d.run_bounds[run + 1] / total);
            if (position != shown) d.observer.progress_position(shown = position);
        }
        if (!output.flush()) return fail(Status::failure(30003));
        if (d.result.failed()) return fail(Status::failure(30015, d.result_path.string()));
        d.observer.progress_position(0);
        stage_ = CrossStage::Close;
        break;
    }

    case CrossStage::Close: {
        d.work.close();
        d.index.close();
        if (!d.result.close()) return fail(Status::failure(30015, d.result_path.string()));
        stage_ = CrossStage::Finished;
        break;
    }

    case CrossStage::Finished:
    case CrossStage::Failed:
    case CrossStage::Cancelled:
        return false;
    }

    return stage_ != CrossStage::Finished;
}

}  // namespace tessaly
