#include "cross/result_assembler.h"

#include <algorithm>
#include <cstring>

#include "cross/huge_pages.h"

namespace tessaly {

namespace {

// Lines closer than this are fetched in one read, the bytes between them
// read and dropped: cheaper than another system call.
constexpr long long kGap = 64 * 1024;
constexpr long long kLargestRead = 4 * 1024 * 1024;

}  // namespace

ResultAssembler::ResultAssembler(const FileWriter& work, FileWriter& result, std::size_t window_bytes)
    : ResultAssembler(
          work, [&result](std::string_view window) { result.write(window); }, window_bytes) {}

ResultAssembler::ResultAssembler(const FileWriter& work, Sink sink, std::size_t window_bytes)
    : work_(work), sink_(std::move(sink)), window_bytes_(window_bytes) {
    window_.reserve(window_bytes_ + 4096);
    advise_huge_pages(window_.data(), window_.capacity());
}

bool ResultAssembler::add_line(long long offset, std::uint32_t length) {
    holes_.push_back({offset, window_.size(), length});
    window_.resize(window_.size() + length);
    return window_.size() < window_bytes_ || flush();
}

bool ResultAssembler::flush() {
    std::sort(holes_.begin(), holes_.end(), [](const Hole& a, const Hole& b) { return a.offset < b.offset; });
    std::string single;
    for (std::size_t i = 0; i < holes_.size();) {
        const long long begin = holes_[i].offset;
        long long end = begin + holes_[i].length;
        std::size_t j = i + 1;
        while (j < holes_.size() && holes_[j].offset - end <= kGap &&
               holes_[j].offset + holes_[j].length - begin <= kLargestRead) {
            end = std::max(end, holes_[j].offset + static_cast<long long>(holes_[j].length));
            ++j;
        }
        if (!work_.read_at(begin, static_cast<std::size_t>(end - begin), block_)) return false;
        for (; i < j; ++i)
            std::memcpy(window_.data() + holes_[i].at, block_.data() + (holes_[i].offset - begin), holes_[i].length);
    }
    holes_.clear();
    sink_(window_);
    window_.clear();
    return true;
}

}  // namespace tessaly
