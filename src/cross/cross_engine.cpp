#include "cross/cross_engine.h"

#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
#include <cstring>
#include <new>

#include "cross/hit_runs.h"
#include "cross/key_groups.h"
#include "cross/key_normaliser.h"
#include "cross/keyed_record_feed.h"
#include "cross/result_assembler.h"
#include "cross/result_file.h"
#include "cross/result_workbook.h"
#include "text/cp932.h"
#include "text/file_writer.h"
#include "text/record_reader.h"
#include "text/temp_file.h"
#include "text/text_encoding.h"
#include "text/unfinished_file.h"

namespace tessaly {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kIndexEntry = 11;  // "%11ld": the position just after a line
constexpr std::uint32_t kNone = UINT32_MAX;
// How much of the result file is put together in memory at a time.
constexpr std::size_t kOutputWindow = 32 << 20;
// And of the workbook's rows.
constexpr std::size_t kWorkbookWindow = 4 << 20;

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

// How a stage ended: done, failed (with the message) or cancelled.
struct StageEnd {
    Status failure;
    bool cancelled = false;

    static StageEnd done() { return {}; }
    static StageEnd cancel() { return {Status::ok(), true}; }
    StageEnd(Status s = Status::ok(), bool c = false) : failure(std::move(s)), cancelled(c) {}
};

}  // namespace

struct CrossEngine::Impl {
    Impl(const Chart& c, const CrossOptions& o, std::filesystem::path result, CrossObserver& obs, TakenResultName t,
         CrossFigures& f)
        : chart(c), options(o), result_path(std::move(result)), observer(obs), taken(t), figures(f) {}

    StageEnd open_files();
    StageEnd count_records(long long& n);
    StageEnd read_records(long long n);
    StageEnd find_hits();
    StageEnd write_hits(long long m, long long& h);
    StageEnd close_files();
    // After a failure or a cancel: the result and the claim on its name go.
    void abandon();

    const Chart& chart;
    const CrossOptions options;
    std::filesystem::path result_path;
    CrossObserver& observer;
    const TakenResultName taken;
    CrossFigures& figures;
    bool result_created = false;
    // The result is written nameless (or under a hidden name) and renamed
    // over the claim on its name once complete, so that no partial result
    // ever has the name, however the cross ends.
    int claim_fd = -1;
    UnfinishedFile unfinished;

    struct Source {
        int node;
        std::filesystem::path path;
        std::string_view title;  // cp932
    };
    std::vector<Source> sources;

    // The record work file and its position index have no name (see
    // temp_file.h); a failure to write them names the temporary folder.
    FileWriter work, index, result;

    std::unique_ptr<KeyGroups> groups;
    MandatoryNodes mandatory;
    HitRuns runs;
    std::vector<long long> line_start;  // of each record of runs.records
    std::vector<std::uint32_t> line_length;
    // Where each source's stored records begin: (first record, source).
    std::vector<std::pair<std::uint32_t, std::uint32_t>> first_of_source;

    // With the workbook asked for, each stored record's own line follows
    // its work line in the work file: the work line's length and the
    // record's field count are kept per stored record until the hits are
    // found, then where each hit record's own line stands.
    std::vector<std::uint32_t> work_length;
    std::vector<std::uint16_t> field_counts;
    std::vector<long long> original_start;  // of each record of runs.records
    std::vector<std::uint32_t> original_length;
    std::size_t most_fields = 0;  // of any hit record
    std::unique_ptr<ResultWorkbook> workbook;
    std::filesystem::path workbook_path;  // once finished
    bool workbook_named = false;

    std::uint32_t source_of(std::uint32_t record) const {
        auto it = std::upper_bound(first_of_source.begin(), first_of_source.end(), std::make_pair(record, UINT32_MAX));
        return std::prev(it)->second;
    }
    StageEnd write_workbook_rows();

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

    bool cancel_requested() {
        if (!observer.cancel_requested()) return false;
        observer.progress_position(0);
        return true;
    }
};

