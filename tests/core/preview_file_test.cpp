#include "preview/preview_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <cstdlib>
#include <string>
#include <vector>

#include "fifo.h"
#include "temp_dir.h"
#include "text/read_only_file.h"

using namespace tessaly;

namespace {

// Points the temporary folder at a folder of the test's own, so that the
// test sees every temporary file the preview makes.
class OwnTemporaryFolder {
public:
    OwnTemporaryFolder() {
        if (const char* was = std::getenv("TMPDIR")) saved_ = was;
        ::setenv("TMPDIR", dir_.path().c_str(), 1);
    }
    ~OwnTemporaryFolder() {
        if (saved_)
            ::setenv("TMPDIR", saved_->c_str(), 1);
        else
            ::unsetenv("TMPDIR");
    }
    // Files with a name there: never any, since the copy and the index have
    // none.
    std::size_t file_count() const {
        return static_cast<std::size_t>(
            std::distance(std::filesystem::directory_iterator(dir_.path()), std::filesystem::directory_iterator()));
    }
    // Files this process holds open there, named or not.
    std::size_t open_count() const {
        const std::string folder = dir_.path().string() + "/";
        std::size_t n = 0;
        for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) {
            std::error_code ec;
            if (std::filesystem::read_symlink(e.path(), ec).string().starts_with(folder)) ++n;
        }
        return n;
    }

private:
    TempDir dir_;
    std::optional<std::string> saved_;
};

struct Opened {
    Status status;
    PreviewStatistics statistics;
};

Opened open_bytes(const TempDir& dir, std::string_view bytes) {
    const auto source = dir / "source.csv";
    write_bytes(source, bytes);
    PreviewFile file;
    Status status = file.open(source);
    return {status, file.statistics()};
}

std::string repeated(char c, std::size_t n) { return std::string(n, c); }

}  // namespace

TEST(PreviewFile, WorksOnAPrivateCopyWithAPositionIndex) {
    TempDir dir;
    OwnTemporaryFolder temporary;
    const auto source = dir / "members.csv";
    const std::string bytes =
        "a,b\r\n"
        "ccc\n"
        "\r\n"
        "d,e,f";
    write_bytes(source, bytes);
    {
        PreviewFile file;
        ASSERT_TRUE(file.open(source));
        // Both are open in the temporary folder and neither has a name there.
        EXPECT_EQ(temporary.open_count(), 2u);
        EXPECT_EQ(temporary.file_count(), 0u);
        EXPECT_EQ(read_bytes(file.working_copy_path()), bytes);
        // Each entry is where the next record begins, right-aligned in 11 bytes.
        EXPECT_EQ(read_bytes(file.index_path()),
                  "          5"
                  "          9"
                  "         11"
                  "         16");

        const PreviewStatistics& s = file.statistics();
        EXPECT_EQ(s.total_records, 4);
        EXPECT_EQ(s.max_record_length, 6);  // "d,e,f" and one byte for a line end it lacks
        EXPECT_EQ(s.min_record_length, 2);  // the empty line
        EXPECT_EQ(s.max_field_count, 3);
        EXPECT_EQ(s.min_field_count, 1);

        EXPECT_EQ(file.record_start(0), 0);
        EXPECT_EQ(file.record_start(3), 11);
        EXPECT_EQ(file.record_start(4), 16);
        EXPECT_EQ(file.record_start(5), std::nullopt);
        EXPECT_EQ(file.read_records(0, 10), (std::vector<std::string>{"a,b", "ccc", "", "d,e,f"}));
        EXPECT_EQ(file.read_records(2, 1), (std::vector<std::string>{""}));
        EXPECT_EQ(file.read_record(3), "d,e,f");
        EXPECT_EQ(file.read_record(4), std::nullopt);
        EXPECT_TRUE(file.read_records(-1, 2).empty());

        file.close();
        EXPECT_EQ(temporary.open_count(), 0u);
        EXPECT_TRUE(file.working_copy_path().empty());
        ASSERT_TRUE(file.open(source));
        EXPECT_EQ(temporary.open_count(), 2u);
        ASSERT_TRUE(file.open(source));  // opening again replaces the previous copy
        EXPECT_EQ(temporary.open_count(), 2u);
        EXPECT_EQ(temporary.file_count(), 0u);
    }
    EXPECT_EQ(temporary.open_count(), 0u);  // the destructor closes both
    EXPECT_EQ(read_bytes(source), bytes);
}

