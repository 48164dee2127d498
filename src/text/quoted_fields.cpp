#include "text/quoted_fields.h"

#include "text/record_reader.h"

namespace tessaly {

// Byte by byte is safe in cp932: neither '"' nor ',' can be the second byte
// of a double-byte character.
bool has_quoted_comma(std::string_view record) {
    std::size_t i = 0;
    while (i < record.size()) {
        if (record[i] == '"') {
            bool comma = false;
            std::size_t j = i + 1;
            for (; j < record.size(); ++j) {
                if (record[j] == '"') {
                    if (j + 1 < record.size() && record[j + 1] == '"') {
                        ++j;  // a doubled quote inside the field
                        continue;
                    }
                    break;
                }
                comma = comma || record[j] == ',';
            }
            if (comma && j < record.size()) return true;
            i = j + 1;
        }
        // On to the start of the next field.
        const std::size_t next = record.find(',', i);
        if (next == std::string_view::npos) break;
        i = next + 1;
    }
    return false;
}

bool file_has_quoted_commas(const std::filesystem::path& path, int records) {
    RecordReader reader;
    if (!reader.open(path)) return false;
    std::string_view record;
    for (int n = 0; n < records && reader.next(record); ++n)
        if (has_quoted_comma(record)) return true;
    return false;
}

}  // namespace tessaly
