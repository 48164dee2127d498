#pragma once

// The result lines of the hit records, made once the hits are known and kept
// in a work file until the result is written. They are made in the order
// the records stand in their files but written in the order of the result,
// so they are kept in bins, each a stretch of the result of a few tens of
// megabytes: a line goes to its bin's buffer, a full buffer to the work file
// as one piece, and the result is then written bin by bin, each bin read
// back whole in a few large reads. Memory is a buffer a bin and one bin.

#include <cstdint>
#include <string>
#include <vector>

#include "text/file_writer.h"

namespace tessaly {

class HitLines {
public:
    // bin_bytes: roughly how large each bin will be, for the size of the
    // buffers; the work file is written from the start.
    HitLines(FileWriter& work, const std::vector<std::uint64_t>& bin_bytes);

    // The bin's buffer, to append a line to: the line stands at size(bin)
    // as it was before. Call appended(bin) after.
    std::string& buffer(std::uint32_t bin) { return bins_[bin].buffer; }
    std::uint64_t size(std::uint32_t bin) const { return bins_[bin].written + bins_[bin].buffer.size(); }
    // Moves a full buffer to the work file.
    void appended(std::uint32_t bin) {
        if (bins_[bin].buffer.size() >= piece_bytes_) spill(bin);
    }
    // Moves every buffer to the work file and flushes it; false when it
    // could not be written.
    bool finish();

    std::uint32_t bin_count() const { return static_cast<std::uint32_t>(bins_.size()); }
    // The whole bin, read back to the start of out (which may be longer);
    // false when the work file could not be read.
    bool load(std::uint32_t bin, std::string& out) const;

private:
    struct Piece {
        long long offset;  // in the work file
        std::size_t length;
    };
    struct Bin {
        std::string buffer;
        std::uint64_t written = 0;  // bytes in the work file
        std::vector<Piece> pieces;
    };
    void spill(std::uint32_t bin);

    FileWriter& work_;
    std::vector<Bin> bins_;
    std::size_t piece_bytes_ = 0;
};

}  // namespace tessaly
