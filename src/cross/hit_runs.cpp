#include "cross/hit_runs.h"

#include "cross/huge_pages.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <exception>
#include <iterator>
#include <stop_token>
#include <string_view>
#include <thread>

namespace tessaly {

namespace {

constexpr std::uint32_t kNone = UINT32_MAX;

// The first twelve bytes as two big-endian numbers: they order like the
// keys themselves, so that most comparisons of the sort never leave the
// candidate array for the key store.
struct KeyPrefix {
    std::uint64_t high = 0;
    std::uint32_t low = 0;
    auto operator<=>(const KeyPrefix&) const = default;  // NOLINT(modernize-use-nullptr): a tidy 14 false alarm
};

KeyPrefix key_prefix(std::string_view key) {
    unsigned char b[12] = {};
    std::memcpy(b, key.data(), std::min<std::size_t>(12, key.size()));
    KeyPrefix p;
    for (int i = 0; i < 8; ++i) p.high = p.high << 8 | b[i];
    for (int i = 8; i < 12; ++i) p.low = p.low << 8 | b[i];
    return p;
}

// Tables indexed at random by record: fetching a few iterations ahead hides
// most of the memory latency.
constexpr std::size_t kAhead = 16;

// Asks whether to stop once every 16,384 steps.
class CancelPoint {
public:
    explicit CancelPoint(const std::function<bool()>& cancelled) : cancelled_(cancelled) {}
    void step() {
        if ((++steps_ & 0x3FFF) == 0) ask();
    }
    void ask() {
        if (cancelled_ && cancelled_()) throw HitRunsCancelled{};
    }

private:
    const std::function<bool()>& cancelled_;
    std::uint64_t steps_ = 0;
};

// Work done on a second thread beside this one, handed a question that
// tells it to stop: wait() joins it and throws what it threw. Leaving
// without waiting tells it to stop and joins it.
class Beside {
public:
    template <typename Work>
    explicit Beside(Work work)
        : thread_([this, work](const std::stop_token& stop) {
              try {
                  work(std::function<bool()>([&stop] { return stop.stop_requested(); }));
              } catch (...) {
                  failure_ = std::current_exception();
              }
              done_ = true;
          }) {}
    // Asks cancel meanwhile whether to stop, every few milliseconds.
    void wait(CancelPoint& cancel) {
        while (!done_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            cancel.ask();
        }
        thread_.join();
        if (failure_) std::rethrow_exception(failure_);
    }

private:
    std::exception_ptr failure_;
    std::atomic<bool> done_ = false;
    std::jthread thread_;  // last: it starts once the rest is made
};

// Hands the groups of records [begin, end) to each, a block at a time, with
// their lengths when asked for.
template <typename Each>
void each_block(const RecordGroupSource& record_groups, std::size_t begin, std::size_t end, bool with_lengths,
                Each each) {
    constexpr std::size_t kBlock = 1 << 16;
    std::vector<std::uint32_t> block, lengths;
    for (std::size_t first = begin; first < end; first += kBlock) {
        block.resize(std::min(kBlock, end - first));
        lengths.resize(with_lengths ? block.size() : 0);
        if (!record_groups(first, block, lengths)) throw HitRunsUnreadable{};
        each(first, std::span<const std::uint32_t>(block), std::span<const std::uint32_t>(lengths));
    }
}

// A run is a hit only when every selected mandatory node has a record in it.
void mark_hits(HitRuns& runs, const MandatoryNodes& mandatory, CancelPoint& cancel) {
    runs.is_hit.assign(runs.bounds.size() - 1, 1);
    if (mandatory.count == 0) return;
    const auto& firsts = mandatory.first_record_of_node;
    std::vector<std::uint32_t> seen_in_run(static_cast<std::size_t>(mandatory.count), kNone);
    for (std::uint32_t run = 0; run < runs.run_count(); ++run) {
        cancel.step();
        int seen = 0;
        for (std::uint32_t p = runs.bounds[run]; p < runs.bounds[run + 1]; ++p) {
            auto it = std::upper_bound(firsts.begin(), firsts.end(), std::make_pair(runs.records[p], INT32_MAX));
            const int slot = mandatory.slot_of_node[static_cast<std::size_t>(std::prev(it)->second)];
            if (slot >= 0 && seen_in_run[static_cast<std::size_t>(slot)] != run) {
                seen_in_run[static_cast<std::size_t>(slot)] = run;
                ++seen;
            }
        }
        runs.is_hit[run] = seen == mandatory.count;
    }
}

}  // namespace

HitRuns find_hit_runs(KeyGroups& groups, std::size_t records, std::uint32_t min_hit, const MandatoryNodes& mandatory,
                      const RecordGroupSource& record_groups, const std::function<bool()>& cancelled) {
    CancelPoint cancel(cancelled);
    // The records are taken in two halves where they can be: while this
    // thread sorts the keys, the other counts each group's records, noting
    // the counts where the second half starts; then each thread places the
    // records of one half.
    const std::size_t middle = records / 2;
    std::vector<std::uint32_t> run_of_group, before_middle;
    assign_huge<std::uint32_t>(run_of_group, groups.group_count(), 0);
    Beside counting([&](const std::function<bool()>& stopped) {
        CancelPoint cancel_counting(stopped);
        auto count = [&](std::size_t, std::span<const std::uint32_t> g, std::span<const std::uint32_t>) {
            for (std::size_t i = 0; i < g.size(); ++i) {
                cancel_counting.step();
                if (i + kAhead < g.size() && g[i + kAhead] != kNoGroup)
                    __builtin_prefetch(&run_of_group[g[i + kAhead]]);
                if (g[i] != kNoGroup) ++run_of_group[g[i]];
            }
        };
        each_block(record_groups, 0, middle, false, count);
        reserve_huge(before_middle, run_of_group.size());
        before_middle.assign(run_of_group.begin(), run_of_group.end());
        each_block(record_groups, middle, records, false, count);
    });

    // Sixteen bytes a candidate: the prefix spelled out, and the candidate's
    // number (they are numbered as their keys stand in the groups' store).
    struct Candidate {
        std::uint64_t high;
        std::uint32_t low;
        std::uint32_t number;
        KeyPrefix prefix() const { return {high, low}; }
    };
    static_assert(sizeof(Candidate) == 16);
    std::vector<Candidate> candidates;
    std::vector<std::uint32_t> group_of;  // by number
    HitRuns runs;
    // The kept keys are those of the groups of two records or more, walked
    // as they stand in memory and copied side by side, by number: the sort
    // and the checks of the records after it find them there. Those of
    // groups too small to be hits are left out once the groups are counted.
    std::size_t kept = 0, kept_bytes = 0;
    groups.each_kept_key([&](std::uint32_t, std::string_view key) {
        ++kept;
        kept_bytes += key.size();
    });
    reserve_huge(candidates, kept);
    reserve_huge(group_of, kept);
    reserve_huge(runs.keys, kept_bytes);
    reserve_huge(runs.key_ends, kept);
    groups.each_kept_key([&](std::uint32_t group, std::string_view key) {
        cancel.step();
        const KeyPrefix p = key_prefix(key);
        candidates.push_back({p.high, p.low, static_cast<std::uint32_t>(group_of.size())});
        group_of.push_back(group);
        runs.keys.append(key);
        runs.key_ends.push_back(runs.keys.size());
    });
    groups.release();
    // By prefix first, never looking at the keys; then each stretch of equal
    // prefixes by the whole keys, which are fetched ahead in the order the
    // stretches come: where each stands, then the key.
    std::sort(candidates.begin(), candidates.end(), [&](const Candidate& a, const Candidate& b) {
        cancel.step();
        if (a.prefix() != b.prefix()) return a.prefix() < b.prefix();
        return a.number < b.number;
    });
    std::size_t fetched = 0;
    auto fetch_up_to = [&](std::size_t end) {
        for (end = std::min(end, candidates.size()); fetched < end; ++fetched) {
            __builtin_prefetch(&runs.key_ends[candidates[fetched].number]);
            if (fetched >= kAhead) __builtin_prefetch(runs.key(candidates[fetched - kAhead].number).data());
        }
    };
    for (std::size_t i = 0; i < candidates.size();) {
        std::size_t j = i + 1;
        while (j < candidates.size() && candidates[j].prefix() == candidates[i].prefix()) ++j;
        if (j - i > 1) {
            fetch_up_to(j + 2 * kAhead);
            std::sort(candidates.begin() + static_cast<std::ptrdiff_t>(i),
                      candidates.begin() + static_cast<std::ptrdiff_t>(j), [&](const Candidate& a, const Candidate& b) {
                          cancel.step();
                          return runs.key(a.number) < runs.key(b.number);
                      });
        }
        i = j;
    }
    counting.wait(cancel);

    // The runs, and where each half's records of each run go.
    std::vector<std::uint32_t> cursors[2];
    runs.key_number.reserve(candidates.size());
    runs.bounds.reserve(candidates.size() + 1);
    runs.bounds.push_back(0);
    for (auto& c : cursors) c.reserve(candidates.size());
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const std::uint32_t group = group_of[candidates[i].number];
        if (i + kAhead < candidates.size()) {
            __builtin_prefetch(&run_of_group[group_of[candidates[i + kAhead].number]]);
            __builtin_prefetch(&before_middle[group_of[candidates[i + kAhead].number]]);
        }
        if (run_of_group[group] < min_hit) continue;
        runs.key_number.push_back(candidates[i].number);
        cursors[0].push_back(runs.bounds.back());
        cursors[1].push_back(runs.bounds.back() + before_middle[group]);
        runs.bounds.push_back(runs.bounds.back() + run_of_group[group]);
    }
    std::vector<std::uint32_t>().swap(before_middle);
    std::fill(run_of_group.begin(), run_of_group.end(), kNone);
    for (std::uint32_t run = 0; run < runs.key_number.size(); ++run) run_of_group[group_of[runs.key_number[run]]] = run;
    std::vector<Candidate>().swap(candidates);
    std::vector<std::uint32_t>().swap(group_of);