StageEnd CrossEngine::Impl::open_files() {
    for (int i = 0; i < chart.node_count(); ++i) {
        if (chart.node_states[i].selected != 1) continue;
        const NodeRecord& node = chart.nodes[i];
        const std::string_view path = cp932::field_text(node.path);
        auto native = cp932::to_utf8(path);
        if (!native) return Status::failure(MessageId::OpenFailed, cp932::to_utf8_lossy(path));
        sources.push_back({i, *native, cp932::field_text(node.title)});
        if (node.mandatory) mandatory.count++;
        figures.sources.push_back({std::string(cp932::field_text(node.title)), std::string(path)});
    }
    figures.shared_hits.assign(sources.size(), std::vector<long long>(sources.size(), 0));
    if (!work.open_nameless()) return Status::failure(MessageId::TempFileFailed);
    if (!index.open_nameless()) return Status::failure(MessageId::TempFileFailed);
    // Never over a file that appeared since the name was chosen: either
    // fail, or take the next free number.
    claim_fd = create_result_file(result_path, taken == TakenResultName::TakeNextFree);
    if (claim_fd < 0) return Status::failure(MessageId::OpenFailed);
    result_created = true;
    const std::filesystem::path folder = result_path.parent_path();
    // Hidden results left by crosses killed where no file can be nameless.
    remove_stale_unfinished_files(folder, [](std::string_view stem) {
        if (is_result_file_name(stem)) return true;
        // and result workbooks
        if (!stem.ends_with(".xlsx")) return false;
        std::string csv(stem.substr(0, stem.size() - 5));
        return is_result_file_name(csv + ".csv");
    });
    if (!unfinished.open(folder, result_path.filename().string())) return Status::failure(MessageId::OpenFailed);
    const int fd = ::fcntl(unfinished.fd(), F_DUPFD_CLOEXEC, 0);
    if (fd < 0) return Status::failure(MessageId::OpenFailed);
    result.adopt(fd);
    return StageEnd::done();
}

StageEnd CrossEngine::Impl::count_records(long long& n) {
    observer.message_line(MessageId::CountingRecords);
    observer.progress_range(chart.node_count());
    observer.progress_position(0);
    n = 0;
    auto source = sources.begin();
    for (int i = 0; i < chart.node_count(); ++i) {
        if (source != sources.end() && source->node == i) {
            RecordReader reader;
            // The whole file is judged in this reading: a list whose UTF-8
            // shows only after the part looked at when it was placed would
            // be crossed with wrong keys, and missing hits, without a word.
            EncodingScan scan;
            reader.watch_encoding(&scan);
            if (Status s = open_source(reader, *source); !s) return s;
            // The cancel request is looked at once a block: cheap, and soon
            // enough for Ctrl+C on a file of gigabytes.
            bool cancelled = false;
            n += reader.count_rest([&] {
                pulse();
                cancelled = cancel_requested();
                return !cancelled;
            });
            if (cancelled) return StageEnd::cancel();
            if (reader.failed()) return Status::failure(MessageId::OpenFailed, source->path.string());
            if (scan.result() != TextEncoding::Cp932)
                return Status::failure(MessageId::NotCp932Cross, source->path.string());
            ++source;
        }
        observer.progress_position(i + 1);
    }
    observer.progress_position(0);
    return StageEnd::done();
}

StageEnd CrossEngine::Impl::read_records(long long n) {
    observer.message_line(MessageId::ReadingData);
    observer.progress_range(static_cast<int>(n / 100));
    observer.progress_position(0);
    int column_offset = 0;
    for (const NodeRecord& node : chart.nodes) column_offset = std::max(column_offset, node.key_first);
    std::vector<KeyedRecordFeed::Source> feed_sources;
    for (const Source& source : sources) {
        const NodeRecord& node = chart.nodes[source.node];
        feed_sources.push_back({source.path, source.title, node.key_first, node.key_last, node.start_record});
    }
    const bool originals = options.workbook;
    KeyedRecordFeed feed(std::move(feed_sources), options, column_offset, n, originals);

    // Keys go into the table a few at a time, so that the table's lines for
    // all of them are fetched together.
    constexpr std::size_t kBatch = 16;
    std::array<std::string_view, kBatch> keys;
    std::array<std::uint32_t, kBatch> hashes{};
    std::size_t batched = 0;
    auto add_keys = [&] {
        const bool added = groups->add(std::span<const std::string_view>(keys).first(batched),
                                       std::span<const std::uint32_t>(hashes).first(batched));
        batched = 0;
        return added;
    };

    work.write_behind();
    index.write_behind();
    long long k = 0;
    std::uint32_t source = UINT32_MAX;
    for (;;) {
        const KeyedRecordFeed::Batch& batch = feed.next();
        std::size_t key_at = 0;
        std::size_t line_at = 0;
        for (const KeyedRecordFeed::Record& record : batch.records) {
            if (cancel_requested()) {
                feed.stop();
                return StageEnd::cancel();
            }
            pulse();
            if (record.source != source) {
                source = record.source;
                const auto first = static_cast<std::uint32_t>(groups->record_count() + batched);
                mandatory.first_record_of_node.emplace_back(first, sources[source].node);
                first_of_source.emplace_back(first, source);
            }
            ++figures.sources[source].records;
            if (record.key_length > 0) {
                work.write(std::string_view(batch.lines).substr(line_at, record.line_length + record.original_length));
                line_at += record.line_length + record.original_length;
                if (originals) {
                    work_length.push_back(record.line_length);
                    field_counts.push_back(
                        static_cast<std::uint16_t>(std::min<std::uint32_t>(record.field_count, 65535)));
                }
                char entry[kIndexEntry];
                if (!format_index_entry(work.position(), entry))
                    return Status::failure(MessageId::WriteFailed, temp_folder().string());
                index.write({entry, kIndexEntry});
                keys[batched] = std::string_view(batch.keys).substr(key_at, record.key_length);
                key_at += record.key_length;
                hashes[batched] = record.hash;
                groups->prefetch(record.hash);
                if (++batched == kBatch && !add_keys()) return Status::failure(MessageId::OutOfMemory);
            }
            ++k;
            if (n < 1000 || k % 100 == 0) observer.progress_position(static_cast<int>(k / 100));
        }
        // The keys point into the batch: store them before it is given back.
        if (!add_keys()) return Status::failure(MessageId::OutOfMemory);
        if (batch.last) {
            if (batch.failure.failed()) return batch.failure;
            break;
        }
    }
    groups->drop_lookup();
    if (!work.flush() || !index.flush()) return Status::failure(MessageId::WriteFailed, temp_folder().string());
    return StageEnd::done();
}

