// usage: single-pass A-B FILE...
//
// The floor a cross is measured against: one plain pass on one thread over
// the files, as anyone would write it. Each file is mapped, every line's
// fields A to B (1-based, comma-separated, no quoting) are cut out and joined
// with the half-width (0x20) and full-width (0x81 0x40) spaces left out, and
// the key is counted in a hash table (the standard library's, keys kept in
// large blocks rather than a string each). Nothing is written; the numbers of
// records, keys and repeated keys go to standard error, so that the pass
// cannot be optimised away.

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

bool is_lead_byte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Appends field text to key without its spaces, walking cp932 characters.
void append_without_spaces(std::string& key, const char* p, const char* end) {
    while (p < end) {
        const auto b = static_cast<unsigned char>(*p);
        if (is_lead_byte(b) && p + 1 < end) {
            if (!(b == 0x81 && static_cast<unsigned char>(p[1]) == 0x40)) key.append(p, 2);
            p += 2;
        } else {
            if (b != 0x20) key.push_back(static_cast<char>(b));
            p += 1;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    int first = 0, last = 0;
    if (argc < 3 || std::sscanf(argv[1], "%d-%d", &first, &last) != 2 || first < 1 || last < first) {
        std::fprintf(stderr, "usage: single-pass A-B FILE...\n");
        return 2;
    }
    --first;
    --last;
    std::unordered_map<std::string_view, std::uint32_t> counts;
    // Each new key's bytes, in blocks that never move.
    std::vector<std::unique_ptr<char[]>> blocks;
    std::size_t block_left = 0;
    char* block_at = nullptr;
    auto keep = [&](const std::string& k) {
        if (block_left < k.size()) {
            blocks.push_back(std::make_unique<char[]>(1 << 20));
            block_at = blocks.back().get();
            block_left = 1 << 20;
        }
        std::memcpy(block_at, k.data(), k.size());
        const std::string_view kept(block_at, k.size());
        block_at += k.size();
        block_left -= k.size();
        return kept;
    };
    long long records = 0;
    std::string key;
    for (int f = 2; f < argc; ++f) {
        const int fd = ::open(argv[f], O_RDONLY);
        struct stat st {};
        if (fd < 0 || ::fstat(fd, &st) != 0) {
            std::perror(argv[f]);
            return 1;
        }
        const auto size = static_cast<std::size_t>(st.st_size);
        if (size == 0) continue;
        void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (map == MAP_FAILED) {
            std::perror(argv[f]);
            return 1;
        }
        ::madvise(map, size, MADV_SEQUENTIAL);
        if (f == 2) counts.reserve(size / 64);
        const char* p = static_cast<const char*>(map);
        const char* const end = p + size;
        while (p < end) {
            const char* eol = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
            if (!eol) eol = end;
            const char* line_end = eol > p && eol[-1] == '\r' ? eol - 1 : eol;
            if (line_end > p) {
                ++records;
                key.clear();
                const char* field = p;
                for (int i = 0; i <= last && field <= line_end; ++i) {
                    const char* comma =
                        static_cast<const char*>(std::memchr(field, ',', static_cast<std::size_t>(line_end - field)));
                    const char* field_end = comma ? comma : line_end;
                    if (i >= first) append_without_spaces(key, field, field_end);
                    if (!comma) break;
                    field = comma + 1;
                }
                if (!key.empty()) {
                    auto it = counts.find(key);
                    if (it != counts.end())
                        ++it->second;
                    else
                        counts.emplace(keep(key), 1);
                }
            }
            p = eol + 1;
        }
        ::munmap(map, size);
        ::close(fd);
    }
    long long repeated = 0;
    for (const auto& [k, n] : counts) repeated += n >= 2;
    std::fprintf(stderr, "records %lld, keys %zu, repeated keys %lld\n", records, counts.size(), repeated);
    return 0;
}
