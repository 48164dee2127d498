#include "text/workbook.h"

#include <expat.h>
#include <iconv.h>
#include <unistd.h>
#include <zip.h>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>

#include "text/replace_file.h"
#include "text/utf8.h"

namespace tessaly {

namespace {

constexpr MessageId kCannotOpen = MessageId::OpenFailed;
constexpr MessageId kDamaged = MessageId::WorkbookDamaged;
constexpr MessageId kEncrypted = MessageId::WorkbookEncrypted;
constexpr MessageId kNoSheets = MessageId::WorkbookWithoutSheets;
constexpr MessageId kEmptySheet = MessageId::SheetEmpty;
constexpr MessageId kNoSuchSheet = MessageId::NoSuchSheet;
constexpr MessageId kTooLarge = MessageId::WorkbookTooLarge;

std::string lower_extension(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

// An element's or attribute's name without its namespace prefix ("x:c" is
// "c"): some writers prefix the whole sheet.
std::string_view local_name(const char* name) {
    std::string_view n(name);
    const std::size_t colon = n.rfind(':');
    return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

const char* attribute(const char** attributes, std::string_view name) {
    for (int i = 0; attributes[i]; i += 2)
        if (local_name(attributes[i]) == name) return attributes[i + 1];
    return nullptr;
}

// Workbook text writes characters XML cannot hold (a carriage return, say)
// as _xHHHH_.
void decode_escapes(std::string& text) {
    if (text.find("_x") == std::string::npos) return;
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        unsigned code = 0;
        if (text.compare(i, 2, "_x") == 0 && i + 7 <= text.size() && text[i + 6] == '_') {
            auto [end, ec] = std::from_chars(text.data() + i + 2, text.data() + i + 6, code, 16);
            if (ec == std::errc() && end == text.data() + i + 6) {
                append_utf8(out, code);
                i += 7;
                continue;
            }
        }
        out += text[i++];
    }
    text = std::move(out);
}

// Reads the XML parts of a workbook with expat, element by element.
class XmlReader {
public:
    virtual ~XmlReader() = default;
    virtual void start(std::string_view name, const char** attributes) = 0;
    virtual void end(std::string_view name) = 0;
    virtual void text(std::string_view) {}
    // A reader may end the reading early (the rest is of no interest) or
    // call the part damaged.
    bool stop = false;
    MessageId failure = MessageId::None;
};

class Workbook {
public:
    explicit Workbook(const std::filesystem::path& path) : path_(path) {}
    ~Workbook() {
        if (zip_) zip_discard(zip_);
    }

    Status open(const std::optional<FileStamp>& expected) {
        int fd = -1;
        if (Status opened = open_user_file(path_, fd); !opened) return opened;
        if (expected && file_stamp(fd) != expected) {
            ::close(fd);
            return Status::failure(MessageId::ChangedWhileAsking, path_.string());
        }
        // A workbook saved with a password is no zip but an OLE compound
        // file, its parts encrypted inside.
        unsigned char magic[8] = {};
        const bool compound =
            ::pread(fd, magic, sizeof magic, 0) == 8 && std::memcmp(magic, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) == 0;
        if (compound) {
            ::close(fd);
            return failure(kEncrypted);
        }
        int error = 0;
        zip_ = zip_fdopen(fd, ZIP_RDONLY, &error);
        if (!zip_) {
            ::close(fd);
            return failure(error == ZIP_ER_MEMORY ? MessageId::OutOfMemory : kDamaged);
        }
        return read_structure();
    }

    const std::vector<std::string>& sheet_names() const { return names_; }

    // The index of the sheet asked for, or a failure.
    Status find_sheet(std::string_view wanted, std::size_t& index) const {
        if (wanted.empty()) {
            index = 0;
            return {};
        }
        for (std::size_t i = 0; i < names_.size(); ++i)
            if (names_[i] == wanted) {
                index = i;
                return {};
            }
        std::size_t number = 0;
        auto [end, ec] = std::from_chars(wanted.data(), wanted.data() + wanted.size(), number);
        if (ec == std::errc() && end == wanted.data() + wanted.size() && number >= 1 && number <= names_.size()) {
            index = number - 1;
            return {};
        }
        return failure(kNoSuchSheet);
    }

    const std::string& sheet_part(std::size_t index) const { return parts_[index]; }
    bool date1904() const { return date1904_; }
    const std::vector<bool>& date_styles() const { return date_styles_; }

    // The shared strings, read only when a sheet is to be copied.
    Status read_shared_strings();
    std::optional<std::string_view> shared_string(std::size_t index) const {
        if (index + 1 >= string_ends_.size()) return std::nullopt;
        return std::string_view(strings_).substr(string_ends_[index], string_ends_[index + 1] - string_ends_[index]);
    }

    // Streams a part through the reader; a missing part is a failure only
    // when required.
    Status read_part(const std::string& name, XmlReader& reader, bool required);

    Status failure(MessageId id) const { return Status::failure(id, path_.string()); }

private:
    Status read_structure();

    std::filesystem::path path_;
    zip_t* zip_ = nullptr;
    std::vector<std::string> names_;
    std::vector<std::string> parts_;  // each sheet's part ("xl/worksheets/sheet1.xml"); empty for a chart sheet
    bool date1904_ = false;
    std::vector<bool> date_styles_;  // by cell style index
    std::string strings_;
    std::vector<std::size_t> string_ends_{0};
};

Status Workbook::read_part(const std::string& name, XmlReader& reader, bool required) {
    zip_int64_t index = zip_name_locate(zip_, name.c_str(), 0);
    if (index < 0) index = zip_name_locate(zip_, name.c_str(), ZIP_FL_NOCASE);
    if (index < 0) return required ? failure(kDamaged) : Status{};
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(zip_, static_cast<zip_uint64_t>(index), 0, &stat) != 0) return failure(kDamaged);
    if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE) return failure(kEncrypted);
    long long limit = kWorkbookPartLimit;
    if (stat.valid & ZIP_STAT_COMP_SIZE)
        limit =
            std::min(limit, std::max(kWorkbookRatioFloor, static_cast<long long>(stat.comp_size) * kWorkbookPartRatio));
    // The sizes in the directory may lie: the bytes are counted as they come.
    if ((stat.valid & ZIP_STAT_SIZE) && static_cast<long long>(stat.size) > limit) return failure(kTooLarge);