TEST(PreviewFile, RecordsAcrossBlocksAndTheEndOfData) {
    TempDir dir;
    // Records of every length around the 1 MiB blocks the scan reads, with a
    // CR LF torn apart at a block boundary somewhere.
    std::string bytes;
    std::vector<std::string> expected;
    for (int n = 0; bytes.size() < (5u << 20); ++n) {
        std::string record = std::to_string(n) + "," + repeated('x', static_cast<std::size_t>(n * 7919 % 4990));
        bytes += record + (n % 3 ? "\r\n" : "\n");
        expected.push_back(record);
    }
    const std::size_t block = 1 << 20;
    std::string torn = bytes.substr(0, block - 1) + "\r\n" + bytes.substr(block - 1);
    {
        PreviewFile file;
        write_bytes(dir / "big.csv", bytes);
        ASSERT_TRUE(file.open(dir / "big.csv"));
        ASSERT_EQ(file.statistics().total_records, static_cast<std::int64_t>(expected.size()));
        EXPECT_EQ(file.read_records(0, static_cast<std::int64_t>(expected.size())), expected);
        const std::int64_t last = static_cast<std::int64_t>(expected.size()) - 1;
        EXPECT_EQ(file.read_record(last), expected.back());
        EXPECT_EQ(*file.record_start(last + 1), static_cast<std::int64_t>(bytes.size()));
    }
    {
        PreviewFile file;
        write_bytes(dir / "torn.csv", torn);
        ASSERT_TRUE(file.open(dir / "torn.csv"));
        std::vector<std::string> records = file.read_records(0, 1 << 30);
        ASSERT_EQ(records.size(), expected.size() + 1);
        EXPECT_EQ(records.back(), expected.back());
        for (const std::string& record : records) EXPECT_EQ(record.find('\r'), std::string::npos);
    }
    {
        // A byte 0x1A ends the readable data, as the cross reads it (the
        // text check refuses one in the first 5,000 bytes).
        PreviewFile file;
        std::string lines;
        for (int n = 0; n < 2000; ++n) lines += "ab\r\n";
        write_bytes(dir / "eof.csv", lines +
                                         "c\x1A"
                                         "d\r\ne\r\n");
        ASSERT_TRUE(file.open(dir / "eof.csv"));
        EXPECT_EQ(file.statistics().total_records, 2001);
        EXPECT_EQ(file.read_records(1999, 10), (std::vector<std::string>{"ab", "c"}));
        EXPECT_EQ(file.statistics().min_record_length, 2);  // "c" without a line end: 1 + 1
    }
}

