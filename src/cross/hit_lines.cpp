#include "cross/hit_lines.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "cross/huge_pages.h"

namespace tessaly {

namespace {

// The buffers together stay within this, each between the two sizes below:
// large pieces make few reads when a bin is read back, and pieces below the
// work file's buffer are written by its own thread.
constexpr std::size_t kAllBuffers = 64 << 20;
constexpr std::size_t kLargestPiece = 256 << 10;
constexpr std::size_t kSmallestPiece = 32 << 10;
// The blocks that pieces are kept in: one huge page each.
constexpr std::size_t kBlockBytes = 2 << 20;

}  // namespace

HitLines::HitLines(FileWriter& work, const std::vector<std::uint64_t>& bin_bytes,
                   std::vector<std::uint32_t>& line_start, int writers, std::size_t memory)
    : work_(work),
      bins_(bin_bytes.size()),
      buffers_(bin_bytes.size() * static_cast<std::size_t>(writers)),
      line_start_(line_start),
      writers_(writers) {
    piece_bytes_ = std::clamp(kAllBuffers / std::max<std::size_t>(buffers_.size(), 1), kSmallestPiece, kLargestPiece);
    // The buffers come out of the memory given too.
    const std::size_t buffers = buffers_.size() * piece_bytes_ * 2;
    memory_left_ = memory > buffers ? memory - buffers : 0;
    for (std::size_t b = 0; b < bins_.size(); ++b) bins_[b].pieces.reserve(bin_bytes[b] / piece_bytes_ + 1);
}

void HitLines::spill(int writer, std::uint32_t bin) {
    Buffer& b = buffers_[index(writer, bin)];
    if (b.bytes.empty()) return;
    std::uint64_t at = 0;
    {
        std::lock_guard lock(mutex_);
        Bin& into = bins_[bin];
        at = into.written;
        into.written += b.bytes.size();
        // Whole blocks are counted against the memory given.
        const std::size_t room = into.blocks.empty() ? 0 : kBlockBytes - into.block_used;
        const std::size_t more = b.bytes.size() > room ? b.bytes.size() - room + kBlockBytes - 1 : 0;
        if (more / kBlockBytes * kBlockBytes <= memory_left_) {
            memory_left_ -= more / kBlockBytes * kBlockBytes;
            keep(into, b.bytes);
        } else {
            into.pieces.push_back({work_.position(), b.bytes.size(), nullptr});
            work_.write(b.bytes);
        }
    }
    // The lines stood where the piece starts in its buffer; now in the bin.
    for (const std::uint32_t place : b.places) line_start_[place] += static_cast<std::uint32_t>(at);
    b.places.clear();
    b.bytes.clear();
}

void HitLines::FreeBlock::operator()(char* p) const { std::free(p); }

void HitLines::keep(Bin& bin, std::string_view bytes) {
    while (!bytes.empty()) {
        if (bin.blocks.empty() || bin.block_used == kBlockBytes) {
            char* block = static_cast<char*>(std::aligned_alloc(kBlockBytes, kBlockBytes));
            if (!block) throw std::bad_alloc();
            advise_huge_pages(block, kBlockBytes);
            bin.blocks.emplace_back(block);
            bin.block_used = 0;
        }
        const std::size_t n = std::min(bytes.size(), kBlockBytes - bin.block_used);
        char* at = bin.blocks.back().get() + bin.block_used;
        std::memcpy(at, bytes.data(), n);
        bin.pieces.push_back({-1, n, at});
        bin.block_used += n;
        bytes.remove_prefix(n);
    }
}

bool HitLines::finish() {
    for (int w = 0; w < writers_; ++w)
        for (std::uint32_t b = 0; b < bins_.size(); ++b) {
            spill(w, b);
            std::string().swap(buffers_[index(w, b)].bytes);
            std::vector<std::uint32_t>().swap(buffers_[index(w, b)].places);
        }
    return work_.flush();
}

bool HitLines::load(std::uint32_t bin, std::string& out) const {
    const Bin& b = bins_[bin];
    // Made as large as the largest bin at once, not grown bin by bin (each
    // growth a copy into fresh memory); what stands beyond the bin is never
    // looked at.
    if (out.size() < b.written) {
        std::uint64_t largest = 0;
        for (const Bin& each : bins_) largest = std::max(largest, each.written);
        out = std::string();
        out.reserve(largest);
        advise_huge_pages(out.data(), largest);
        out.resize(largest);
    }
    std::size_t at = 0;
    for (std::size_t i = 0; i < b.pieces.size();) {
        if (b.pieces[i].offset < 0) {
            std::memcpy(out.data() + at, b.pieces[i].bytes, b.pieces[i].length);
            at += b.pieces[i++].length;
            continue;
        }
        // Pieces that follow one another in the work file (a bin filled
        // alone) are read at once.
        std::size_t j = i + 1;
        std::size_t length = b.pieces[i].length;
        while (j < b.pieces.size() && b.pieces[j].offset >= 0 &&
               b.pieces[j].offset == b.pieces[i].offset + static_cast<long long>(length) && length < (64u << 20)) {
            length += b.pieces[j].length;
            ++j;
        }
        if (!work_.read_at(b.pieces[i].offset, length, out.data() + at)) return false;
        at += length;
        i = j;
    }
    return true;
}

void HitLines::drop(std::uint32_t bin) {
    std::vector<Piece>().swap(bins_[bin].pieces);
    bins_[bin].blocks.clear();
}

}  // namespace tessaly
