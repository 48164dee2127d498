#pragma once

// A file written through a large buffer, which remembers whether any write
// failed (a full disk, say) so that the failure is reported, never ignored.

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace tessaly {

class FileWriter {
public:
    FileWriter() = default;
    ~FileWriter();
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;

    // A nameless work file in the temporary folder (see temp_file.h), read
    // back as well; it vanishes when closed or when the process ends.
    bool open_nameless();
    // Takes over a descriptor open for writing (and reading, to read back):
    // a file made by the caller, such as a result file never made over
    // another.
    void adopt(int fd);
    bool is_open() const { return fd_ >= 0; }

    // From now until the next flush, full buffers are written by a thread of
    // their own, so that the caller goes on filling the next one meanwhile.
    void write_behind();

    void write(std::string_view bytes) {
        if (buffer_.size() + bytes.size() > kBufferSize)
            spill(bytes);
        else
            buffer_.append(bytes);
        written_ += static_cast<long long>(bytes.size());
    }
    // Bytes written so far, the buffered ones included.
    long long position() const { return written_; }

    bool flush();
    // Writes bytes at offset straight away, past the buffer: several
    // threads may write apart at once. Not to be mixed with write().
    bool write_at(long long offset, std::string_view bytes);
    // Reads back n bytes at offset (after a flush); false on a short read.
    bool read_at(long long offset, std::size_t n, std::string& out) const;
    // The same into n bytes at out.
    bool read_at(long long offset, std::size_t n, char* out) const;
    // Flushes and closes; false when anything failed since opening.
    bool close();
    bool failed() const { return failed_; }

private:
    static constexpr std::size_t kBufferSize = 1 << 20;
    void spill(std::string_view bytes);
    bool write_out(std::string_view bytes);
    void hand_over();
    void wait_idle();
    void stop_writer();

    int fd_ = -1;
    std::string buffer_;
    long long written_ = 0;
    std::atomic<bool> failed_ = false;

    // Write-behind: one full buffer waits for (or is with) the writer thread.
    std::thread writer_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string handed_;
    bool busy_ = false;
    bool stopping_ = false;
};

}  // namespace tessaly
