#pragma once

// A file that is written in its folder without a name where the file system
// allows it (O_TMPFILE), else under a hidden name of its own, and takes its
// final name only when complete: a program stopped half way (kill -9, a
// crash, a full disk) never leaves a partial file under the final name, and
// a nameless one leaves nothing at all.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace tessaly {

class UnfinishedFile {
public:
    UnfinishedFile() = default;
    // Discards the file unless it was finished.
    ~UnfinishedFile();
    UnfinishedFile(const UnfinishedFile&) = delete;
    UnfinishedFile& operator=(const UnfinishedFile&) = delete;

    // Makes a new, empty file in the folder, open for reading and writing,
    // with the mode any new file gets (0666 less the umask). Where it cannot
    // be nameless, its hidden name is "." + stem + "." + six letters and
    // digits. False (errno tells why) when no file can be made there.
    bool open(const std::filesystem::path& folder, const std::string& stem);
    int fd() const { return fd_; }
    // A path that opens the file for another writer: its hidden name, or
    // /proc/self/fd/N while it has none.
    const std::filesystem::path& path() const { return path_; }
    bool nameless() const { return hidden_.empty(); }

    // Gives the file the name target, replacing whatever is there, and
    // closes it. False (errno tells why) when it cannot; the file is then
    // discarded.
    bool finish(const std::filesystem::path& target);
    // Closes the file and removes its hidden name, if it has one.
    void discard();

private:
    int fd_ = -1;
    std::filesystem::path folder_;
    std::string stem_;
    std::filesystem::path path_;
    std::filesystem::path hidden_;
};

// Removes from the folder the hidden files of UnfinishedFile's naming whose
// stem passes stem_matches, that are the user's own regular files and were
// last written over an hour ago: left by a program that was stopped before
// it could finish or discard them. A file written by a program still at it
// is younger than that.
void remove_stale_unfinished_files(const std::filesystem::path& folder,
                                   const std::function<bool(std::string_view)>& stem_matches);

}  // namespace tessaly
