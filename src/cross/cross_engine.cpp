#include "cross/cross_engine.h"

#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <optional>
#include <random>
#include <thread>

#include "cross/hit_lines.h"
#include "cross/hit_runs.h"
#include "cross/huge_pages.h"
#include "cross/key_groups.h"
#include "cross/key_normaliser.h"
#include "cross/result_file.h"
#include "cross/result_workbook.h"
#include "cross/source_parts.h"
#include "text/cp932.h"
#include "text/file_writer.h"
#include "text/record_reader.h"
#include "text/temp_file.h"
#include "text/text_encoding.h"
#include "text/unfinished_file.h"
#include "text/user_file.h"

namespace tessaly {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kNone = UINT32_MAX;
// The result lines are kept in bins of about this much of the result (see
// hit_lines.h); one bin is in memory while the result is written.
constexpr std::uint64_t kBinBytes = 32 << 20;
// Wanted records of a source this close together are read at once, the
// bytes between them read and dropped: cheaper than another system call.
constexpr long long kLargestRead = 1 << 20;
// Threads that read the hit records again.
constexpr int kFetchers = 2;
// Tables indexed at random are fetched this many steps ahead.
constexpr std::size_t kAhead = 16;

// A hit record the grouping found: its place in the result order and where
// it stands in its file.
struct WantedRecord {
    std::uint32_t record;
    std::uint32_t place;
    IndexEntry entry;
};

// A helper thread of a stage, stopped through its flag and waited for
// however the stage is left.
struct StopAndJoin {
    std::thread& thread;
    std::atomic<bool>& stop;
    ~StopAndJoin() {
        stop = true;
        if (thread.joinable()) thread.join();
    }
};

// A seed for the keys' hashes that no one can foresee, so that no list can
// be made whose keys share hashes.
std::uint64_t fresh_seed() {
    std::random_device random;
    return std::uint64_t{random()} << 32 | random();
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
    StageEnd read_parts(long long n);
    StageEnd find_hits();
    StageEnd group_and_fetch();
    // Two keys met under one hash: the groups are made again under another.
    StageEnd read_again();
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

    // The work files have no name (see temp_file.h); a failure to write
    // them names the temporary folder. The position index holds where each
    // record stands in its file, with its key's group; the work file the
    // hit records' result lines that memory cannot keep (see hit_lines.h),
    // made from their files again once the hits are known.
    FileWriter work, index, result;
    int column_offset = 0;  // the largest key_first on the chart

    // Each source as it was counted: where it may be cut for reading, and
    // the file as it was, so that reading it again for the hit records finds
    // it unchanged.
    std::vector<CountedSource> counted;
    std::size_t stored = 0;  // non-empty records, each with an index entry
    // What the grouping of the keys took at most: the hit lines may have as
    // much once it is given back.
    std::size_t grouping_memory = 0;
    long long keyed = 0;  // those with a key

    std::unique_ptr<KeyGroups> groups;
    MandatoryNodes mandatory;
    HitRuns runs;
    // The number of the key of each place's run, and the source of a hit
    // record read again whose key was other than its run's, or kNone (see
    // key_groups.h).
    std::vector<std::uint32_t> key_of_place;
    std::atomic<std::uint32_t> differing_source = kNone;
    // Where each stored record's source begins: (first record, source).
    std::vector<std::pair<std::uint32_t, std::uint32_t>> first_of_source;

    // Each record of a hit (indexed as runs.records): its result line in its
    // bin and, with the workbook asked for, the length of its own line,
    // which follows the result line.
    std::vector<std::uint32_t> line_start;
    std::vector<std::uint32_t> line_length;
    std::vector<std::uint32_t> original_length;
    // The first place (in runs.records) of each bin, and the end.
    std::vector<std::uint32_t> bin_first;
    std::unique_ptr<HitLines> lines;
    std::size_t most_fields = 0;  // of any hit record
    std::unique_ptr<ResultWorkbook> workbook;
    std::filesystem::path workbook_path;  // once finished
    bool workbook_named = false;

    std::uint32_t source_of(std::uint32_t record) const {
        auto it = std::upper_bound(first_of_source.begin(), first_of_source.end(), std::make_pair(record, UINT32_MAX));
        return std::prev(it)->second;
    }
    std::uint32_t bin_of(std::uint32_t place) const {
        return static_cast<std::uint32_t>(std::upper_bound(bin_first.begin(), bin_first.end(), place) -
                                          bin_first.begin() - 1);
    }
    template <typename EachBlock, typename Check>
    StageEnd each_hit_record(const std::vector<std::uint32_t>& place_of_record, std::size_t first, std::size_t stride,
                             Check check, EachBlock each_block);
    StageEnd fetch_hit_lines(const std::vector<std::uint32_t>& place_of_record);
    StageEnd write_workbook_rows();

    Clock::time_point last_alive = Clock::now();
    unsigned pulses = 0;

    // Lets the observer keep a window alive, a few tens of milliseconds
    // apart, when called often (pulse) or now and then (alive).
    void pulse() {
        if ((++pulses & 63) != 0) return;
        alive();
    }
    void alive() {
        const auto now = Clock::now();
        if (now - last_alive >= std::chrono::milliseconds(30)) {
            last_alive = now;
            observer.keep_alive();
        }
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

namespace {

// The count of one source: its non-empty records from the start record on,
// where it may be cut for reading, the file as it was, and whether it is
// cp932 text, judged over the whole file in the same reading (a list whose
// UTF-8 shows only after the part looked at when it was placed would be
// crossed with wrong keys, and missing hits, without a word). go_on is
// asked once a block; false stops the count (the result is then short).
template <typename GoOn>
Status count_source(CountedSource& source, int start_record, long long& n, GoOn go_on) {
    RecordReader reader;
    EncodingScan scan;
    reader.watch_encoding(&scan);
    if (Status s = reader.open(source.path); !s) return s;
    reader.skip_lines(start_record - 1);
    CutRecorder cuts(source.cuts);
    cuts.note(reader.position(), 0);
    bool stopped = false;
    n = reader.count_rest([&](long long so_far) {
        cuts.note(reader.position(), so_far);
        stopped = !go_on();
        return !stopped;
    });
    if (stopped) return Status::ok();
    if (reader.failed()) return Status::failure(MessageId::OpenFailed, source.path.string());
    if (scan.result() != TextEncoding::Cp932) return Status::failure(MessageId::NotCp932Cross, source.path.string());
    cuts.note(reader.position(), n, true);
    source.identity = file_identity(reader.descriptor());
    return Status::ok();
}

}  // namespace

// The sources are counted two at a time: this thread takes them in order
// and a helper thread takes the next one each time it is free, so that
// both cores read. Only this thread talks to the observer; the helper is
// stopped through a flag.
StageEnd CrossEngine::Impl::count_records(long long& n) {
    observer.message_line(MessageId::CountingRecords);
    observer.progress_range(chart.node_count());
    observer.progress_position(0);
    n = 0;
    struct Count {
        long long records = 0;
        Status status;
        bool done = false;
    };
    std::vector<Count> counts(sources.size());
    counted.resize(sources.size());
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const NodeRecord& node = chart.nodes[sources[i].node];
        counted[i].path = sources[i].path;
        counted[i].key_first = node.key_first;
        counted[i].key_last = node.key_last;
    }
    std::atomic<std::size_t> next_source = 0;
    std::atomic<bool> stop = false;
    std::mutex mutex;
    std::condition_variable changed;
    auto count_next = [&](auto go_on) {
        const std::size_t i = next_source.fetch_add(1);
        if (i >= sources.size()) return false;
        long long records = 0;
        Status s;
        try {
            s = count_source(counted[i], chart.nodes[sources[i].node].start_record, records, go_on);
        } catch (const std::bad_alloc&) {
            s = Status::failure(MessageId::OutOfMemory);
        }
        std::lock_guard lock(mutex);
        counts[i] = {records, std::move(s), true};
        // Sources after a failed one need no count.
        if (counts[i].status.failed()) next_source = sources.size();
        changed.notify_all();
        return true;
    };
    std::thread helper;
    if (sources.size() > 1) {
        helper = std::thread([&] {
            while (!stop && count_next([&] { return !stop.load(); })) {}
        });
    }
    const StopAndJoin join{helper, stop};

    // The bar moves node by node, selected or not, as the counts come in.
    int shown = 0;
    std::size_t reported = 0;  // sources whose count is taken
    auto report = [&]() -> StageEnd {
        for (;;) {
            const int upto = reported < sources.size() ? sources[reported].node : chart.node_count();
            while (shown < upto) observer.progress_position(++shown);
            if (reported == sources.size()) return StageEnd::done();
            Count c;
            {
                std::lock_guard lock(mutex);
                if (!counts[reported].done) return StageEnd::done();
                c = counts[reported];
            }
            if (c.status.failed()) return c.status;
            n += c.records;
            ++reported;
        }
    };
    bool cancelled = false;
    auto go_on = [&] {
        pulse();
        cancelled = cancel_requested();
        return !cancelled;
    };
    for (;;) {
        if (cancelled) return StageEnd::cancel();
        if (StageEnd end = report(); end.failure.failed()) return end;
        if (reported == sources.size()) break;
        if (!count_next(go_on)) {
            // The helper's last source: waited for, asking about cancelling
            // meanwhile.
            std::unique_lock lock(mutex);
            if (!changed.wait_for(lock, std::chrono::milliseconds(20), [&] { return counts[reported].done; })) {
                lock.unlock();
                go_on();
            }
        }
    }
    observer.progress_position(0);
    return StageEnd::done();
}

// The sources are read in parts (see source_parts.h) by this thread and a
// helper thread, each taking the next part whenever it is free. Only this
// thread talks to the observer; the helper is stopped through a flag. A
// failure is that of the first part, in reading order, that failed: the one
// a reading in order would have met first.
StageEnd CrossEngine::Impl::read_records(long long n) {
    observer.message_line(MessageId::ReadingData);
    for (const NodeRecord& node : chart.nodes) column_offset = std::max(column_offset, node.key_first);
    long long first = 0;
    for (std::uint32_t s = 0; s < sources.size(); ++s) {
        const long long records = counted[s].cuts.empty() ? 0 : counted[s].cuts.back().records;
        if (records > 0) {
            mandatory.first_record_of_node.emplace_back(static_cast<std::uint32_t>(first), sources[s].node);
            first_of_source.emplace_back(static_cast<std::uint32_t>(first), s);
        }
        figures.sources[s].records = records;
        first += records;
    }
    stored = static_cast<std::size_t>(first);
    return read_parts(n);
}

// Reads every part into the groups and the position index.
StageEnd CrossEngine::Impl::read_parts(long long n) {
    observer.progress_range(static_cast<int>(n / 100));
    observer.progress_position(0);
    keyed = 0;
    const std::vector<SourcePart> parts = parts_of(counted);

    std::atomic<std::size_t> next_part = 0;
    std::atomic<long long> done = 0;
    std::atomic<bool> stop = false;
    std::mutex failure_mutex;
    std::size_t failed_part = SIZE_MAX;
    Status failure;
    auto read_parts = [&](PartReader& reader, const std::function<bool(long long)>& go_on) {
        for (;;) {
            const std::size_t p = next_part.fetch_add(1);
            if (p >= parts.size() || stop) return;
            {
                std::lock_guard lock(failure_mutex);
                if (p > failed_part) return;  // an earlier part failed
            }
            Status s;
            try {
                s = reader.read(parts[p], counted[parts[p].source], go_on);
            } catch (const std::bad_alloc&) {
                s = Status::failure(MessageId::OutOfMemory);
            }
            if (s.failed()) {
                std::lock_guard lock(failure_mutex);
                if (p < failed_part) {
                    failed_part = p;
                    failure = std::move(s);
                }
                return;
            }
        }
    };
    PartReader readers[2] = {{*groups, options, index}, {*groups, options, index}};
    std::thread helper;
    std::atomic<bool> helper_done = parts.size() < 2;
    if (!helper_done) {
        helper = std::thread([&] {
            read_parts(readers[1], [&](long long records) {
                done += records;
                return !stop;
            });
            helper_done = true;
        });
    }
    const StopAndJoin join{helper, stop};

    int shown = 0;
    bool cancelled = false;
    auto go_on = [&](long long records) {
        done += records;
        alive();
        if (cancel_requested()) {
            cancelled = stop = true;
            return false;
        }
        const int position = static_cast<int>(done / 100);
        if (position != shown) observer.progress_position(shown = position);
        return true;
    };
    read_parts(readers[0], go_on);
    // The helper's last parts: waited for, asking about cancelling meanwhile.
    while (!helper_done) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (!cancelled) go_on(0);
    }
    if (cancelled) return StageEnd::cancel();
    if (failure.failed()) return failure;
    for (const PartReader& reader : readers) keyed += reader.keyed();
    grouping_memory = groups->footprint();
    groups->drop_lookup();
    if (!index.flush()) return Status::failure(MessageId::WriteFailed, temp_folder().string());
    return StageEnd::done();
}

// Goes through the position index, handing each block's hit records
// (place_of_record is not kNone) to each_block in reading order: every
// stride-th block from first on. Asks check between blocks whether to go
// on.
template <typename EachBlock, typename Check>
StageEnd CrossEngine::Impl::each_hit_record(const std::vector<std::uint32_t>& place_of_record, std::size_t first,
                                            std::size_t stride, Check check, EachBlock each_block) {
    const std::size_t stored = place_of_record.size();
    std::string block;
    std::vector<WantedRecord> wanted;
    constexpr std::size_t kEntriesPerBlock = 1 << 16;
    for (std::size_t r = first * kEntriesPerBlock; r < stored; r += stride * kEntriesPerBlock) {
        const std::size_t entries = std::min(kEntriesPerBlock, stored - r);
        if (!index.read_at(static_cast<long long>(r) * static_cast<long long>(kIndexEntry), entries * kIndexEntry,
                           block))
            return Status::failure(MessageId::OpenFailed);
        wanted.clear();
        for (std::size_t e = 0; e < entries; ++e) {
            const std::uint32_t p = place_of_record[r + e];
            if (p != kNone)
                wanted.push_back(
                    {static_cast<std::uint32_t>(r + e), p, parse_index_entry(block.data() + e * kIndexEntry)});
        }
        if (StageEnd end = check(); end.cancelled || end.failure.failed()) return end;
        if (StageEnd end = each_block(wanted); end.cancelled || end.failure.failed()) return end;
    }
    return StageEnd::done();
}

StageEnd CrossEngine::Impl::find_hits() {
    observer.message_line(MessageId::FindingDuplicates);
    // Records read again whose keys still differ from their hits' after the
    // keys were grouped under this many seeds do not share hashes by chance:
    // their file is being changed in place, its size and time kept.
    constexpr int kGroupings = 3;
    for (int grouping = 1;; ++grouping) {
        if (!groups->collided()) {
            StageEnd end = group_and_fetch();
            if (end.cancelled || end.failure.failed() || differing_source == kNone) return end;
            if (grouping >= kGroupings)
                return Status::failure(MessageId::ChangedDuringCross, sources[differing_source].path.string());
        }
        if (StageEnd end = read_again(); end.cancelled || end.failure.failed()) return end;
    }
}

StageEnd CrossEngine::Impl::read_again() {
    lines.reset();
    runs = HitRuns();
    key_of_place = {};
    differing_source = kNone;
    most_fields = 0;
    groups.reset();
    try {
        groups = std::make_unique<KeyGroups>(stored, fresh_seed());
    } catch (const std::bad_alloc&) {
        return Status::failure(MessageId::OutOfMemory);
    }
    return read_parts(static_cast<long long>(stored));
}

StageEnd CrossEngine::Impl::group_and_fetch() {
    mandatory.slot_of_node.assign(static_cast<std::size_t>(chart.node_count()), -1);
    int slot = 0;
    for (const Source& source : sources)
        if (chart.nodes[source.node].mandatory) mandatory.slot_of_node[static_cast<std::size_t>(source.node)] = slot++;
    try {
        runs = find_hit_runs(
            *groups, stored, static_cast<std::uint32_t>(options.min_hit), mandatory,
            // Asked from two threads at once.
            [&](std::size_t first, std::span<std::uint32_t> groups_of, std::span<std::uint32_t> lengths) {
                constexpr std::size_t kEntries = 4096;
                char block[kEntries * kIndexEntry];
                for (std::size_t at = 0; at < groups_of.size(); at += kEntries) {
                    const std::size_t n = std::min(kEntries, groups_of.size() - at);
                    if (!index.read_at(static_cast<long long>(first + at) * static_cast<long long>(kIndexEntry),
                                       n * kIndexEntry, block))
                        return false;
                    for (std::size_t i = 0; i < n; ++i) {
                        const IndexEntry e = parse_index_entry(block + i * kIndexEntry);
                        groups_of[at + i] = e.group;
                        if (!lengths.empty()) lengths[at + i] = e.length;
                    }
                }
                return true;
            },
            [this] {
                pulse();
                return cancel_requested();
            });
    } catch (const HitRunsCancelled&) {
        return StageEnd::cancel();
    } catch (const HitRunsUnreadable&) {
        return Status::failure(MessageId::OpenFailed);
    }
    groups.reset();
    // The place in the result of each record of a hit.
    std::vector<std::uint32_t> place_of_record;
    assign_huge(place_of_record, stored, kNone);
    assign_huge<std::uint32_t>(key_of_place, runs.records.size(), 0);
    for (std::uint32_t run = 0; run < runs.run_count(); ++run) {
        if (!runs.is_hit[run]) continue;
        for (std::uint32_t p = runs.bounds[run]; p < runs.bounds[run + 1]; ++p) {
            if (p + kAhead < runs.records.size()) __builtin_prefetch(&place_of_record[runs.records[p + kAhead]], 1);
            place_of_record[runs.records[p]] = p;
            key_of_place[p] = runs.key_number[run];
        }
    }
    const std::size_t places = runs.records.size();
    assign_huge<std::uint32_t>(line_start, places, 0);
    // Until the lines are made, the records' lengths in their files.
    line_length = std::move(runs.lengths);
    if (options.workbook) assign_huge<std::uint32_t>(original_length, places, 0);

    // The bins, from how long each hit record's lines will be: about its
    // length in its file and what goes before it.
    std::size_t longest_title = 0;
    for (const Source& source : sources) longest_title = std::max(longest_title, source.title.size());
    const std::uint32_t added = static_cast<std::uint32_t>(longest_title + column_offset + 4);
    bin_first.assign(1, 0);
    std::vector<std::uint64_t> bin_bytes(1, 0);
    for (std::uint32_t run = 0; run < runs.run_count(); ++run) {
        if (!runs.is_hit[run]) continue;
        for (std::uint32_t p = runs.bounds[run]; p < runs.bounds[run + 1]; ++p) {
            if (bin_bytes.back() >= kBinBytes) {
                bin_first.push_back(p);
                bin_bytes.push_back(0);
            }
            bin_bytes.back() += line_length[p] + added + (options.workbook ? line_length[p] : 0);
        }
    }
    bin_first.push_back(static_cast<std::uint32_t>(places));
    // The hit lines are kept in memory as far as the grouping's memory,
    // now given back, covers them beside what is held from here on (and the
    // bin being written): the peak stays where the grouping put it.
    const std::size_t held =
        (place_of_record.size() + runs.records.size() + runs.bounds.size() + 4 * places) * sizeof(std::uint32_t) +
        runs.keys.size() + runs.key_ends.size() * sizeof(std::size_t) + runs.key_number.size() * sizeof(std::uint32_t) +
        kBinBytes;
    lines = std::make_unique<HitLines>(work, bin_bytes, line_start, kFetchers,
                                       grouping_memory > held ? grouping_memory - held : 0);
    StageEnd end = fetch_hit_lines(place_of_record);
    // The keys were wanted only to check the records' own.
    std::vector<std::uint32_t>().swap(key_of_place);
    std::string().swap(runs.keys);
    std::vector<std::size_t>().swap(runs.key_ends);
    std::vector<std::uint32_t>().swap(runs.key_number);
    return end;
}

// Reads the hit records from their files again, in file order, and makes
// their result lines as the reading of every record would have: two
// threads, each every other block of the position index, each reading the
// files on its own. Only this thread talks to the observer; the other is
// stopped through a flag.
StageEnd CrossEngine::Impl::fetch_hit_lines(const std::vector<std::uint32_t>& place_of_record) {
    const bool originals = options.workbook;
    struct Fetcher {
        int fd = -1;
        std::uint32_t open_source = kNone;
        std::string block;
        KeyedRecord keyed;
        std::size_t most_fields = 0;
        std::size_t fetched = 0;
        std::vector<std::uint32_t> key_number;  // of the block's records' runs
        std::vector<std::string_view> run_keys;
    };
    // One writer's part: fetch the records of the blocks given.
    auto fetch = [&](Fetcher& f, int writer, auto check) -> StageEnd {
        // A source is the one read before when it is still the same file,
        // of the same size and modification time, before and after this
        // reading.
        auto unchanged = [&] {
            const std::optional<FileIdentity> now = file_identity(f.fd);
            return now && *now == counted[f.open_source].identity;
        };
        auto close_source = [&]() -> Status {
            if (f.fd < 0) return Status::ok();
            const bool same = unchanged();
            ::close(f.fd);
            f.fd = -1;
            if (!same) return Status::failure(MessageId::ChangedDuringCross, sources[f.open_source].path.string());
            return Status::ok();
        };
        StageEnd end = each_hit_record(
            place_of_record, static_cast<std::size_t>(writer), kFetchers, check,
            [&](const std::vector<WantedRecord>& wanted) -> StageEnd {
                // The key of the run of each record that made its group, to
                // check the record's own against (the others were checked
                // as they were grouped): the block's runs, then where their
                // keys stand, then the keys, each fetched for the whole
                // block at once.
                for (const WantedRecord& w : wanted)
                    if (w.entry.made_group) __builtin_prefetch(&key_of_place[w.place]);
                f.key_number.resize(wanted.size());
                for (std::size_t i = 0; i < wanted.size(); ++i) {
                    if (!wanted[i].entry.made_group) continue;
                    const std::uint32_t n = f.key_number[i] = key_of_place[wanted[i].place];
                    __builtin_prefetch(&runs.key_ends[n]);
                    if (n > 0) __builtin_prefetch(&runs.key_ends[n - 1]);
                }
                f.run_keys.resize(wanted.size());
                for (std::size_t i = 0; i < wanted.size(); ++i) {
                    if (!wanted[i].entry.made_group) continue;
                    f.run_keys[i] = runs.key(f.key_number[i]);
                    __builtin_prefetch(f.run_keys[i].data());
                }
                for (std::size_t i = 0; i < wanted.size();) {
                    // The run of this source's records close enough for one read.
                    auto it = std::upper_bound(first_of_source.begin(), first_of_source.end(),
                                               std::make_pair(wanted[i].record, UINT32_MAX));
                    const std::uint32_t s = std::prev(it)->second;
                    const std::uint32_t source_end = it == first_of_source.end() ? UINT32_MAX : it->first;
                    if (s != f.open_source) {
                        if (Status closed = close_source(); !closed) return closed;
                        f.open_source = s;
                        if (Status opened = open_user_file(sources[s].path, f.fd); !opened) return opened;
                        if (!counted[s].identity || !unchanged())
                            return Status::failure(MessageId::ChangedDuringCross, sources[s].path.string());
                    }
                    const long long begin = wanted[i].entry.offset;
                    long long stop = begin + wanted[i].entry.length;
                    std::size_t j = i + 1;
                    while (j < wanted.size() && wanted[j].record < source_end &&
                           wanted[j].entry.offset + wanted[j].entry.length - begin <= kLargestRead) {
                        stop = std::max(stop, wanted[j].entry.offset + static_cast<long long>(wanted[j].entry.length));
                        ++j;
                    }
                    const auto length = static_cast<std::size_t>(stop - begin);
                    if (f.block.size() < length) f.block.resize(length);
                    std::size_t got = 0;
                    while (got < length) {
                        const ssize_t r =
                            ::pread(f.fd, f.block.data() + got, length - got, static_cast<off_t>(begin + got));
                        if (r < 0 && errno == EINTR) continue;
                        if (r < 0) return Status::failure(MessageId::OpenFailed, sources[s].path.string());
                        // Shorter than when it was read.
                        if (r == 0) return Status::failure(MessageId::ChangedDuringCross, sources[s].path.string());
                        got += static_cast<std::size_t>(r);
                    }
                    const NodeRecord& node = chart.nodes[sources[s].node];
                    for (; i < j; ++i) {
                        const WantedRecord& w = wanted[i];
                        // The places lie anywhere in the hits: their lines'
                        // lengths and starts are fetched a few records ahead.
                        if (i + kAhead < wanted.size()) {
                            __builtin_prefetch(&line_length[wanted[i + kAhead].place], 1);
                            __builtin_prefetch(&line_start[wanted[i + kAhead].place], 1);
                        }
                        const std::string_view record(f.block.data() + (w.entry.offset - begin), w.entry.length);
                        // The fields are counted only for the workbook's columns.
                        extract_key(record, node.key_first, node.key_last, options, f.keyed,
                                    originals ? FieldCount::Exact : FieldCount::WhenTooMany);
                        if (w.entry.made_group && f.keyed.key != f.run_keys[i]) {
                            std::uint32_t none = kNone;
                            differing_source.compare_exchange_strong(none, s);
                        }
                        const std::uint32_t bin = bin_of(w.place);
                        std::string& out = lines->buffer(writer, bin);
                        const std::size_t start = out.size();
                        append_work_line(out, sources[s].title, column_offset, node.key_first, f.keyed);
                        line_length[w.place] = static_cast<std::uint32_t>(out.size() - start);
                        if (originals) {
                            out.append(record);
                            original_length[w.place] = w.entry.length;
                            f.most_fields = std::max(f.most_fields, f.keyed.field_count);
                        }
                        lines->appended(writer, bin, w.place, start);
                        if ((++f.fetched & 255) == 0) {
                            if (StageEnd e = check(); e.cancelled || e.failure.failed()) return e;
                        }
                    }
                }
                return StageEnd::done();
            });
        if (end.cancelled || end.failure.failed()) {
            if (f.fd >= 0) ::close(f.fd);
            f.fd = -1;
            return end;
        }
        if (Status closed = close_source(); !closed) return closed;
        return StageEnd::done();
    };

    work.write_behind();
    Fetcher fetchers[kFetchers];
    std::atomic<bool> stop = false;
    std::atomic<bool> helper_done = false;
    StageEnd helper_end;
    std::thread helper([&] {
        try {
            helper_end = fetch(fetchers[1], 1, [&] { return stop ? StageEnd::cancel() : StageEnd::done(); });
        } catch (const std::bad_alloc&) {
            helper_end = Status::failure(MessageId::OutOfMemory);
        }
        if (helper_end.failure.failed()) stop = true;
        helper_done = true;
    });
    StageEnd end;
    try {
        end = fetch(fetchers[0], 0, [&] {
            pulse();
            if (cancel_requested()) return StageEnd::cancel();
            return StageEnd::done();
        });
    } catch (const std::bad_alloc&) {
        end = Status::failure(MessageId::OutOfMemory);
    }
    if (end.cancelled || end.failure.failed()) stop = true;
    // Waited for, asking about cancelling meanwhile.
    while (!helper_done) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        pulse();
        if (!stop && cancel_requested()) {
            end = StageEnd::cancel();
            stop = true;
        }
    }
    helper.join();
    if (end.cancelled || end.failure.failed()) return end;
    if (helper_end.failure.failed()) return helper_end;
    for (const Fetcher& f : fetchers) most_fields = std::max(most_fields, f.most_fields);
    if (!lines->finish()) return Status::failure(MessageId::WriteFailed, temp_folder().string());
    return StageEnd::done();
}