    // Each run's records in reading order: a counting sort by run, a half on
    // each thread.
    assign_huge<std::uint32_t>(runs.records, runs.bounds.back(), 0);
    assign_huge<std::uint32_t>(runs.lengths, runs.bounds.back(), 0);
    auto place = [&](std::vector<std::uint32_t>& cursor, CancelPoint& cancel_here) {
        return [&](std::size_t first, std::span<const std::uint32_t> g, std::span<const std::uint32_t> lengths) {
            for (std::size_t i = 0; i < g.size(); ++i) {
                cancel_here.step();
                if (i + kAhead < g.size() && g[i + kAhead] != kNoGroup)
                    __builtin_prefetch(&run_of_group[g[i + kAhead]]);
                if (g[i] == kNoGroup) continue;
                const std::uint32_t run = run_of_group[g[i]];
                if (run == kNone) continue;
                const std::uint32_t at = cursor[run]++;
                runs.records[at] = static_cast<std::uint32_t>(first + i);
                runs.lengths[at] = lengths[i];
            }
        };
    };
    Beside placing([&](const std::function<bool()>& stopped) {
        CancelPoint cancel_placing(stopped);
        each_block(record_groups, middle, records, true, place(cursors[1], cancel_placing));
    });
    each_block(record_groups, 0, middle, true, place(cursors[0], cancel));
    placing.wait(cancel);
    mark_hits(runs, mandatory, cancel);
    return runs;
}

}  // namespace tessaly