TEST(PreviewFile, RefusalsLeaveNothingBehind) {
    TempDir dir;
    OwnTemporaryFolder temporary;

    // Not text, or no line break in the first 5,000 bytes.
    EXPECT_EQ(open_bytes(dir, std::string("ab\0c\r\n", 6)).status.message_id, MessageId::NotAText);
    EXPECT_EQ(open_bytes(dir, repeated('a', 6000)).status.message_id, MessageId::NoLineBreak);
    EXPECT_EQ(open_bytes(dir, "").status.message_id, MessageId::NoLineBreak);

    // 4,998 bytes of text with its CR LF make 5,000; one more is too long,
    // also further into the file, and also with a lone LF.
    EXPECT_TRUE(open_bytes(dir, repeated('a', 4998) + "\r\n").status);
    EXPECT_EQ(open_bytes(dir, repeated('a', 4999) + "\r\n").status.message_id, MessageId::RecordTooLong);
    EXPECT_EQ(open_bytes(dir, "x\r\n" + repeated('a', 4999) + "\n").status.message_id, MessageId::RecordTooLong);
    EXPECT_EQ(open_bytes(dir, "x\r\n" + repeated('a', 3000000) + "\r\n").status.message_id, MessageId::RecordTooLong);
    // A last record without a line end counts one byte for it.
    EXPECT_TRUE(open_bytes(dir, "x\r\n" + repeated('a', 4999)).status);
    EXPECT_EQ(open_bytes(dir, "x\r\n" + repeated('a', 5000)).status.message_id, MessageId::RecordTooLong);
    EXPECT_EQ(open_bytes(dir, repeated('a', 4998) + "\r\n").statistics.max_record_length, 5000);

    // 1,999 commas make 2,000 fields, which is still shown; 2,000 are not.
    const Opened widest = open_bytes(dir, "x\r\n" + repeated(',', 1999) + "\r\n");
    EXPECT_TRUE(widest.status);
    EXPECT_EQ(widest.statistics.max_field_count, 2000);
    EXPECT_EQ(open_bytes(dir, "x\r\n" + repeated(',', 2000) + "\r\n").status.message_id, MessageId::TooManyFields);
    // The length is checked before the commas.
    EXPECT_EQ(open_bytes(dir, "x\r\n" + repeated(',', 5000) + "\r\n").status.message_id, MessageId::RecordTooLong);

    // A source that is not there cannot be copied.
    PreviewFile file;
    EXPECT_EQ(file.open(dir / "missing.csv").message_id, MessageId::TempFileFailed);
    EXPECT_FALSE(file.is_open());

    EXPECT_EQ(temporary.file_count(), 0u);
    EXPECT_EQ(temporary.open_count(), 0u);
}

TEST(PreviewFile, OnlyRegularFilesAreCopiedAndNoneIsWaitedOn) {
    TempDir dir;
    OwnTemporaryFolder temporary;
    Fifo fifo(dir / "pipe.csv");
    const auto started = std::chrono::steady_clock::now();
    for (const std::filesystem::path& path : {fifo.path(), std::filesystem::path("/dev/zero")}) {
        PreviewFile file;
        const Status s = file.open(path);
        EXPECT_EQ(s.message_id, MessageId::NotARegularFile) << path;
        EXPECT_EQ(s.first_line, path.string());
        EXPECT_FALSE(file.is_open());
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5)) << "waited on the FIFO";
    PreviewFile file;
    EXPECT_EQ(file.open(dir.path()).message_id, MessageId::IsAFolder);
    EXPECT_EQ(temporary.open_count(), 0u);
    EXPECT_EQ(temporary.file_count(), 0u);
}

TEST(PreviewFile, ProgressRunsOverTheFileSizeInHundreds) {
    TempDir dir;
    std::string bytes;
    for (int n = 0; n < 3000; ++n) bytes += "record " + std::to_string(n) + "\r\n";
    write_bytes(dir / "progress.csv", bytes);
    std::int64_t range = -1;
    std::vector<std::int64_t> positions;
    ScanProgress progress{[&](std::int64_t maximum) { range = maximum; },
                          [&](std::int64_t value) { positions.push_back(value); }};
    PreviewFile file;
    ASSERT_TRUE(file.open(dir / "progress.csv", progress));
    EXPECT_EQ(range, static_cast<std::int64_t>(bytes.size()) / 100);
    ASSERT_GT(positions.size(), 999u);
    EXPECT_EQ(positions[0], 10 / 100);  // after "record 0\r\n"
    EXPECT_EQ(positions.back(), 0);
    // After the first thousand records, only now and then.
    EXPECT_LT(positions.size(), 1000u + 2000u / 4);
}

