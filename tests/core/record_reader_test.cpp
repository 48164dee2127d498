#include "text/record_reader.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "fifo.h"
#include "temp_dir.h"
#include "text/cp932.h"

using namespace tessaly;

namespace {

// Every record of a file, after skipping `skip` lines.
std::vector<std::string> records_of(const std::filesystem::path& path, int skip = 0) {
    RecordReader reader;
    EXPECT_TRUE(reader.open(path));
    reader.skip_lines(skip);
    std::vector<std::string> out;
    std::string_view record;
    while (reader.next(record)) out.emplace_back(record);
    EXPECT_FALSE(reader.failed());
    return out;
}

std::vector<std::string> records_of_bytes(const TempDir& dir, std::string_view bytes, int skip = 0) {
    const auto path = dir / "source.txt";
    write_bytes(path, bytes);
    return records_of(path, skip);
}

using Records = std::vector<std::string>;

}  // namespace

TEST(RecordReader, LineEndsAndCarriageReturns) {
    TempDir dir;
    // CR LF and LF end a record alike; the last line needs no line feed.
    const Records expected{"a,b", "c", "", "d"};
    EXPECT_EQ(records_of_bytes(dir, "a,b\r\nc\r\n\r\nd"), expected);
    EXPECT_EQ(records_of_bytes(dir, "a,b\nc\n\nd"), expected);
    EXPECT_EQ(records_of_bytes(dir, "a,b\nc\n\nd\n"), expected);
    EXPECT_EQ(records_of_bytes(dir, "a,b\r\nc\n\r\nd\r\n"), expected);

    // A CR anywhere but right before the LF is part of the record, and only
    // one CR goes with the LF.
    EXPECT_EQ(records_of_bytes(dir, "x\ry\r\n\rz\n"), (Records{"x\ry", "\rz"}));
    EXPECT_EQ(records_of_bytes(dir, "a\r\r\n"), (Records{"a\r"}));
    // A file whose lines end in CR alone is one record.
    EXPECT_EQ(records_of_bytes(dir, "p\rq\rr\r"), (Records{"p\rq\rr\r"}));

    // Empty files and a lone line feed.
    EXPECT_EQ(records_of_bytes(dir, ""), Records{});
    EXPECT_EQ(records_of_bytes(dir, "\n"), (Records{""}));
}

TEST(RecordReader, EndOfDataByteStopsReading) {
    TempDir dir;
    EXPECT_EQ(records_of_bytes(dir, "a\nb\x1A\nc\n"), (Records{"a", "b"}));
    EXPECT_EQ(records_of_bytes(dir, "a\r\n\x1A"), (Records{"a"}));
    EXPECT_EQ(records_of_bytes(dir,
                               "\x1A"
                               "a\nb\n"),
              Records{});
    // Double-byte text before the end mark is kept whole.
    const std::string name = cp932::literal("山田");
    EXPECT_EQ(records_of_bytes(dir, name + "\r\n" + name + "\x1A" + "rest"), (Records{name, name}));
}

TEST(RecordReader, SkippedHeaderLinesIncludeEmptyOnes) {
    TempDir dir;
    const std::string file = "header\n\nr1\n\nr2\n";
    EXPECT_EQ(records_of_bytes(dir, file, 0), (Records{"header", "", "r1", "", "r2"}));
    EXPECT_EQ(records_of_bytes(dir, file, 2), (Records{"r1", "", "r2"}));
    EXPECT_EQ(records_of_bytes(dir, file, 3), (Records{"", "r2"}));
    // More header lines than the file has: nothing left, no failure.
    EXPECT_EQ(records_of_bytes(dir, "h1\nh2", 9), Records{});
    EXPECT_EQ(records_of_bytes(dir, "", 2), Records{});
    // Skipping nothing.
    EXPECT_EQ(records_of_bytes(dir, "a\nb", -1), (Records{"a", "b"}));
}

TEST(RecordReader, EmptyAndBlankRecords) {
    TempDir dir;
    // A file of only empty lines reads as empty records, which callers skip.
    for (const std::string& r : records_of_bytes(dir, "\n\r\n\n\r\n")) EXPECT_TRUE(r.empty());
    EXPECT_EQ(records_of_bytes(dir, "\n\r\n\n\r\n").size(), 4u);
    // Blanks, tabs and full-width spaces are not empty.
    const std::string wide = cp932::literal("　");
    EXPECT_EQ(records_of_bytes(dir, "  \r\n\t\n" + wide + "\n"), (Records{"  ", "\t", wide}));
}