    zip_file_t* file = zip_fopen_index(zip_, static_cast<zip_uint64_t>(index), 0);
    if (!file) {
        const int error = zip_error_code_zip(zip_get_error(zip_));
        return failure(error == ZIP_ER_NOPASSWD || error == ZIP_ER_WRONGPASSWD || error == ZIP_ER_ENCRNOTSUPP
                           ? kEncrypted
                           : kDamaged);
    }
    XML_Parser parser = XML_ParserCreate(nullptr);
    if (!parser) {
        zip_fclose(file);
        return failure(MessageId::OutOfMemory);
    }
    XML_SetUserData(parser, &reader);
    XML_SetElementHandler(
        parser,
        [](void* data, const char* element, const char** attributes) {
            auto* r = static_cast<XmlReader*>(data);
            if (!r->stop) r->start(local_name(element), attributes);
        },
        [](void* data, const char* element) {
            auto* r = static_cast<XmlReader*>(data);
            if (!r->stop) r->end(local_name(element));
        });
    XML_SetCharacterDataHandler(parser, [](void* data, const char* s, int length) {
        auto* r = static_cast<XmlReader*>(data);
        if (!r->stop) r->text(std::string_view(s, static_cast<std::size_t>(length)));
    });

    Status result;
    std::vector<char> buffer(64 * 1024);
    long long total = 0;
    for (;;) {
        const zip_int64_t n = zip_fread(file, buffer.data(), buffer.size());
        if (n < 0) {
            result = failure(kDamaged);
            break;
        }
        total += n;
        if (total > limit) {
            result = failure(kTooLarge);
            break;
        }
        if (XML_Parse(parser, buffer.data(), static_cast<int>(n), n == 0) != XML_STATUS_OK) {
            result = failure(kDamaged);
            break;
        }
        if (reader.failure != MessageId::None || reader.stop || n == 0) break;
    }
    if (result && reader.failure != MessageId::None) result = failure(reader.failure);
    XML_ParserFree(parser);
    zip_fclose(file);
    return result;
}

// xl/workbook.xml: the sheets and the date system.
class WorkbookPart : public XmlReader {
public:
    struct Sheet {
        std::string name, relation;
    };
    std::vector<Sheet> sheets;
    bool date1904 = false;