StageEnd CrossEngine::Impl::find_hits() {
    observer.message_line(MessageId::FindingDuplicates);
    mandatory.slot_of_node.assign(static_cast<std::size_t>(chart.node_count()), -1);
    int slot = 0;
    for (const Source& source : sources)
        if (chart.nodes[source.node].mandatory) mandatory.slot_of_node[static_cast<std::size_t>(source.node)] = slot++;
    const std::size_t stored = groups->record_count();
    try {
        runs = find_hit_runs(*groups, static_cast<std::uint32_t>(options.min_hit), mandatory, [this] {
            pulse();
            return cancel_requested();
        });
    } catch (const HitRunsCancelled&) {
        return StageEnd::cancel();
    }
    groups.reset();

    // Where each record of a run stands in the work file: one pass over the
    // position index.
    std::vector<std::uint32_t> place_of_record(stored, kNone);
    for (std::uint32_t p = 0; p < runs.records.size(); ++p) {
        if (p + 16 < runs.records.size()) __builtin_prefetch(&place_of_record[runs.records[p + 16]], 1);
        place_of_record[runs.records[p]] = p;
    }
    line_start.assign(runs.records.size(), 0);
    line_length.assign(runs.records.size(), 0);
    const bool originals = options.workbook;
    if (originals) {
        original_start.assign(runs.records.size(), 0);
        original_length.assign(runs.records.size(), 0);
    }
    std::string block;
    long long previous_end = 0;
    constexpr std::size_t kEntriesPerBlock = 1 << 16;
    for (std::size_t r = 0; r < stored; r += kEntriesPerBlock) {
        const std::size_t entries = std::min(kEntriesPerBlock, stored - r);
        if (!index.read_at(static_cast<long long>(r * kIndexEntry), entries * kIndexEntry, block))
            return Status::failure(MessageId::OpenFailed);
        // A line starts where the one before it ends: only the entries next
        // to a wanted line are read.
        for (std::size_t e = 0; e < entries; ++e) {
            const std::uint32_t p = place_of_record[r + e];
            if (p == kNone) continue;
            const long long start = r + e == 0 ? 0
                                    : e == 0   ? previous_end
                                               : parse_index_entry(block.data() + (e - 1) * kIndexEntry);
            line_start[p] = start;
            const long long end = parse_index_entry(block.data() + e * kIndexEntry);
            if (originals) {
                const std::uint32_t work_line = work_length[r + e];
                line_length[p] = work_line - 1;
                original_start[p] = start + work_line;
                original_length[p] = static_cast<std::uint32_t>(end - start - work_line - 1);
                most_fields = std::max<std::size_t>(most_fields, field_counts[r + e]);
            } else {
                line_length[p] = static_cast<std::uint32_t>(end - start - 1);
            }
        }
        previous_end = parse_index_entry(block.data() + (entries - 1) * kIndexEntry);
        pulse();
        if (cancel_requested()) return StageEnd::cancel();
    }
    std::vector<std::uint32_t>().swap(work_length);
    std::vector<std::uint16_t>().swap(field_counts);
    return StageEnd::done();
}

