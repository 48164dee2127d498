// usage: single-pass A-B FILE...
//
// The floor a cross is measured against: one lean pass on one thread over the
// files, as a competent hand would write it with nothing to spare. Each file
// is mapped whole (its pages populated up front), lines are found with
// memchr, and every line's fields A to B (1-based, comma-separated, no
// quoting) are cut out and joined with the half-width (0x20) and full-width
// (0x81 0x40) spaces left out, walking cp932 characters. The key is hashed
// with a 64-bit multiply-mix over 8-byte words and counted in an
// open-addressing table of its own: power-of-two slots holding the hash, the
// count and the offset of the key's bytes in one arena, linear probing, no
// allocation per key. A key's slot is prefetched when it is hashed and looked
// at eight keys later, so that the misses of a table far larger than the
// cache overlap instead of stalling every line. Nothing is written; the
// numbers of records, keys and repeated keys go to standard error, so that the
// pass cannot be optimised away.

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

bool is_lead_byte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Copies field text to out without its spaces, walking cp932 characters (a
// trail byte 0x40 or 0x20 is never taken for a space); returns the new end.
char* copy_without_spaces(char* out, const char* p, const char* end) {
    while (p < end) {
        const auto b = static_cast<unsigned char>(*p);
        if (is_lead_byte(b) && p + 1 < end) {
            if (!(b == 0x81 && static_cast<unsigned char>(p[1]) == 0x40)) {
                out[0] = p[0];
                out[1] = p[1];
                out += 2;
            }
            p += 2;
        } else {
            *out = static_cast<char>(b);
            out += b != 0x20;
            p += 1;
        }
    }
    return out;
}

std::uint64_t mix(std::uint64_t a, std::uint64_t b) {
    const auto product = static_cast<unsigned __int128>(a) * b;
    return static_cast<std::uint64_t>(product) ^ static_cast<std::uint64_t>(product >> 64);
}

std::uint64_t load8(const char* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// wyhash-style: each 8-byte word folded in with a 64x64->128 multiply, the
// tail read as a partial word, the length in the final mix.
std::uint64_t hash_key(const char* p, std::size_t n) {
    constexpr std::uint64_t k0 = 0xa0761d6478bd642fULL, k1 = 0xe7037ed1a0b428dbULL, k2 = 0x8ebc6af09c88c6e3ULL;
    std::uint64_t h = k0 ^ n;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) h = mix(h ^ load8(p + i), k1);
    if (i < n) {
        std::uint64_t tail = 0;
        std::memcpy(&tail, p + i, n - i);
        h = mix(h ^ tail, k2);
    }
    return mix(h, k1 ^ n);
}

// The counting table. A slot is empty while its count is 0; the key's bytes
// sit in the arena at `at`, after their length (4 bytes).
struct Slot {
    std::uint64_t hash;
    std::uint32_t at;
    std::uint32_t count;
};

class Counter {
public:
    explicit Counter(std::size_t expected_keys) {
        std::size_t n = 1024;
        while (n * 3 < expected_keys * 4) n *= 2;
        allocate(n);
        reserve(expected_keys * 24);
    }

    // Asks for the slot a hash starts at, to be looked at a few keys later.
    void prefetch(std::uint64_t h) const { __builtin_prefetch(slots_ + (h & mask_), 1); }

    void count(std::uint64_t h, const char* key, std::size_t n) {
        for (std::size_t i = h & mask_;; i = (i + 1) & mask_) {
            Slot& s = slots_[i];
            if (s.count == 0) {
                insert(s, h, key, n);
                return;
            }
            if (s.hash == h && same(s.at, key, n)) {
                repeated_ += s.count == 1;
                ++s.count;
                return;
            }
        }
    }

    std::size_t keys() const { return keys_; }
    std::size_t repeated() const { return repeated_; }

private:
    // Fresh anonymous pages are zero, so the slots need no clearing; huge
    // pages spare the TLB on what is one random access per key.
    void allocate(std::size_t n) {
        void* m = ::mmap(nullptr, n * sizeof(Slot), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (m == MAP_FAILED) {
            std::perror("single-pass");
            std::exit(1);
        }
        ::madvise(m, n * sizeof(Slot), MADV_HUGEPAGE);
        slots_ = static_cast<Slot*>(m);
        size_ = n;
        mask_ = n - 1;
    }

    bool same(std::uint32_t at, const char* key, std::size_t n) const {
        std::uint32_t len;
        std::memcpy(&len, arena_ + at, 4);
        return len == n && std::memcmp(arena_ + at + 4, key, n) == 0;
    }

    void insert(Slot& s, std::uint64_t h, const char* key, std::size_t n) {
        const std::size_t at = used_;
        if (at + 4 + n > UINT32_MAX) {
            std::fprintf(stderr, "single-pass: more than 4 GiB of keys\n");
            std::exit(1);
        }
        if (at + 4 + n > reserved_) reserve(2 * (at + 4 + n));
        const auto len = static_cast<std::uint32_t>(n);
        std::memcpy(arena_ + at, &len, 4);
        std::memcpy(arena_ + at + 4, key, n);
        used_ = at + 4 + n;
        s = Slot{h, static_cast<std::uint32_t>(at), 1};
        if (++keys_ * 4 > size_ * 3) grow();
    }

    // realloc moves large blocks by remapping their pages, not copying.
    void reserve(std::size_t bytes) {
        void* m = std::realloc(arena_, bytes);
        if (!m) {
            std::perror("single-pass");
            std::exit(1);
        }
        arena_ = static_cast<char*>(m);
        reserved_ = bytes;
    }

    // Doubles the slots, placing every key again by its kept hash.
    void grow() {
        Slot* const old = slots_;
        const std::size_t old_size = size_;
        allocate(old_size * 2);
        for (std::size_t j = 0; j < old_size; ++j) {
            if (old[j].count == 0) continue;
            std::size_t i = old[j].hash & mask_;
            while (slots_[i].count != 0) i = (i + 1) & mask_;
            slots_[i] = old[j];
        }
        ::munmap(old, old_size * sizeof(Slot));
    }

    Slot* slots_ = nullptr;
    std::size_t size_ = 0;
    std::size_t mask_ = 0;
    char* arena_ = nullptr;
    std::size_t used_ = 0;
    std::size_t reserved_ = 0;
    std::size_t keys_ = 0;
    std::size_t repeated_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    int first = 0, last = 0;
    if (argc < 3 || std::sscanf(argv[1], "%d-%d", &first, &last) != 2 || first < 1 || last < first) {
        std::fprintf(stderr, "usage: single-pass A-B FILE...\n");
        return 2;
    }
    --first;
    --last;
    // Sized from the input at about one key in 96 bytes (a member list's
    // line); the table doubles whenever it gets three quarters full.
    std::size_t total = 0;
    for (int f = 2; f < argc; ++f) {
        struct stat st {};
        if (::stat(argv[f], &st) == 0) total += static_cast<std::size_t>(st.st_size);
    }
    Counter counter(total / 96);
    // Keys wait in a ring after their slot is prefetched and are counted
    // `depth` keys later, so that the table's cache misses overlap with the
    // cutting of the next lines instead of stalling each one in turn.
    constexpr std::size_t depth = 8;
    std::size_t width = 256;  // bytes a key may take in the ring
    std::vector<char> ring(depth * width);
    std::uint64_t hashes[depth] = {};
    std::size_t lengths[depth] = {};
    std::size_t pending = 0, next = 0;  // next: the free entry, or the oldest when full
    auto count_oldest = [&] {
        const std::size_t k = (next + depth - pending) % depth;
        counter.count(hashes[k], ring.data() + k * width, lengths[k]);
        --pending;
    };
    long long records = 0;
    for (int f = 2; f < argc; ++f) {
        const int fd = ::open(argv[f], O_RDONLY);
        struct stat st {};
        if (fd < 0 || ::fstat(fd, &st) != 0) {
            std::perror(argv[f]);
            return 1;
        }
        const auto size = static_cast<std::size_t>(st.st_size);
        if (size == 0) {
            ::close(fd);
            continue;
        }
        void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (map == MAP_FAILED) {
            std::perror(argv[f]);
            return 1;
        }
        const char* p = static_cast<const char*>(map);
        const char* const end = p + size;
        while (p < end) {
            const char* eol = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
            if (!eol) eol = end;
            const char* line_end = eol > p && eol[-1] == '\r' ? eol - 1 : eol;
            if (line_end > p) {
                ++records;
                if (pending == depth) count_oldest();
                // The key is never longer than its line.
                const auto line_size = static_cast<std::size_t>(line_end - p);
                if (width < line_size) {
                    std::vector<char> wider(depth * line_size);
                    for (std::size_t k = 0; k < depth; ++k)
                        std::memcpy(wider.data() + k * line_size, ring.data() + k * width, lengths[k]);
                    ring.swap(wider);
                    width = line_size;
                }
                char* const key = ring.data() + next * width;
                char* out = key;
                const char* field = p;
                for (int i = 0; i <= last; ++i) {
                    const char* comma =
                        static_cast<const char*>(std::memchr(field, ',', static_cast<std::size_t>(line_end - field)));
                    const char* field_end = comma ? comma : line_end;
                    if (i >= first) out = copy_without_spaces(out, field, field_end);
                    if (!comma) break;
                    field = comma + 1;
                }
                if (out != key) {
                    lengths[next] = static_cast<std::size_t>(out - key);
                    hashes[next] = hash_key(key, lengths[next]);
                    counter.prefetch(hashes[next]);
                    next = (next + 1) % depth;
                    ++pending;
                }
            }
            p = eol + 1;
        }
        ::munmap(map, size);
        ::close(fd);
    }
    while (pending > 0) count_oldest();
    std::fprintf(stderr, "records %lld, keys %zu, repeated keys %zu\n", records, counter.keys(), counter.repeated());
    return 0;
}