// A large file is indexed by a worker: its first records can be read while
// the rest is still coming, closing or replacing it stops the worker and
// leaves no file behind, and a refusal met late ends the load.
TEST(PreviewFile, LoadsInTheBackground) {
    TempDir dir;
    OwnTemporaryFolder temporary;
    std::string bytes;
    std::int64_t records = 0;
    for (; bytes.size() < (6u << 20); ++records) bytes += "record," + std::to_string(records) + "\r\n";
    const auto source = dir / "big.csv";
    write_bytes(source, bytes);
    {
        PreviewFile file;
        // Held after the first block: start() comes back with it indexed.
        auto hold = std::make_shared<LoadHold>(1 << 20);
        ASSERT_TRUE(file.start(source, {.hold = hold}));
        EXPECT_TRUE(file.loading());
        EXPECT_EQ(file.progress().bytes_done, 1 << 20);
        const std::int64_t first = file.statistics().total_records;
        EXPECT_GT(first, 1000);
        EXPECT_EQ(file.read_records(0, 2), (std::vector<std::string>{"record,0", "record,1"}));
        EXPECT_EQ(file.read_record(first), std::nullopt);  // not indexed yet
        EXPECT_GT(file.expected_records(), records * 9 / 10);
        EXPECT_LT(file.expected_records(), records * 11 / 10);

        hold->release();
        file.wait_until_finished();
        EXPECT_FALSE(file.loading());
        EXPECT_EQ(file.statistics().total_records, records);
        EXPECT_EQ(file.expected_records(), records);
        EXPECT_EQ(file.read_record(records - 1), "record," + std::to_string(records - 1));
        EXPECT_EQ(read_bytes(file.working_copy_path()), bytes);

        // Closed while held, replaced while running: the worker is gone with
        // the files it wrote.
        ASSERT_TRUE(file.start(source, {.hold = std::make_shared<LoadHold>(2 << 20)}));
        EXPECT_EQ(temporary.open_count(), 2u);
        file.close();
        EXPECT_EQ(temporary.open_count(), 0u);
        ASSERT_TRUE(file.start(source, {.foreground_bytes = 0, .hold = nullptr}));
        ASSERT_TRUE(file.start(source, {.foreground_bytes = 0, .hold = nullptr}));
        EXPECT_EQ(temporary.open_count(), 2u);
        PreviewFile held;
        ASSERT_TRUE(held.start(source, {.hold = std::make_shared<LoadHold>(1 << 20)}));
    }  // destroyed while held
    EXPECT_EQ(temporary.open_count(), 0u);

    PreviewFile late;
    write_bytes(source, bytes + repeated('a', 5000) + "\r\n");
    ASSERT_TRUE(late.start(source));
    EXPECT_EQ(late.wait_until_finished().failure.message_id, MessageId::RecordTooLong);
    EXPECT_FALSE(late.loading());
    late.close();
    EXPECT_EQ(temporary.open_count(), 0u);
    EXPECT_EQ(temporary.file_count(), 0u);
}

TEST(PositionEntry, RoundTrip) {
    EXPECT_EQ(position_entry(0), "          0");
    EXPECT_EQ(position_entry(99'999'999'999), "99999999999");
    EXPECT_EQ(parse_position_entry("       1234"), 1234);
    EXPECT_EQ(parse_position_entry("           "), std::nullopt);
    EXPECT_EQ(parse_position_entry("     12x4  "), std::nullopt);
}

TEST(ReadOnlyFile, OwnerWritePermission) {
    TempDir dir;
    const auto path = dir / "locked.csv";
    write_bytes(path, "a\r\n");
    EXPECT_FALSE(is_read_only(path));
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    EXPECT_TRUE(is_read_only(path));
    EXPECT_TRUE(make_writable(path));
    EXPECT_FALSE(is_read_only(path));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);  // only the owner's write permission was added
    EXPECT_FALSE(is_read_only(dir / "missing.csv"));

    // Denied access is a refusal; anything else is passed over.
    EXPECT_EQ(permission_change_failure(EPERM).message_id, MessageId::AccessDenied);
    EXPECT_EQ(permission_change_failure(EACCES).message_id, MessageId::AccessDenied);
    EXPECT_TRUE(permission_change_failure(EROFS));
}