StageEnd CrossEngine::Impl::write_hits(long long m, long long& h) {
    observer.message_line(MessageId::WritingResults);
    const int maximum = static_cast<int>(m / 100);
    observer.progress_range(maximum);
    observer.progress_position(0);
    const std::size_t total = std::max<std::size_t>(runs.records.size(), 1);
    ResultAssembler output(work, result, kOutputWindow);
    std::string prefix;
    int shown = 0;
    // The figures, worked out on the way: the sources in this hit, each
    // noted once.
    const std::size_t source_count = sources.size();
    std::vector<std::uint32_t> hit_of_source(source_count, kNone);
    std::vector<std::uint32_t> in_hit;
    for (std::uint32_t run = 0; run < runs.run_count(); ++run) {
        if (cancel_requested()) return StageEnd::cancel();
        pulse();
        if (!runs.is_hit[run]) continue;
        observer.hit_count(++h);
        if (options.hit_numbers) prefix = std::to_string(h) + ",";
        in_hit.clear();
        for (std::uint32_t p = runs.bounds[run]; p < runs.bounds[run + 1]; ++p) {
            const std::uint32_t s = source_of(runs.records[p]);
            ++figures.sources[s].records_in_hits;
            if (hit_of_source[s] != run) {
                hit_of_source[s] = run;
                in_hit.push_back(s);
            }
        }
        for (const std::uint32_t a : in_hit) {
            ++figures.sources[a].hits;
            for (const std::uint32_t b : in_hit) ++figures.shared_hits[a][b];
        }
        for (std::uint32_t p = runs.bounds[run]; p < runs.bounds[run + 1]; ++p) {
            output.add_text(prefix);
            if (!output.add_line(line_start[p], line_length[p])) return Status::failure(MessageId::OpenFailed);
            output.add_text("\r\n");
        }
        if (options.blank_lines) output.add_text("\r\n");
        if (result.failed()) return Status::failure(MessageId::WriteFailed, result_path.string());
        const int position = static_cast<int>(static_cast<long long>(maximum) * runs.bounds[run + 1] / total);
        if (position != shown) observer.progress_position(shown = position);
    }
    if (!output.flush()) return Status::failure(MessageId::OpenFailed);
    if (result.failed()) return Status::failure(MessageId::WriteFailed, result_path.string());
    figures.hits = h;
    if (options.workbook) {
        if (StageEnd end = write_workbook_rows(); end.cancelled || end.failure.failed()) return end;
    }
    observer.progress_position(0);
    return StageEnd::done();
}

// The workbook's rows: each hit record's own line, fetched from the work
// file as the result file's lines were.
StageEnd CrossEngine::Impl::write_workbook_rows() {
    const std::filesystem::path target = result_workbook_path(result_path);
    workbook = std::make_unique<ResultWorkbook>();
    if (Status s = workbook->open(target, most_fields, options.quotes); !s) return s;
    struct Row {
        long long hit;
        std::uint32_t source;
    };
    std::vector<Row> rows;
    std::size_t next = 0;
    long long keyed_hit = -1;
    KeyedRecord keyed;
    std::string key;
    long long h = 0;
    ResultAssembler fetch(
        work,
        [&](std::string_view window) {
            for (std::size_t at = 0; at < window.size(); ++next) {
                const std::size_t end = window.find('\n', at);
                const std::string_view line = window.substr(at, end - at);
                const Row& row = rows[next];
                // Every record of a hit has its key: it is worked out once.
                if (row.hit != keyed_hit) {
                    keyed_hit = row.hit;
                    const NodeRecord& node = chart.nodes[sources[row.source].node];
                    extract_key(line, node.key_first, node.key_last, options, keyed);
                    key = keyed.key;
                }
                workbook->add_row(row.hit, sources[row.source].title, key, line);
                at = end + 1;
            }
            rows.clear();
            next = 0;
        },
        kWorkbookWindow);
    for (std::uint32_t run = 0; run < runs.run_count(); ++run) {
        if (cancel_requested()) return StageEnd::cancel();
        pulse();
        if (!runs.is_hit[run]) continue;
        ++h;
        for (std::uint32_t p = runs.bounds[run]; p < runs.bounds[run + 1]; ++p) {
            rows.push_back({h, source_of(runs.records[p])});
            if (!fetch.add_line(original_start[p], original_length[p] + 1))
                return Status::failure(MessageId::OpenFailed);
        }
    }
    if (!fetch.flush()) return Status::failure(MessageId::OpenFailed);
    return StageEnd::done();
}