TEST(RecordReader, RecordsLongerThanTheReadBlock) {
    TempDir dir;
    constexpr std::size_t kMiB = 1 << 20;
    // The CR of the first record's CR LF is the last byte of the first
    // megabyte and its LF the first byte of the next.
    std::string first(kMiB - 1, 'a');
    first[0] = 'S';
    std::string second(3 * kMiB + 17, 'b');
    second.back() = 'E';
    const std::string third(kMiB + kMiB / 2, 'c');
    const std::string bytes = first + "\r\n" + second + "\n" + "short\r\n" + third;
    write_bytes(dir / "long.txt", bytes);

    RecordReader reader;
    ASSERT_TRUE(reader.open(dir / "long.txt"));
    std::string_view record;
    ASSERT_TRUE(reader.next(record));
    EXPECT_EQ(record.size(), first.size());
    EXPECT_TRUE(record == first);
    ASSERT_TRUE(reader.next(record));
    EXPECT_TRUE(record == second);
    ASSERT_TRUE(reader.next(record));
    EXPECT_EQ(record, "short");
    ASSERT_TRUE(reader.next(record));
    EXPECT_TRUE(record == third);
    EXPECT_FALSE(reader.next(record));
    EXPECT_FALSE(reader.failed());

    // An end mark far into the file.
    write_bytes(dir / "mark.txt", second + "\n" + "x\x1A" + "y\n");
    EXPECT_EQ(records_of(dir / "mark.txt").size(), 2u);
    EXPECT_EQ(records_of(dir / "mark.txt").back(), "x");
}

TEST(RecordReader, CountingAgreesWithReading) {
    TempDir dir;
    const std::string long_line(3 << 20, 'x');  // longer than a read block
    const std::vector<std::string> contents = {
        "",
        "\n",
        "\r\n",
        "\r",
        "a",
        "a\r",
        "\n\na\r\n\r\n\rb\n",
        "h1\nh2\nx\n\x1a\ny\n",
        long_line + "\r\n\r\n" + long_line,
        "a\n" + long_line + "\n\r\n",
    };
    for (const std::string& content : contents) {
        for (int skip : {0, 2}) {
            write_bytes(dir / "f.csv", content);
            RecordReader reading;
            ASSERT_TRUE(reading.open(dir / "f.csv"));
            reading.skip_lines(skip);
            long long expected = 0;
            std::string_view record;
            std::vector<std::string> whole;
            while (reading.next(record)) {
                expected += record.empty() ? 0 : 1;
                whole.emplace_back(record);
            }

            RecordReader counting;
            ASSERT_TRUE(counting.open(dir / "f.csv"));
            counting.skip_lines(skip);
            const long long start = counting.position();
            EXPECT_EQ(counting.count_rest([](long long) {}), expected) << content.substr(0, 20) << " skip " << skip;
            const long long end = counting.position();

            // Cut in two right after any line feed up to the end of the
            // data, the parts read as the whole did.
            for (long long cut = start; cut <= end; ++cut) {
                if (cut > start && content[static_cast<std::size_t>(cut - 1)] != '\n') continue;
                std::vector<std::string> parts;
                for (auto [begin, stop] : {std::pair{start, cut}, std::pair{cut, end}}) {
                    RecordReader part;
                    ASSERT_TRUE(part.open_part(dir / "f.csv", begin, stop));
                    while (part.next(record)) parts.emplace_back(record);
                    EXPECT_EQ(part.position(), stop);
                }
                ASSERT_EQ(parts, whole) << content.substr(0, 20) << " skip " << skip << " cut " << cut;
            }
        }
    }
}

TEST(RecordReader, MissingFileFailsWithItsPath) {
    TempDir dir;
    RecordReader reader;
    const auto path = dir / "absent.csv";
    Status s = reader.open(path);
    EXPECT_EQ(s.message_id, MessageId::OpenFailed);
    EXPECT_EQ(s.first_line, path.string());
}

// A FIFO nobody writes to, a device without end and a folder are refused
// at once, naming the file, by the reader and by the text check alike.
TEST(RecordReader, OnlyRegularFilesAreReadAndNoneIsWaitedOn) {
    TempDir dir;
    Fifo fifo(dir / "pipe.csv");
    const auto started = std::chrono::steady_clock::now();
    for (const std::filesystem::path& path : {fifo.path(), std::filesystem::path("/dev/zero")}) {
        RecordReader reader;
        Status s = reader.open(path);
        EXPECT_EQ(s.message_id, MessageId::NotARegularFile) << path;
        EXPECT_EQ(s.first_line, path.string());
        s = check_text_file(path);
        EXPECT_EQ(s.message_id, MessageId::NotARegularFile) << path;
        EXPECT_EQ(s.first_line, path.string());
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5)) << "waited on the FIFO";

    RecordReader reader;
    Status s = reader.open(dir.path());
    EXPECT_EQ(s.message_id, MessageId::IsAFolder);
    EXPECT_EQ(s.first_line, dir.path().string());
    EXPECT_EQ(check_text_file(dir.path()).message_id, MessageId::IsAFolder);
}

