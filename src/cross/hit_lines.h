#pragma once

// The result lines of the hit records, made once the hits are known and kept
// in a work file until the result is written. They are made in the order
// the records stand in their files but written in the order of the result,
// so they are kept in bins, each a stretch of the result of a few tens of
// megabytes: a line goes to its bin's buffer, a full buffer to the work file
// as one piece, and the result is then written bin by bin, each bin read
// back whole in a few large reads. Memory is a buffer a bin and a writer,
// and one bin.
//
// Several threads (writers) may make lines at once, each into buffers of
// its own; their pieces take turns in the work file.
//
// Pieces stay in memory instead, as long as they fit in the memory given
// (what the grouping of the keys used and gave back, say), so that a result
// that fits is never written out and read back.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "text/file_writer.h"

namespace tessaly {

class HitLines {
public:
    // bin_bytes: roughly how large each bin will be, for the size of the
    // buffers; the work file is written from the start. line_start: where
    // each place's line will stand in its bin, kept up to date here.
    HitLines(FileWriter& work, const std::vector<std::uint64_t>& bin_bytes, std::vector<std::uint32_t>& line_start,
             int writers, std::size_t memory = 0);

    // The writer's buffer of the bin, to append the line of a place to.
    std::string& buffer(int writer, std::uint32_t bin) { return buffers_[index(writer, bin)].bytes; }
    // After the line of place was appended from start on in the buffer:
    // moves a full buffer to the work file.
    void appended(int writer, std::uint32_t bin, std::uint32_t place, std::size_t start) {
        Buffer& b = buffers_[index(writer, bin)];
        line_start_[place] = static_cast<std::uint32_t>(start);
        b.places.push_back(place);
        if (b.bytes.size() >= piece_bytes_) spill(writer, bin);
    }
    // Moves every buffer to the work file and flushes it, the writers done;
    // false when it could not be written.
    bool finish();

    std::uint32_t bin_count() const { return static_cast<std::uint32_t>(bins_.size()); }
    // The whole bin, read back to the start of out (which may be longer);
    // false when the work file could not be read.
    bool load(std::uint32_t bin, std::string& out) const;
    // Frees the bin's pieces kept in memory: it is loaded no more.
    void drop(std::uint32_t bin);

private:
    struct Piece {
        long long offset;  // in the work file, or -1: kept in memory
        std::size_t length;
        const char* bytes;  // when kept in memory: in one of its bin's blocks
    };
    struct FreeBlock {
        void operator()(char* p) const;
    };
    struct Bin {
        std::uint64_t written = 0;  // bytes in the bin
        std::vector<Piece> pieces;
        // The memory its pieces are kept in: blocks of huge pages, far fewer
        // page faults than memory touched 4 KiB at a time.
        std::vector<std::unique_ptr<char[], FreeBlock>> blocks;
        std::size_t block_used = 0;  // in the last block
    };
    // Keeps bytes in the bin's memory, as one piece or, across the end of a
    // block, two.
    void keep(Bin& bin, std::string_view bytes);
    struct Buffer {
        std::string bytes;
        std::vector<std::uint32_t> places;  // whose lines it holds
    };
    std::size_t index(int writer, std::uint32_t bin) const {
        return static_cast<std::size_t>(writer) * bins_.size() + bin;
    }
    void spill(int writer, std::uint32_t bin);

    FileWriter& work_;
    std::vector<Bin> bins_;
    std::vector<Buffer> buffers_;
    std::vector<std::uint32_t>& line_start_;
    const int writers_;
    std::size_t piece_bytes_ = 0;
    std::size_t memory_left_ = 0;  // for pieces kept in memory
    std::mutex mutex_;             // over the work file and the bins
};

}  // namespace tessaly