    void start(std::string_view name, const char** attributes) override {
        if (name == "sheet") {
            const char* sheet_name = attribute(attributes, "name");
            const char* relation = attribute(attributes, "id");
            if (!sheet_name || !relation)
                failure = kDamaged;
            else
                sheets.push_back({sheet_name, relation});
        } else if (name == "workbookPr") {
            const char* value = attribute(attributes, "date1904");
            date1904 = value && (std::strcmp(value, "1") == 0 || std::strcmp(value, "true") == 0);
        }
    }
    void end(std::string_view) override {}
};

// xl/_rels/workbook.xml.rels: which part each sheet is.
class RelationsPart : public XmlReader {
public:
    std::map<std::string, std::pair<std::string, std::string>> targets;  // id: target, type

    void start(std::string_view name, const char** attributes) override {
        if (name != "Relationship") return;
        const char* id = attribute(attributes, "Id");
        const char* target = attribute(attributes, "Target");
        const char* type = attribute(attributes, "Type");
        if (id && target) targets[id] = {target, type ? type : ""};
    }
    void end(std::string_view) override {}
};

// Whether a number format shows a date or a time: the built-in ones, and a
// format of the workbook's own with y, m, d, h or s outside its quoted text
// and its brackets (colours, conditions, elapsed-time units). A Japanese
// spreadsheet writes its own built-in date formats (年月日, the era) by id
// alone, 27 to 36 and 50 to 58: dates too, unless the workbook gives them
// another code.
bool is_date_format(int id, const std::string* code) {
    if ((id >= 14 && id <= 22) || (id >= 45 && id <= 47)) return true;
    if (!code) return (id >= 27 && id <= 36) || (id >= 50 && id <= 58);
    bool quoted = false;
    bool bracket = false;
    for (std::size_t i = 0; i < code->size(); ++i) {
        const char c = (*code)[i];
        if (quoted) {
            quoted = c != '"';
        } else if (bracket) {
            bracket = c != ']';
        } else if (c == '"') {
            quoted = true;
        } else if (c == '[') {
            bracket = true;
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i;  // an escaped character, a space as wide as one, a fill
        } else if (std::strchr("yYmMdDhHsS", c) && c != 0) {
            return true;
        }
    }
    return false;
}

// xl/styles.xml: which cell styles show dates.
class StylesPart : public XmlReader {
public:
    std::map<int, std::string> formats;
    std::vector<int> style_formats;

    void start(std::string_view name, const char** attributes) override {
        if (name == "numFmt") {
            const char* id = attribute(attributes, "numFmtId");
            const char* code = attribute(attributes, "formatCode");
            if (id && code) formats[std::atoi(id)] = code;
        } else if (name == "cellXfs") {
            in_cell_styles_ = true;
        } else if (name == "xf" && in_cell_styles_) {
            const char* id = attribute(attributes, "numFmtId");
            style_formats.push_back(id ? std::atoi(id) : 0);
        }
    }
    void end(std::string_view name) override {
        if (name == "cellXfs") in_cell_styles_ = false;
    }

private:
    bool in_cell_styles_ = false;
};

// xl/sharedStrings.xml: every string of the table, run texts joined, the
// phonetic readings (furigana) left out.
class SharedStringsPart : public XmlReader {
public:
    SharedStringsPart(std::string& strings, std::vector<std::size_t>& ends) : strings_(strings), ends_(ends) {}

