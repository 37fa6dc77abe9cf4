// A small file that processes share: read and rewritten under an exclusive lock.
#pragma once

#include <string>

namespace platform {

class locked_file_t {
  public:
    locked_file_t() = default;
    locked_file_t(const locked_file_t&) = delete;
    locked_file_t& operator=(const locked_file_t&) = delete;
    ~locked_file_t() { unlock(); }

    // Opens the existing file `path` for reading and writing and waits until
    // no other process holds it (flock on POSIX hosts, LockFileEx on Windows). A file replaced by
    // its holder meanwhile is opened anew, so the lock is always on what `path` names. False on
    // failure, with errno set.
    bool lock(const std::string& path);
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
