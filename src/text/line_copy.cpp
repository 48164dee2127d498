#include "text/line_copy.h"

#include <string>

#include "text/record_reader.h"
#include "text/replace_file.h"

namespace tessaly {

Status copy_lines_crlf(const std::filesystem::path& source, const std::filesystem::path& target) {
    RecordReader reader;
    if (Status opened = reader.open(source); !opened) return opened;
    constexpr std::size_t kChunk = 1 << 20;
    const Status written = replace_file_checked(target,
                                                [&](const FileSink& sink) {
                                                    std::string chunk;
                                                    chunk.reserve(kChunk + 2);
                                                    std::string_view line;
                                                    while (reader.next(line)) {
                                                        chunk.append(line);
                                                        chunk.append("\r\n");
                                                        if (chunk.size() >= kChunk) {
                                                            if (!sink(chunk)) return false;
                                                            chunk.clear();
                                                        }
                                                    }
                                                    return !reader.failed() && sink(chunk);
                                                },
                                                {.failure_id = MessageId::CreateFailed});
    if (reader.failed()) return Status::failure(MessageId::OpenFailed, source.string());
    return written;
}

}  // namespace tessaly