StageEnd CrossEngine::Impl::write_hits(long long m, long long& h) {
    observer.message_line(MessageId::WritingResults);
    const int maximum = static_cast<int>(m / 100);
    observer.progress_range(maximum);
    observer.progress_position(0);
    const std::size_t total = std::max<std::size_t>(runs.records.size(), 1);
    std::string bin;
    std::uint32_t loaded = kNone;
    std::string prefix;
    int shown = 0;
    // The figures, worked out on the way: the sources in this hit, each
    // noted once.
    const std::size_t source_count = sources.size();
    std::vector<std::uint32_t> hit_of_source(source_count, kNone);
    std::vector<std::uint32_t> in_hit;
    result.write_behind();
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
            if (loaded == kNone || p >= bin_first[loaded + 1]) {
                loaded = bin_of(p);
                if (!lines->load(loaded, bin)) return Status::failure(MessageId::OpenFailed);
                // The workbook reads the bins again.
                if (!options.workbook) lines->drop(loaded);
            }
            // The lines of a hit lie anywhere in their bin: fetched ahead.
            constexpr std::uint32_t kLinesAhead = 8;
            if (p + kLinesAhead < bin_first[loaded + 1]) {
                const char* ahead = bin.data() + line_start[p + kLinesAhead];
                __builtin_prefetch(ahead);
                __builtin_prefetch(ahead + 64);
            }
            result.write(prefix);
            result.write(std::string_view(bin).substr(line_start[p], line_length[p]));
            result.write("\r\n");
        }
        if (options.blank_lines) result.write("\r\n");
        if (result.failed()) return Status::failure(MessageId::WriteFailed, result_path.string());
        const int position = static_cast<int>(static_cast<long long>(maximum) * runs.bounds[run + 1] / total);
        if (position != shown) observer.progress_position(shown = position);
    }
    if (!result.flush()) return Status::failure(MessageId::WriteFailed, result_path.string());
    figures.hits = h;
    if (options.workbook) {
        if (StageEnd end = write_workbook_rows(); end.cancelled || end.failure.failed()) return end;
    }
    observer.progress_position(0);
    return StageEnd::done();
}