    void start(std::string_view name, const char**) override {
        if (name == "si")
            current_.clear(), in_item_ = true;
        else if (name == "rPh")
            in_reading_ = true;
        else if (name == "t" && in_item_ && !in_reading_)
            in_text_ = true;
    }
    void end(std::string_view name) override {
        if (name == "t") {
            in_text_ = false;
        } else if (name == "rPh") {
            in_reading_ = false;
        } else if (name == "si") {
            decode_escapes(current_);
            strings_ += current_;
            ends_.push_back(strings_.size());
            in_item_ = false;
        }
    }
    void text(std::string_view s) override {
        if (in_text_) current_ += s;
    }

private:
    std::string& strings_;
    std::vector<std::size_t>& ends_;
    std::string current_;
    bool in_item_ = false, in_reading_ = false, in_text_ = false;
};

Status Workbook::read_structure() {
    WorkbookPart workbook;
    if (Status read = read_part("xl/workbook.xml", workbook, true); !read) return read;
    RelationsPart relations;
    if (Status read = read_part("xl/_rels/workbook.xml.rels", relations, true); !read) return read;
    date1904_ = workbook.date1904;
    for (const WorkbookPart::Sheet& sheet : workbook.sheets) {
        auto it = relations.targets.find(sheet.relation);
        if (it == relations.targets.end()) return failure(kDamaged);
        const auto& [target, type] = it->second;
        std::string part;
        // A chart sheet holds no cells: it is listed, and copies as empty.
        if (!type.ends_with("/chartsheet")) part = target.starts_with("/") ? target.substr(1) : "xl/" + target;
        names_.push_back(sheet.name);
        parts_.push_back(part);
    }
    if (names_.empty()) return failure(kNoSheets);

    StylesPart styles;
    if (Status read = read_part("xl/styles.xml", styles, false); !read) return read;
    for (int id : styles.style_formats) {
        auto it = styles.formats.find(id);
        date_styles_.push_back(is_date_format(id, it == styles.formats.end() ? nullptr : &it->second));
    }
    return {};
}

Status Workbook::read_shared_strings() {
    SharedStringsPart shared(strings_, string_ends_);
    return read_part("xl/sharedStrings.xml", shared, false);
}

// "B12" -> column 2; 0 when it is no reference.
int column_of(const char* reference) {
    int column = 0;
    for (const char* p = reference; *p; ++p) {
        const char c = *p;
        if (c >= 'A' && c <= 'Z')
            column = column * 26 + (c - 'A' + 1);
        else if (c >= 'a' && c <= 'z')
            column = column * 26 + (c - 'a' + 1);
        else
            break;
        if (column > 16384) return 0;
    }
    return column;
}

long long number_of(const char* text) {
    long long n = 0;
    auto [end, ec] = std::from_chars(text, text + std::strlen(text), n);
    return ec == std::errc() ? n : 0;
}

// A number as the General format shows it.
std::string general_number(double value) {
    char buffer[64];
    if (value == 0) return "0";
    if (std::fabs(value) < 1e15 && value == std::trunc(value))
        std::snprintf(buffer, sizeof buffer, "%.0f", value);
    else
        std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return buffer;
}

// A date serial as yyyy/mm/dd, with " hh:mm:ss" when it has a time of day.
// The 1900 system counts 1900 as a leap year, as Lotus 1-2-3 did: serial 60
// is 1900/02/29, and the serials before it are a day off.
std::optional<std::string> date_text(double serial, bool date1904) {
    if (!(serial >= 0) || serial >= 2958466) return std::nullopt;
    long long days = static_cast<long long>(std::floor(serial));
    long long seconds = std::llround((serial - static_cast<double>(days)) * 86400.0);
    if (seconds >= 86400) ++days, seconds -= 86400;
    int year = 0;
    unsigned month = 0, day = 0;
    if (!date1904 && days == 60) {
        year = 1900, month = 2, day = 29;
    } else {
        // Days since 1970-01-01, then the civil date (Howard Hinnant's algorithm).
        long long z = date1904 ? days - 24107 : days < 60 ? days - 25568 : days - 25569;
        z += 719468;
        const long long era = (z >= 0 ? z : z - 146096) / 146097;
        const unsigned doe = static_cast<unsigned>(z - era * 146097);
        const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
        const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
        const unsigned mp = (5 * doy + 2) / 153;
        day = doy - (153 * mp + 2) / 5 + 1;
        month = mp < 10 ? mp + 3 : mp - 9;
        year = static_cast<int>(yoe + era * 400 + (month <= 2));
    }
    char buffer[64];
    const int second_of_day = static_cast<int>(seconds);  // 0 to 86399
    if (seconds == 0) {
        std::snprintf(buffer, sizeof buffer, "%04d/%02u/%02u", year, month, day);
    } else {
        std::snprintf(buffer, sizeof buffer, "%04d/%02u/%02u %02d:%02d:%02d", year, month, day, second_of_day / 3600,
                      second_of_day / 60 % 60, second_of_day % 60);
    }
    return std::string(buffer);
}

// The cells of a sheet, row by row: the reading common to both passes.
class SheetPart : public XmlReader {
public:
    explicit SheetPart(const Workbook& workbook) : workbook_(workbook) {}

