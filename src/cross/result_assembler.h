#pragma once

// Builds the result file (or the workbook's rows) a window at a time. Hit
// records stand scattered in the work file; reading them one by one costs a
// system call each, so their lines are left as holes in the window and
// fetched together when it is full, in the order they stand in the work
// file, nearby ones in one read. Each completed window goes to the sink.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "text/file_writer.h"

namespace tessaly {

class ResultAssembler {
public:
    using Sink = std::function<void(std::string_view window)>;
    ResultAssembler(const FileWriter& work, FileWriter& result, std::size_t window_bytes);
    ResultAssembler(const FileWriter& work, Sink sink, std::size_t window_bytes);

    void add_text(std::string_view text) { window_.append(text); }
    // The work-file line at offset, of length bytes. False when a full
    // window could not be completed from the work file.
    bool add_line(long long offset, std::uint32_t length);
    // Completes the window and hands it to the result file. False when the
    // work file could not be read.
    bool flush();

private:
    struct Hole {
        long long offset;  // in the work file
        std::size_t at;    // in the window
        std::uint32_t length;
    };

    const FileWriter& work_;
    Sink sink_;
    const std::size_t window_bytes_;
    std::string window_;
    std::vector<Hole> holes_;
    std::string block_;
};

}  // namespace tessaly