StageEnd CrossEngine::Impl::close_files() {
    work.close();
    index.close();
    if (!result.close()) return Status::failure(MessageId::WriteFailed, result_path.string());
    if (workbook) {
        // Named before the result file, and removed again should that
        // fail: a failed cross leaves neither.
        if (Status s = workbook->finish(figures); !s) return s;
        workbook_named = true;
        workbook_path = result_workbook_path(result_path);
    }
    if (!unfinished.finish(result_path)) return Status::failure(MessageId::WriteFailed, result_path.string());
    ::close(claim_fd);  // renamed over by now
    claim_fd = -1;
    return StageEnd::done();
}

void CrossEngine::Impl::abandon() {
    work.close();
    index.close();
    result.close();
    unfinished.discard();
    release_result_claim(claim_fd, result_path);
    claim_fd = -1;
    if (workbook) workbook->discard();
    if (workbook_named) {
        std::error_code ignored;
        std::filesystem::remove(workbook_path, ignored);
        workbook_named = false;
    }
    workbook_path.clear();
}

CrossEngine::CrossEngine(const Chart& chart, const CrossOptions& options, std::filesystem::path result_path,
                         CrossObserver& observer, TakenResultName taken)
    : impl_(std::make_unique<Impl>(chart, options, std::move(result_path), observer, taken, figures_)) {}

CrossEngine::~CrossEngine() {
    if (stage_ != CrossStage::Finished) impl_->abandon();
}

const std::filesystem::path& CrossEngine::result_path() const { return impl_->result_path; }

bool CrossEngine::result_file_created() const { return impl_->result_created; }

const std::filesystem::path& CrossEngine::workbook_path() const { return impl_->workbook_path; }

long long CrossEngine::workbook_cut_cells() const { return impl_->workbook ? impl_->workbook->cut_cells() : 0; }

CrossStage CrossEngine::run() {
    while (step()) {}
    return stage_;
}

bool CrossEngine::step() {
    const auto started = Clock::now();
    const CrossStage current = stage_;
    bool more = false;
    try {
        more = run_stage();
    } catch (const std::bad_alloc&) {
        failure_ = Status::failure(MessageId::OutOfMemory);
        stage_ = CrossStage::Failed;
    }
    if (stage_ == CrossStage::Failed || stage_ == CrossStage::Cancelled) impl_->abandon();
    if (static_cast<std::size_t>(current) < seconds_.size())
        seconds_[static_cast<std::size_t>(current)] += std::chrono::duration<double>(Clock::now() - started).count();
    return more;
}

bool CrossEngine::run_stage() {
    Impl& d = *impl_;
    StageEnd end;
    CrossStage next = stage_;
    switch (stage_) {
        case CrossStage::Open:
            end = d.open_files();
            next = CrossStage::Count;
            break;
        case CrossStage::Count:
            end = d.count_records(records_);
            next = CrossStage::Allocate;
            break;
        case CrossStage::Allocate:
            // Records are numbered in 32 bits.
            if (records_ > INT32_MAX) throw std::bad_alloc();
            d.groups = std::make_unique<KeyGroups>(static_cast<std::size_t>(records_));
            d.observer.record_count(records_);
            next = CrossStage::Read;
            break;
        case CrossStage::Read:
            end = d.read_records(records_);
            if (d.groups) keys_ = static_cast<long long>(d.groups->record_count());
            next = CrossStage::Group;
            break;
        case CrossStage::Group:
            end = d.find_hits();
            next = CrossStage::Write;
            break;
        case CrossStage::Write:
            end = d.write_hits(keys_, hits_);
            next = CrossStage::Close;
            break;
        case CrossStage::Close:
            end = d.close_files();
            next = CrossStage::Finished;
            break;
        case CrossStage::Finished:
        case CrossStage::Failed:
        case CrossStage::Cancelled:
            return false;
    }
    if (end.cancelled) {
        stage_ = CrossStage::Cancelled;
        return false;
    }
    if (end.failure.failed()) {
        failure_ = std::move(end.failure);
        stage_ = CrossStage::Failed;
        return false;
    }
    stage_ = next;
    return stage_ != CrossStage::Finished;
}

}  // namespace tessaly