    void start(std::string_view name, const char** attributes) override {
        if (name == "row") {
            const char* r = attribute(attributes, "r");
            const long long row = r ? number_of(r) : row_ + 1;
            if (row <= row_ || row > 1048576) {
                failure = kDamaged;  // rows go down the sheet
                return;
            }
            row_ = row;
            column_ = 0;
            begin_row(row_);
        } else if (name == "c") {
            const char* r = attribute(attributes, "r");
            const int column = r ? column_of(r) : column_ + 1;
            if (column <= 0 || column > 16384) {
                failure = kDamaged;
                return;
            }
            column_ = column;
            const char* t = attribute(attributes, "t");
            type_ = t ? t : "n";
            const char* s = attribute(attributes, "s");
            style_ = s ? number_of(s) : 0;
            value_.clear();
            inline_.clear();
        } else if (name == "v") {
            in_value_ = true;
        } else if (name == "is") {
            in_inline_ = true;
        } else if (name == "rPh") {
            in_reading_ = true;
        } else if (name == "t" && in_inline_ && !in_reading_) {
            in_text_ = true;
        }
    }

    void end(std::string_view name) override {
        if (name == "v") {
            in_value_ = false;
        } else if (name == "t") {
            in_text_ = false;
        } else if (name == "rPh") {
            in_reading_ = false;
        } else if (name == "is") {
            in_inline_ = false;
        } else if (name == "c") {
            cell(row_, column_);
        } else if (name == "row") {
            end_row(row_);
        }
    }

    void text(std::string_view s) override {
        if (in_value_)
            value_ += s;
        else if (in_text_)
            inline_ += s;
    }

protected:
    virtual void begin_row(long long) {}
    virtual void cell(long long row, int column) = 0;
    virtual void end_row(long long) {}

    // Whether the cell holds a value (its text is not empty).
    bool has_value() {
        if (type_ == "s") {
            const auto shared = shared_string();
            return shared && !shared->empty();
        }
        if (type_ == "inlineStr") return !inline_.empty();
        return !value_.empty();
    }

    // The cell's text as a spreadsheet shows it in CSV, UTF-8.
    std::string cell_text() {
        if (type_ == "s") {
            const auto shared = shared_string();
            return shared ? std::string(*shared) : std::string();
        }
        if (type_ == "inlineStr") {
            decode_escapes(inline_);
            return inline_;
        }
        if (type_ == "b") return value_ == "1" || value_ == "true" ? "TRUE" : "FALSE";
        if (type_ == "str") {
            decode_escapes(value_);
            return value_;
        }
        if (type_ == "n" && !value_.empty()) {
            double number = 0;
            const char* begin = value_.data();
            const char* end = begin + value_.size();
            auto [stop, ec] = std::from_chars(begin, end, number);
            if (ec == std::errc() && stop == end) {
                const std::vector<bool>& dates = workbook_.date_styles();
                if (style_ >= 0 && static_cast<std::size_t>(style_) < dates.size() && dates[style_])
                    if (auto date = date_text(number, workbook_.date1904())) return *date;
                return general_number(number);
            }
        }
        return value_;  // an error (#N/A), an ISO date, a number as written
    }