// The workbook's rows: each hit record's own line, which follows its result
// line in the bins.
StageEnd CrossEngine::Impl::write_workbook_rows() {
    workbook = std::make_unique<ResultWorkbook>();
    if (Status s = workbook->open(result_workbook_path(result_path), most_fields, options.quotes); !s) return s;
    std::string bin;
    std::uint32_t loaded = kNone;
    KeyedRecord keyed;
    std::string key;
    long long h = 0;
    for (std::uint32_t run = 0; run < runs.run_count(); ++run) {
        if (cancel_requested()) return StageEnd::cancel();
        pulse();
        if (!runs.is_hit[run]) continue;
        ++h;
        for (std::uint32_t p = runs.bounds[run]; p < runs.bounds[run + 1]; ++p) {
            if (loaded == kNone || p >= bin_first[loaded + 1]) {
                loaded = bin_of(p);
                if (!lines->load(loaded, bin)) return Status::failure(MessageId::OpenFailed);
            }
            const std::uint32_t s = source_of(runs.records[p]);
            const std::string_view own =
                std::string_view(bin).substr(line_start[p] + line_length[p], original_length[p]);
            // Every record of a hit has its key: it is worked out once.
            if (p == runs.bounds[run]) {
                const NodeRecord& node = chart.nodes[sources[s].node];
                extract_key(own, node.key_first, node.key_last, options, keyed);
                key = keyed.key;
            }
            workbook->add_row(h, sources[s].title, key, own);
        }
    }
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
            // The groups of the records go to the position index.
            d.groups = std::make_unique<KeyGroups>(static_cast<std::size_t>(records_), fresh_seed());
            d.observer.record_count(records_);
            next = CrossStage::Read;
            break;
        case CrossStage::Read:
            end = d.read_records(records_);
            keys_ = d.keyed;
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
