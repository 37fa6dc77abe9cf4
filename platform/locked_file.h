// A small file that processes share: read and rewritten under an exclusive lock.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace platform {

enum class lock_result {
    locked,
    not_regular, // a folder, a FIFO, a device: no file to share
    failed,      // errno set
};

// Called while another process holds the file: once with `first` set before the wait begins,
// then about every 50 ms. What it throws ends the wait, the file closed.
using lock_wait = std::function<void(bool first)>;

class locked_file_t {
  public:
    locked_file_t() = default;
    locked_file_t(const locked_file_t&) = delete;
    locked_file_t& operator=(const locked_file_t&) = delete;
    ~locked_file_t() { unlock(); }

    // Opens the existing regular file `path` for reading and writing, without ever blocking on
    // a FIFO or a device, and waits until no other process holds it (flock on POSIX hosts,
    // LockFileEx on Windows), calling `waiting` meanwhile when it is given. A file replaced by
    // its holder meanwhile is opened anew, so the lock is always on what `path` names.
    lock_result lock(const std::string& path, const lock_wait& waiting = {});
    // Far beyond any number file; a larger one is refused (EFBIG) rather than read into memory.
    static constexpr std::size_t max_bytes = 16u << 20;
    // The whole content. False on failure, with errno set.
    bool read(std::string& content) const;
    // Puts `content` in place of the file's: through a replacement file
    // (named with `tag`) beside it, or, where the directory may not be
    // written, by rewriting the file itself; either way stored on the disk
    // before this returns. False on failure, with errno set.
    bool rewrite(const std::string& content, const char* tag);
    // Lets the next process have the file.
    void unlock();

  private:
    bool rewrite_in_place(const std::string& content);

    std::string path;
#ifdef _WIN32
    void* fd = nullptr; // the file's HANDLE
#else
    int fd = -1;
#endif
};

} // namespace platform