    std::optional<std::string_view> shared_string() {
        std::size_t index = 0;
        auto [end, ec] = std::from_chars(value_.data(), value_.data() + value_.size(), index);
        std::optional<std::string_view> shared;
        if (ec == std::errc() && end == value_.data() + value_.size()) shared = workbook_.shared_string(index);
        if (!shared) failure = kDamaged;
        return shared;
    }

private:
    const Workbook& workbook_;
    long long row_ = 0;
    int column_ = 0;
    std::string type_;
    long long style_ = 0;
    std::string value_, inline_;
    bool in_value_ = false, in_inline_ = false, in_reading_ = false, in_text_ = false;
};

// The first pass: how far down and across the values go.
class SheetExtent : public SheetPart {
public:
    using SheetPart::SheetPart;
    long long last_row = 0;
    int last_column = 0;

protected:
    void cell(long long row, int column) override {
        if (!has_value()) return;
        last_row = row;
        last_column = std::max(last_column, column);
    }
};

// Converts UTF-8 lines to cp932 with one converter for the whole sheet.
class Cp932Converter {
public:
    Cp932Converter() : cd_(iconv_open("CP932", "UTF-8")) {}
    ~Cp932Converter() {
        if (ok()) iconv_close(cd_);
    }
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Appends the cp932 of text to out; false (out as it was) when cp932
    // lacks a character of it.
    bool append(std::string_view text, std::string& out) {
        if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
            out += text;
            return true;
        }
        const std::size_t before = out.size();
        out.resize(before + text.size() * 2 + 8);
        char* src = const_cast<char*>(text.data());
        std::size_t src_left = text.size();
        char* dst = out.data() + before;
        std::size_t dst_left = out.size() - before;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        const bool converted = iconv(cd_, &src, &src_left, &dst, &dst_left) != static_cast<std::size_t>(-1);
        out.resize(converted ? out.size() - dst_left : before);
        return converted;
    }

private:
    iconv_t cd_;
};

// The second pass: the lines of the copy.
class SheetWriter : public SheetPart {
public:
    SheetWriter(const Workbook& workbook, long long last_row, int last_column, const FileSink& sink, WorkbookCopy& copy,
                std::size_t max_missing)
        : SheetPart(workbook),
          last_row_(last_row),
          cells_(static_cast<std::size_t>(last_column)),
          sink_(sink),
          copy_(copy),
          max_missing_(max_missing) {}

    bool write_failed = false;

    // Hands the last lines to the sink.
    void flush() {
        if (!copy_.missing.empty() || out_.empty()) return;
        if (!sink_(out_)) {
            write_failed = true;
            stop = true;
        }
        out_.clear();
    }

protected:
    void begin_row(long long row) override {
        if (row > last_row_) {
            stop = true;
            return;
        }
        while (written_ + 1 < row) write_line();  // rows without a cell
        for (std::string& c : cells_) c.clear();
    }

    void cell(long long, int column) override {
        if (static_cast<std::size_t>(column) > cells_.size()) return;  // no value, past the last column
        std::string text = cell_text();
        // Line breaks become one space each (CR LF one), so a record stays a line.
        if (text.find_first_of("\r\n") != std::string::npos) {
            std::string flat;
            for (std::size_t i = 0; i < text.size(); ++i) {
                if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
                flat += text[i] == '\r' || text[i] == '\n' ? ' ' : text[i];
            }
            text = std::move(flat);
            ++copy_.broken_cells;
        }
        if (text.find_first_of(",\"") != std::string::npos) {
            std::string quoted = "\"";
            for (char c : text) {
                if (c == '"') quoted += '"';
                quoted += c;
            }
            text = quoted + '"';
        }
        cells_[static_cast<std::size_t>(column) - 1] = std::move(text);
    }