TEST(SplitFields, CommasDivideWithoutQuoting) {
    // What a spreadsheet writes for a / b,c / d: the quotes are ordinary bytes.
    const std::string_view record = "a,\"b,c\",d";
    std::array<std::string_view, 2000> fields;
    ASSERT_EQ(split_fields(record, ',', fields), 4u);
    EXPECT_EQ(fields[0], "a");
    EXPECT_EQ(fields[1], "\"b");
    EXPECT_EQ(fields[2], "c\"");
    EXPECT_EQ(fields[3], "d");
    EXPECT_EQ(count_fields(record), 4u);

    ASSERT_EQ(split_fields(",,", ',', fields), 3u);
    EXPECT_EQ(fields[0], "");
    EXPECT_EQ(fields[1], "");
    EXPECT_EQ(fields[2], "");
    EXPECT_EQ(count_fields(",,"), 3u);

    // Blanks and tabs are ordinary bytes; a record without commas is one field.
    ASSERT_EQ(split_fields(" a\t, b ", ',', fields), 2u);
    EXPECT_EQ(fields[0], " a\t");
    EXPECT_EQ(fields[1], " b ");
    EXPECT_EQ(count_fields("no commas"), 1u);
    EXPECT_EQ(count_fields(""), 1u);

    // Double-byte text, including characters whose second byte is '\\' or '@'.
    const std::string text = cp932::literal("ソ表,ａ@,山田");
    ASSERT_EQ(split_fields(text, ',', fields), 3u);
    EXPECT_EQ(fields[0], cp932::literal("ソ表"));
    EXPECT_EQ(fields[1], cp932::literal("ａ@"));
    EXPECT_EQ(fields[2], cp932::literal("山田"));
}

TEST(SplitFields, SlotCountLimitsTheSplit) {
    // Fewer slots than fields: the last slot takes the rest of the record.
    std::array<std::string_view, 2> two;
    EXPECT_EQ(split_fields("a,b,c,d", ',', two), 4u);
    EXPECT_EQ(two[0], "a");
    EXPECT_EQ(two[1], "b,c,d");
    std::array<std::string_view, 1> one;
    EXPECT_EQ(split_fields("a,b", ',', one), 2u);
    EXPECT_EQ(one[0], "a,b");

    // More slots than fields: the slots beyond the record are left as they were.
    std::array<std::string_view, 4> four{"w", "x", "y", "z"};
    EXPECT_EQ(split_fields("p,q", ',', four), 2u);
    EXPECT_EQ(four[0], "p");
    EXPECT_EQ(four[1], "q");
    EXPECT_EQ(four[2], "y");
    EXPECT_EQ(four[3], "z");

    // Another separator.
    EXPECT_EQ(split_fields("a\tb,c", '\t', four), 2u);
    EXPECT_EQ(four[1], "b,c");
}

TEST(CheckTextFile, AcceptsTextWithLineBreaks) {
    TempDir dir;
    const auto path = dir / "f.txt";
    auto check = [&](std::string_view bytes) {
        write_bytes(path, bytes);
        return check_text_file(path);
    };
    EXPECT_TRUE(check("a,b\r\n"));
    EXPECT_TRUE(check("a\tb\x7F\n"));
    EXPECT_TRUE(check("only a carriage return\r"));
    EXPECT_TRUE(check(cp932::literal("山田,ｱｲｳ\n")));
    EXPECT_TRUE(check(std::string(4999, 'a') + "\n"));
    // Only the first 5,000 bytes are looked at: a control byte after them
    // goes unnoticed.
    EXPECT_TRUE(check("a\n" + std::string(4998, 'a') + std::string("\x00\x01\x1A", 3)));
}

TEST(CheckTextFile, RefusesBinaryFilesAndFilesWithoutLineBreaks) {
    TempDir dir;
    const auto path = dir / "f.bin";
    auto check = [&](std::string_view bytes) {
        write_bytes(path, bytes);
        return check_text_file(path).message_id;
    };
    EXPECT_EQ(check(std::string("a\n\x00b\n", 5)), MessageId::NotAText);
    EXPECT_EQ(check("a\x0C\n"), MessageId::NotAText);
    EXPECT_EQ(check("a\x1A\n"), MessageId::NotAText);
    EXPECT_EQ(check("a\x1F\n"), MessageId::NotAText);
    EXPECT_EQ(check("a\x0B\n"), MessageId::NotAText);
    // A control byte is refused as such even before any line break is seen.
    EXPECT_EQ(check(std::string("abc\x00", 4)), MessageId::NotAText);
    EXPECT_EQ(check(std::string(4999, 'a') + std::string("\x00\n", 2)), MessageId::NotAText);

    EXPECT_EQ(check(""), MessageId::NoLineBreak);
    EXPECT_EQ(check("no line break"), MessageId::NoLineBreak);
    EXPECT_EQ(check(std::string(5000, 'a') + "\n"), MessageId::NoLineBreak);
    EXPECT_EQ(check(std::string(6000, 'a') + "\r\n"), MessageId::NoLineBreak);

    const auto missing = dir / "absent.csv";
    Status s = check_text_file(missing);
    EXPECT_EQ(s.message_id, MessageId::OpenFailed);
    EXPECT_EQ(s.first_line, missing.string());
}
