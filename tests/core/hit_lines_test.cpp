#include "cross/hit_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tessaly;

TEST(HitLines, LinesKeptInMemoryAndInTheWorkFileLoadAsMade) {
    // Two writers fill two bins, taking turns; the memory given holds three
    // of the blocks pieces are kept in (2 MiB each): the first bin is kept
    // whole, across the end of a block, the second partly, the rest of it
    // going to the work file.
    FileWriter work;
    ASSERT_TRUE(work.open_nameless());
    constexpr std::uint32_t kPlaces = 80000;
    std::vector<std::uint32_t> line_start(kPlaces);
    const std::vector<std::uint64_t> bin_bytes = {kPlaces / 2 * 60, kPlaces / 2 * 60};
    // The four buffers' share, and three blocks.
    HitLines lines(work, bin_bytes, line_start, 2, 4 * 2 * (256 << 10) + 3 * (2 << 20) + 1000);
    auto line_of = [](std::uint32_t place) {
        return "line " + std::to_string(place) + std::string(place % 97, static_cast<char>('a' + place % 26));
    };
    for (std::uint32_t place = 0; place < kPlaces; ++place) {
        const int writer = static_cast<int>(place % 7 % 2);
        const std::uint32_t bin = place < kPlaces / 2 ? 0 : 1;
        std::string& out = lines.buffer(writer, bin);
        const std::size_t start = out.size();
        out += line_of(place);
        lines.appended(writer, bin, place, start);
    }
    ASSERT_TRUE(lines.finish());
    std::string bin;
    for (int pass = 0; pass < 2; ++pass) {
        for (std::uint32_t b = 0; b < 2; ++b) {
            ASSERT_TRUE(lines.load(b, bin));
            for (std::uint32_t place = b * kPlaces / 2; place < (b + 1) * kPlaces / 2; ++place)
                ASSERT_EQ(bin.substr(line_start[place], line_of(place).size()), line_of(place)) << place;
        }
    }
    // Dropped, a bin's memory is given back (and it is loaded no more).
    lines.drop(0);
    ASSERT_TRUE(lines.load(1, bin));
    EXPECT_EQ(bin.substr(line_start[kPlaces - 1], line_of(kPlaces - 1).size()), line_of(kPlaces - 1));
}