    void end_row(long long row) override {
        if (row <= last_row_) write_line();
    }

private:
    void write_line() {
        ++written_;
        line_.clear();
        for (std::size_t i = 0; i < cells_.size(); ++i) {
            if (i > 0) line_ += ',';
            line_ += cells_[i];
        }
        for (std::string& c : cells_) c.clear();
        ++copy_.lines;
        if (!converter_.append(line_, out_)) list_missing();
        if (!copy_.missing.empty()) {
            out_.clear();  // there is to be no copy; the rest is read for what else cp932 lacks
            return;
        }
        out_ += "\r\n";
        if (out_.size() >= 1 << 20) flush();
    }

    void list_missing() {
        const std::size_t before = copy_.missing.size();
        std::string scratch;
        for (std::size_t i = 0; i < line_.size();) {
            const unsigned char lead = static_cast<unsigned char>(line_[i]);
            const std::size_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
            const std::string_view one = std::string_view(line_).substr(i, n);
            scratch.clear();
            if (!converter_.append(one, scratch) && copy_.missing.size() < max_missing_)
                copy_.missing.push_back({written_, std::string(one)});
            i += n;
        }
        if (copy_.missing.size() == before && before == 0) copy_.missing.push_back({written_, std::string()});
    }

    long long last_row_;
    long long written_ = 0;
    std::vector<std::string> cells_;
    std::string line_, out_;
    const FileSink& sink_;
    WorkbookCopy& copy_;
    std::size_t max_missing_;
    Cp932Converter converter_;
};

}  // namespace

bool is_workbook_name(const std::filesystem::path& path) {
    const std::string ext = lower_extension(path);
    return ext == ".xlsx" || ext == ".xlsm";
}

bool is_unread_spreadsheet_name(const std::filesystem::path& path) {
    const std::string ext = lower_extension(path);
    return ext == ".xls" || ext == ".xlsb" || ext == ".ods" || ext == ".numbers";
}

std::filesystem::path workbook_copy_path(const std::filesystem::path& workbook) {
    std::filesystem::path copy = workbook;
    copy.replace_filename(workbook.stem().string() + ".sjis.csv");
    return copy;
}

WorkbookSheets workbook_sheets(const std::filesystem::path& path) {
    WorkbookSheets result;
    Workbook workbook(path);
    result.status = workbook.open(std::nullopt);
    if (result.status) result.names = workbook.sheet_names();
    return result;
}

WorkbookCopy make_workbook_copy(const std::filesystem::path& path, std::string_view sheet,
                                const std::filesystem::path& target, std::size_t max_missing,
                                const std::optional<FileStamp>& expected) {
    WorkbookCopy copy;
    Workbook workbook(path);
    if ((copy.status = workbook.open(expected)).failed()) return copy;
    std::size_t index = 0;
    if ((copy.status = workbook.find_sheet(sheet, index)).failed()) return copy;
    copy.sheet = workbook.sheet_names()[index];
    const std::string& part = workbook.sheet_part(index);
    if (part.empty()) {
        copy.status = workbook.failure(kEmptySheet);
        return copy;
    }
    if ((copy.status = workbook.read_shared_strings()).failed()) return copy;

    SheetExtent extent(workbook);
    if ((copy.status = workbook.read_part(part, extent, true)).failed()) return copy;
    if (extent.last_row == 0) {
        copy.status = workbook.failure(kEmptySheet);
        return copy;
    }

    Status reading;
    const Status written = replace_file_checked(target,
                                                [&](const FileSink& sink) {
                                                    SheetWriter writer(workbook, extent.last_row, extent.last_column,
                                                                       sink, copy, max_missing);
                                                    reading = workbook.read_part(part, writer, true);
                                                    if (reading) writer.flush();
                                                    return reading && !writer.write_failed && copy.missing.empty();
                                                },
                                                {.follow_link = false, .failure_id = MessageId::CreateFailed});
    // What went wrong in the reading comes first; missing characters are
    // no failure of the writing, just no copy.
    if (!reading)
        copy.status = reading;
    else if (copy.missing.empty())
        copy.status = written;
    return copy;
}

}  // namespace tessaly
