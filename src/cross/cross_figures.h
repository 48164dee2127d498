#pragma once

// How the crossed files overlap, for people rather than for crossing again:
// per source, its records, how many of them are in hits and how many hits
// hold at least one of them; and for each pair of sources, the hits holding
// records of both. Worked out while the hits are written, at no extra pass.

#include <string>
#include <vector>

namespace tessaly {

struct SourceFigures {
    std::string title;              // cp932, as the node's title
    std::string path;               // cp932, as the node's path
    long long records = 0;          // records read (from the start record on)
    long long records_in_hits = 0;  // of those, records in hits
    long long hits = 0;             // hits holding at least one of its records
};

struct CrossFigures {
    std::vector<SourceFigures> sources;  // in cross order
    // shared_hits[i][j]: hits holding records of both source i and source j;
    // shared_hits[i][i] equals sources[i].hits.
    std::vector<std::vector<long long>> shared_hits;
    long long hits = 0;

    // The share of a source's records that are in hits, in percent (0 for a
    // source without records).
    static double duplicate_percent(const SourceFigures& s) {
        return s.records > 0 ? 100.0 * static_cast<double>(s.records_in_hits) / static_cast<double>(s.records) : 0.0;
    }
};

}  // namespace tessaly
