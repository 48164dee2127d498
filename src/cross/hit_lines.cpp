#include "cross/hit_lines.h"

#include <algorithm>

namespace tessaly {

namespace {

// The buffers together stay within this, each between the two sizes below:
// large pieces make few reads when a bin is read back, and pieces below the
// work file's buffer are written by its own thread.
constexpr std::size_t kAllBuffers = 64 << 20;
constexpr std::size_t kLargestPiece = 256 << 10;
constexpr std::size_t kSmallestPiece = 64 << 10;

}  // namespace

HitLines::HitLines(FileWriter& work, const std::vector<std::uint64_t>& bin_bytes)
    : work_(work), bins_(bin_bytes.size()) {
    piece_bytes_ = std::clamp(kAllBuffers / std::max<std::size_t>(bins_.size(), 1), kSmallestPiece, kLargestPiece);
    for (std::size_t b = 0; b < bins_.size(); ++b) {
        bins_[b].buffer.reserve(std::min<std::uint64_t>(bin_bytes[b], piece_bytes_) + 4096);
        bins_[b].pieces.reserve(bin_bytes[b] / piece_bytes_ + 1);
    }
}

void HitLines::spill(std::uint32_t bin) {
    Bin& b = bins_[bin];
    if (b.buffer.empty()) return;
    b.pieces.push_back({work_.position(), b.buffer.size()});
    work_.write(b.buffer);
    b.written += b.buffer.size();
    b.buffer.clear();
}

bool HitLines::finish() {
    for (std::uint32_t b = 0; b < bins_.size(); ++b) {
        spill(b);
        std::string().swap(bins_[b].buffer);
    }
    return work_.flush();
}

bool HitLines::load(std::uint32_t bin, std::string& out) const {
    const Bin& b = bins_[bin];
    // Grown only: what stands beyond the bin is never looked at.
    if (out.size() < b.written) out.resize(b.written);
    std::size_t at = 0;
    for (std::size_t i = 0; i < b.pieces.size();) {
        // Pieces that follow one another in the work file (a bin filled
        // alone) are read at once.
        std::size_t j = i + 1;
        std::size_t length = b.pieces[i].length;
        while (j < b.pieces.size() && b.pieces[j].offset == b.pieces[i].offset + static_cast<long long>(length) &&
               length < (64u << 20)) {
            length += b.pieces[j].length;
            ++j;
        }
        if (!work_.read_at(b.pieces[i].offset, length, out.data() + at)) return false;
        at += length;
        i = j;
    }
    return true;
}

}  // namespace tessaly
